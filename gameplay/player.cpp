// The player's side: ship, missiles, score roll, stage clock.
#include "gameplay/gameplay_local.h"

#include "audio/sound_bank.h"
#include "shell/shell.h"
#include "shell/steering.h"

int32_t score = 0;
int32_t pendingScore = 0;
int32_t combo = 0;
int32_t lives = START_LIVES;
int32_t currentStage = 1;
bool cannonShip = false;
bool flyingShip = false;
int32_t missileCooldown = 0;
bool stageClockRunning = false;
int32_t stageStart = 0;
int32_t stageTime = 0;
int32_t bestStageTime = 10000000;

bool IsDelirium() {
    return BonusChanceDivisor == DELIRIUM_DIVISOR;
}

void PlayEffect(int sfx) {
    if (sfx > 0 && sfx <= SOUND_EFFECT_COUNT) PlaySoundEffect(SoundBank.effects[sfx]);
}

int ShipSlot() {
    return FindEntity(cannonShip ? MESH_SHIP_CANNONS : MESH_SHIP, 1);
}

void UpdateShip() {
    const int ship = ShipSlot();
    if (ship != ENTITY_NONE) {
        EntityTable[ship].position[0] = ScreenXToWorld((float)SteerX);
        if (flyingShip) EntityTable[ship].position[1] = ScreenYToWorld((float)-SteerY);
    }
    CatchCapsules(ship);
}

void ScaleShipWidth(int ship, float factor) {
    if (ship == ENTITY_NONE) return;
    float& sx = EntityTable[ship].scale[0];
    sx *= factor;
    if (sx < 0.2f) sx = 0.2f;
}

static EntityTransform TransformOf(const Entity& e) {
    EntityTransform t;
    for (int i = 0; i < 3; i++) {
        t.rotation[i] = e.rotation[i];
        t.position[i] = e.position[i];
        t.scale[i] = e.scale[i];
        t.spin[i] = e.spin[i];
        t.velocity[i] = e.velocity[i];
        t.growth[i] = e.growth[i];
    }
    return t;
}

// Replaces the ship of mesh `from` by one of mesh `to` with the same placement.
static void SwapShip(int from, int to) {
    const int old = FindEntity(from, 1);
    if (old == ENTITY_NONE) return;
    const EntityTransform t = TransformOf(EntityTable[old]);
    KillEntity(old);
    EntityLook look;
    SpawnEntity(to, t, *DefaultLook(&look));
}

int SwitchToCannonShip() {
    if (!cannonShip && FindEntity(MESH_SHIP, 1) != ENTITY_NONE) {
        SwapShip(MESH_SHIP, MESH_SHIP_CANNONS);
        cannonShip = true;
    }
    return FindEntity(MESH_SHIP_CANNONS, 1);
}

int SwitchToNormalShip() {
    if (cannonShip && FindEntity(MESH_SHIP_CANNONS, 1) != ENTITY_NONE) {
        SwapShip(MESH_SHIP_CANNONS, MESH_SHIP);
        cannonShip = false;
    }
    return FindEntity(MESH_SHIP, 1);
}

void FireMissile() {
    if (!cannonShip) return;
    if (missileCooldown != 0) {
        missileCooldown = (int32_t)(missileCooldown - FrameMs * 0.05);
        if (missileCooldown < 0) missileCooldown = 0;
        return;
    }
    const int ship = FindEntity(MESH_SHIP_CANNONS, 1);
    if (ship == ENTITY_NONE) return;
    missileCooldown = 4;
    EntityTransform t;
    EntityLook look;
    DefaultTransform(&t);
    t.rotation[0] = -90.0f;
    t.position[0] = EntityTable[ship].position[0];
    t.position[1] = EntityTable[ship].position[1];
    t.velocity[1] = 0.035f;
    SpawnEntity(MESH_MISSILE, t, *DefaultLook(&look));
    PlayEffect(SFX_LASER);
}

void RollScore() {
    if (pendingScore == 0) return;
    // A negative pending amount would never reach 0 by these steps.
    if (pendingScore < 0) {
        pendingScore = 0;
        return;
    }
    int32_t step;
    if (pendingScore > 1000000)
        step = 1000000;
    else if (pendingScore > 100000)
        step = 100000;
    else if (pendingScore > 10000)
        step = 10000;
    else if (pendingScore > 1000)
        step = 1000;
    else if (pendingScore > 100)
        step = 100;
    else if (pendingScore >= 11)
        step = 10;
    else
        step = 1;
    score += step;
    pendingScore -= step;
}

int32_t StageTime() {
    return (int32_t)(GameClockMs() - stageStart);
}
