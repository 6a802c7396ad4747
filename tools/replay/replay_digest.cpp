#include "tools/replay/replay_digest.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "gameplay/gameplay.h"
#include "scores/scores.h"
#include "shell/game_state.h"
#include "shell/steering.h"

namespace {

// FNV-1a, 64 bits, over the bytes of each value.
struct Hash {
    uint64_t h = 14695981039346656037ull;
    void bytes(const void* p, size_t n) {
        const unsigned char* b = static_cast<const unsigned char*>(p);
        for (size_t i = 0; i < n; ++i) {
            h ^= b[i];
            h *= 1099511628211ull;
        }
    }
    template <typename T> void add(const T& v) { bytes(&v, sizeof v); }
};

} // namespace

std::string GameDigest() {
    Hash h;
    int objects = 0;
    for (int slot = 1; slot < MAX_ENTITIES; ++slot) {
        const Entity& e = EntityTable[slot];
        if (e.inUse != 1) continue;
        objects++;
        h.add(slot);
        h.add(e.type);
        h.add(e.kind);
        h.add(e.life);
        h.add(e.faceCount);
        h.add(e.rotation);
        h.add(e.position);
        h.add(e.scale);
        h.add(e.spin);
        h.add(e.velocity);
        h.add(e.growth);
        const uint8_t additive = e.faceCount > 0 ? e.faces[0].additive : 0;
        h.add(additive);
    }
    const int32_t counters[] = {score,         pendingScore,    combo,      lives,
                                currentStage,  missileCooldown, stageTime,  bestStageTime,
                                SteerX,        SteerY,          NameCursor, (int32_t)ballLaunched,
                                (int32_t)cannonShip, (int32_t)flyingShip, (int32_t)stageClockRunning,
                                (int32_t)bricksSettling};
    h.add(counters);
    h.bytes(PlayerName, std::strlen(PlayerName));
    char line[160];
    std::snprintf(line, sizeof line,
                  "state=%d stage=%d lives=%d score=%d pending=%d objects=%d hash=%016" PRIx64,
                  GameState, currentStage, lives, score, pendingScore, objects, h.h);
    return line;
}
