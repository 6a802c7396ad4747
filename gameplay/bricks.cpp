// Bricks: the hit, the capsule it may release, the stage clear.
#include "gameplay/gameplay_local.h"

#include "audio/sound_bank.h"
#include "shell/shell.h"

void HitBrick(int slot) {
    if (slot <= 0 || slot >= MAX_ENTITIES) return;
    const int divisor = BonusChanceDivisor > 0 ? BonusChanceDivisor : 1;
    // Drawn before anything else, even for a brick that gives nothing.
    const int r = RandomInt(0, divisor + 1);
    Entity& brick = EntityTable[slot];
    for (int f = 0; f < brick.faceCount; f++) {
        if (brick.faces[f].additive) return; // already dissolving
        brick.faces[f].additive = 1;
    }
    EntityNumberingChanged();
    brick.life = 0.99f;
    if (r % divisor == 0) {
        const int kind = RandomInt(0, CAPSULE_KIND_COUNT);
        EntityTransform t;
        EntityLook look;
        DefaultTransform(&t);
        t.position[0] = brick.position[0];
        t.position[1] = brick.position[1];
        t.spin[0] = 3.0f;
        t.velocity[1] = -capsuleSpeed / 200.0f;
        SpawnEntity(MESH_BONUS_FIRST + kind, t, *DefaultLook(&look));
        PlayEffect(SFX_BONUS);
    }
    pendingScore = combo + 500;
    combo += 100;
    PlayEffect(SFX_BRIQUE1 + RandomInt(1, 5) - 1);
}

bool StageCleared() {
    for (int slot = 1; slot < MAX_ENTITIES; slot++)
        if (EntityTable[slot].inUse == 1 && EntityTable[slot].type == TYPE_BRICK) return false;
    return true;
}

void HitBricksWithMissiles(int brick) {
    for (int n = 1;; n++) {
        const int missile = FindEntity(TYPE_MISSILE, n);
        if (missile == ENTITY_NONE) break;
        if (EntitiesOverlap(brick, missile)) {
            KillEntity(missile);
            HitBrick(brick);
        }
    }
}
