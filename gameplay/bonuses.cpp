// Bonus capsules: the catch and the nine effects, and the brick drift.
#include "gameplay/gameplay_local.h"

#include "audio/sound_bank.h"
#include "shell/shell.h"
#include "shell/steering.h"

bool bricksSettling = false;

const char* const CapsuleNames[CAPSULE_KIND_COUNT] = {
    "StopBriks",   "BulletShip", "FlyShip", "NormalShip", "ReduceShip",
    "EnlargeShip", "MultiBall",  "ScoreUp", "BigBalls",
};
const char* const CapsuleLogWords[CAPSULE_KIND_COUNT] = {
    "Bleu", "Jaune", "Gris", "Rouge", "Orange", "Vert", "Rose", nullptr, "Violet",
};

// Awards of the two effects that give their own amount; the catch's 850
// does not replace them (see ApplyCapsule).
static const int32_t SCORE_UP_AWARD = 12000;
static const int32_t MULTI_BALL_AWARD = 1234;

void ShakeBricks(int count) {
    for (int n = 1; n <= count; n++) {
        const int slot = FindEntity(TYPE_BRICK, n);
        if (slot == ENTITY_NONE) break;
        Entity& b = EntityTable[slot];
        for (int i = 0; i < 3; i++)
            b.scale[i] *= 2.0f;
        b.spin[0] = RandomInt(0, 10) * 0.1f;
        const int r = RandomInt(0, 10);
        b.velocity[0] = r / 10.0f;
        b.velocity[1] = 1.0f - b.velocity[0];
        b.velocity[0] *= 0.125f;
        b.velocity[1] *= 0.125f;
    }
}

void DriftBricks(float amount) {
    if (!IsDelirium()) return;
    bricksSettling = true;
    for (int n = 1;; n++) {
        const int slot = FindEntity(TYPE_BRICK, n);
        if (slot == ENTITY_NONE) break;
        EntityTable[slot].velocity[0] = -amount;
        EntityTable[slot].position[2] = SineTable[RandomInt(0, 360)];
    }
}

void StopBricks() {
    if (!IsDelirium()) return;
    for (int n = 1;; n++) {
        const int slot = FindEntity(TYPE_BRICK, n);
        if (slot == ENTITY_NONE) break;
        for (int i = 0; i < 3; i++)
            EntityTable[slot].velocity[i] = 0.0f;
    }
}

void ScaleBalls(float factor) {
    for (int n = 1;; n++) {
        const int slot = FindEntity(MESH_BALL, n);
        if (slot == ENTITY_NONE) break;
        for (int i = 0; i < 3; i++)
            EntityTable[slot].scale[i] *= factor;
    }
}

// Returns true when the loop went through every ball it collected.
static bool SplitBalls() {
    enum { MAX_SPLIT = MAX_ENTITIES };
    float px[MAX_SPLIT], py[MAX_SPLIT], vx[MAX_SPLIT], vy[MAX_SPLIT];
    int n = 0;
    for (int slot = 1; slot < MAX_ENTITIES; slot++) {
        const Entity& e = EntityTable[slot];
        if (e.inUse != 1 || e.type != MESH_BALL) continue;
        px[n] = e.position[0];
        py[n] = e.position[1];
        vx[n] = e.velocity[0];
        vy[n] = e.velocity[1];
        n++;
    }
    if (n >= 32) return false;
    int t = n;
    for (int i = 0; i < n; i++) {
        if (t > 30) return false;
        t += 2;
        EntityTransform tr;
        EntityLook look;
        DefaultTransform(&tr);
        DefaultLook(&look);
        tr.rotation[0] = (float)-ViewAngle;
        tr.position[0] = px[i];
        tr.position[1] = py[i];
        tr.scale[0] = tr.scale[1] = tr.scale[2] = 0.1f;
        tr.velocity[0] = -vx[i];
        tr.velocity[1] = vy[i];
        SpawnEntity(MESH_BALL, tr, look);
        tr.velocity[1] = -vy[i];
        SpawnEntity(MESH_BALL, tr, look);
    }
    return true;
}

void MultiBall() {
    if (SplitBalls()) pendingScore = MULTI_BALL_AWARD;
}

void SettleBricks() {
    if (!bricksSettling) return;
    bool changed = false;
    for (int n = 1;; n++) {
        const int slot = FindEntity(TYPE_BRICK, n);
        if (slot == ENTITY_NONE) break;
        float& z = EntityTable[slot].position[2];
        if (z < 0) {
            z += 0.01f;
            changed = true;
        } else if (z > 0) {
            z -= 0.01f;
            changed = true;
        }
        if (z > -0.01f && z < 0.01f) z = 0.0f;
    }
    if (!changed) bricksSettling = false;
}

void RemoveCapsules() {
    for (int i = 0; i < CAPSULE_KIND_COUNT; i++)
        KillEntity(FindEntity(TYPE_CAPSULE, 1));
}

// Applies one capsule's effect; returns the award it made itself, 0 if none.
static int32_t ApplyCapsule(int kind, int* ship) {
    switch (kind) {
    case CAPSULE_STOP_BRICKS:
        StopBricks();
        return 0;
    case CAPSULE_BULLET_SHIP:
        *ship = SwitchToCannonShip();
        ShakeBricks(5);
        PlayEffect(SFX_FALLING);
        return 0;
    case CAPSULE_FLY_SHIP:
        if (!flyingShip) {
            if (IsDelirium() && *ship != ENTITY_NONE) {
                SteerY = -(int)WorldToScreenY(EntityTable[*ship].position[1]);
                flyingShip = true;
            }
            PlayEffect(SFX_FLYING);
        }
        return 0;
    case CAPSULE_NORMAL_SHIP:
        *ship = SwitchToNormalShip();
        DriftBricks(0.01f);
        PlayEffect(SFX_MOVING);
        return 0;
    case CAPSULE_REDUCE_SHIP:
        ScaleShipWidth(*ship, 0.8f);
        PlayEffect(SFX_REDUCE);
        return 0;
    case CAPSULE_ENLARGE_SHIP:
        ScaleShipWidth(*ship, 1.5f);
        PlayEffect(SFX_ENLARGE);
        return 0;
    case CAPSULE_MULTI_BALL: {
        PlayEffect(SFX_MULTIBALL);
        const int32_t before = pendingScore;
        pendingScore = 0;
        MultiBall();
        const int32_t award = pendingScore;
        pendingScore = before;
        return award;
    }
    case CAPSULE_SCORE_UP:
        PlayEffect(SFX_LIFEUP);
        return SCORE_UP_AWARD;
    case CAPSULE_BIG_BALLS:
        ScaleBalls(2.0f);
        PlayEffect(SFX_BIGBALL);
        return 0;
    default:
        return 0;
    }
}

void CatchCapsules(int ship) {
    for (int n = 1; n < MAX_ENTITIES; n++) {
        const int c = FindEntity(TYPE_CAPSULE, n);
        if (c == ENTITY_NONE) break;
        if (ship == ENTITY_NONE || ContactSide(ship, c) == 0 || EntityTable[c].life <= 0.99f)
            continue;
        const int kind = (int)EntityTable[c].kind;
        const int32_t award = ApplyCapsule(kind, &ship);
        if (kind >= 0 && kind < CAPSULE_KIND_COUNT && CapsuleLogWords[kind])
            logTagged("BONUS: ", CapsuleLogWords[kind]);
        StartDissolve(c);
        // The effect's own award stands instead of the catch's 850.
        if (award != 0) pendingScore = award;
    }
}
