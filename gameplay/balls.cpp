// Balls: waiting on the ship, the ship bounce, bumpers and bricks.
#include "gameplay/gameplay_local.h"

#include "audio/sound_bank.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "shell/steering.h"

bool ballLaunched = false;
float ballSpeed = 1.5f;
float capsuleSpeed = 1.5f;

static const float STEER_LIMIT = 0.699999988f;
static const float BUMPER_STRENGTH = 5.99999985e-5f;
static const float BUMPER_SIZE_FACTOR = 4.0f;

void HoldBallOnShip() {
    if (ballLaunched) return;
    const int ball = FindEntity(MESH_BALL, 1);
    const int ship = ShipSlot();
    if (ball == ENTITY_NONE || ship == ENTITY_NONE) return;
    EntityTable[ball].position[0] = EntityTable[ship].position[0];
    EntityTable[ball].position[1] =
        EntityTable[ship].position[1] + ScreenYToWorld(ScreenHeight() / 35.0f);
}

// Steps 3 to 7 of the ship bounce: the new velocity from the hit offset.
static void SteerOffShip(Entity& e, const Entity& ship) {
    const float halfWidth = (ship.boxMax[0] - ship.boxMin[0]) * 0.5f * ship.scale[0];
    const float offset = halfWidth != 0.0f ? (e.position[0] - ship.position[0]) / halfWidth : 0.0f;
    float h, f;
    if (offset > STEER_LIMIT) {
        h = STEER_LIMIT;
        f = 1.0f - STEER_LIMIT;
    } else if (offset < -STEER_LIMIT) {
        h = -STEER_LIMIT;
        f = 1.0f + (-STEER_LIMIT);
    } else {
        h = offset;
        f = offset > 0 ? 1.0f - offset : 1.0f + offset;
    }
    if (e.velocity[1] < 0) f = -f;
    e.velocity[0] = h * ballSpeed / 100.0f;
    e.velocity[1] = f * ballSpeed / 100.0f;
    e.spin[0] = -e.spin[0];
}

static void BounceOffShip(int ball, int ship) {
    Entity& b = EntityTable[ball];
    if (ContactSide(ball, ship) != 4 || b.velocity[1] >= 0) return;
    combo /= 2;
    b.velocity[1] = -b.velocity[1];
    SteerOffShip(b, EntityTable[ship]);
    static const int sounds[] = {SFX_RAQUETTE4, SFX_RAQUETTE5, SFX_RAQUETTE1, SFX_RAQUETTE2,
                                 SFX_RAQUETTE3};
    PlayEffect(sounds[RandomInt(1, 6) - 1]);
}

static void PullByBumpers(int ball, int ship) {
    Entity& b = EntityTable[ball];
    const int w = ScreenWidth(), h = ScreenHeight();
    for (int n = 1;; n++) {
        const int bumper = FindEntity(MESH_BUMPER, n);
        if (bumper == ENTITY_NONE) break;
        Entity& p = EntityTable[bumper];
        const float dx = p.position[0] - b.position[0];
        const float dy = p.position[1] - b.position[1];
        const float d2 = dx * dx + dy * dy;
        if ((int)(1000.0f * d2) == 0) {
            pendingScore = 1500;
            p.position[0] = ScreenXToWorld((float)RandomInt(-w / 2, w / 2));
            p.position[1] = ScreenYToWorld((float)RandomInt(-h / 2, h / 2));
            p.velocity[0] = b.velocity[0];
            p.velocity[1] = b.velocity[1];
        } else {
            const float pull = BUMPER_STRENGTH * (p.scale[0] * BUMPER_SIZE_FACTOR) / d2;
            if (rand() % 2 == 0) {
                const float m = ballSpeed / 200.0f * 2.5f;
                b.velocity[0] += pull * dx;
                b.velocity[1] += pull * dy;
                if (b.velocity[0] > m) b.velocity[0] = m;
                if (b.velocity[0] < -m) b.velocity[0] = -m;
                if (b.velocity[1] > m) b.velocity[1] = m;
                if (b.velocity[1] < -m) b.velocity[1] = -m;
            }
        }
        if (ship != ENTITY_NONE) {
            const int side = ContactSide(bumper, ship);
            if ((side == 4 && p.velocity[1] < 0) || (side == 3 && p.velocity[1] > 0)) {
                p.velocity[1] = -p.velocity[1];
                SteerOffShip(p, EntityTable[ship]);
            }
        }
    }
}

static void BounceOffBricks(int ball) {
    for (int n = 1;; n++) {
        const int brick = FindEntity(TYPE_BRICK, n);
        if (brick == ENTITY_NONE) break;
        HitBricksWithMissiles(brick);
        Entity& b = EntityTable[ball];
        if (!b.inUse) return;
        const int side = ContactSide(ball, brick);
        switch (side) {
        case 4:
            if (b.velocity[1] < 0) {
                b.velocity[1] = -b.velocity[1];
                b.spin[0] = -b.spin[0];
            }
            break;
        case 3:
            if (b.velocity[1] > 0) {
                b.velocity[1] = -b.velocity[1];
                b.spin[0] = -b.spin[0];
            }
            break;
        case 1:
            if (b.velocity[0] < 0) {
                b.velocity[0] = -b.velocity[0];
                b.spin[1] = -b.spin[1];
            }
            break;
        case 2:
            if (b.velocity[0] > 0) {
                b.velocity[0] = -b.velocity[0];
                b.spin[1] = -b.spin[1];
            }
            break;
        default:
            continue;
        }
        HitBrick(brick);
    }
}

void UpdateBalls() {
    if (!ballLaunched) return;
    const int ship = ShipSlot();
    if (FindEntity(MESH_BALL, 1) == ENTITY_NONE || ship == ENTITY_NONE) return;
    for (int n = 1; n <= MAX_COLLIDING_BALLS; n++) {
        const int ball = FindEntity(MESH_BALL, n);
        if (ball == ENTITY_NONE) continue;
        BounceOffShip(ball, ship);
        PullByBumpers(ball, ship);
        BounceOffBricks(ball);
    }
}

bool BallsLost() {
    return FindEntity(MESH_BALL, 1) == ENTITY_NONE;
}

// The stage's first ball; BuildStage and RespawnBall differ only in speed.
void SpawnStageBall(float v) {
    EntityTransform t;
    EntityLook look;
    DefaultTransform(&t);
    t.rotation[0] = (float)-ViewAngle;
    t.position[1] = ScreenYToWorld(-5.0f);
    t.scale[0] = t.scale[1] = t.scale[2] = 0.1f;
    t.spin[0] = 0.1f;
    t.spin[1] = 0.2f;
    t.velocity[0] = t.velocity[1] = v;
    SpawnEntity(MESH_BALL, t, *DefaultLook(&look));
}

void RespawnBall() {
    ballSpeed = 1.5f;
    capsuleSpeed = 1.5f;
    cannonShip = false;
    ballLaunched = false;
    SteerX = SteerY = 0;
    GameState = GS_PLAYING;
    SpawnStageBall(0.0075f);
}
