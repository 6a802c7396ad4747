// The object table: spawning, killing, searches, boxes and the shared motion.
#include "gameplay/entity.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "gameplay/gameplay.h"
#include "shell/shell.h"

Entity EntityTable[MAX_ENTITIES];
int EntityDrawList[MAX_ENTITIES];
int liveEntityCount = 0;
float SineTable[SINE_TABLE_SIZE];

namespace {

// Mesh coordinates are 80 times the world's.
const float MESH_UNITS_PER_WORLD = 80.0f;
const double PI = 3.14159265358979323846;
// What a started dissolve puts into the pending score.
const int DISSOLVE_AWARD = 850;

// The draw list starts empty, before any scene is built.
struct DrawListStart {
    DrawListStart() {
        for (int i = 0; i < MAX_ENTITIES; ++i)
            EntityDrawList[i] = DRAW_LIST_EMPTY;
    }
} drawListStart;

int RecountLive() {
    int count = 0;
    for (int slot = 0; slot < MAX_ENTITIES; ++slot) {
        if (EntityTable[slot].inUse == 1) ++count;
    }
    return count;
}

struct WorldBox {
    float minX, maxX, minY, maxY;
};

WorldBox BoxOf(const Entity& e) {
    WorldBox box;
    box.minX = e.boxMin[0] * e.scale[0] + e.position[0];
    box.maxX = e.boxMax[0] * e.scale[0] + e.position[0];
    box.minY = e.boxMin[1] * e.scale[1] + e.position[1];
    box.maxY = e.boxMax[1] * e.scale[1] + e.position[1];
    return box;
}

bool ValidSlot(int slot) {
    return slot >= 0 && slot < MAX_ENTITIES;
}

} // namespace

void SpawnEntity(int mesh, EntityTransform transform, EntityLook look) {
    if (mesh < 0 || mesh >= MAX_MESHES) return;
    int slot = 1;
    while (slot < MAX_ENTITIES && EntityTable[slot].inUse == 1)
        ++slot;
    if (slot >= MAX_ENTITIES) return;

    const Mesh& source = MeshTable[mesh];
    int faceCount = source.faceCount;
    if (faceCount < 0) faceCount = 0;
    if (faceCount > MAX_MESH_FACES) faceCount = MAX_MESH_FACES;
    MeshFace* faces = nullptr;
    if (faceCount > 0) {
        faces =
            static_cast<MeshFace*>(std::calloc(static_cast<size_t>(faceCount), sizeof(MeshFace)));
        if (faces == nullptr) return; // the slot stays free rather than half-built
    }

    Entity& e = EntityTable[slot];
    std::memset(&e, 0, sizeof(e));
    for (int axis = 0; axis < 3; ++axis) {
        e.boxMin[axis] = 0.0f;
        e.boxMax[axis] = 0.0f;
    }
    const uint8_t envMap = (look.flags[0] != 0 || look.flags[1] != 0) ? 1 : 0;
    for (int i = 0; i < faceCount; ++i) {
        MeshFace& face = faces[i];
        for (int c = 0; c < 3; ++c) {
            const MeshVertex& in = source.faces[i].vertex[c];
            MeshVertex& out = face.vertex[c];
            out.x = in.x / MESH_UNITS_PER_WORLD;
            out.y = in.y / MESH_UNITS_PER_WORLD;
            out.z = in.z / MESH_UNITS_PER_WORLD;
            out.u = in.u;
            out.v = in.v;
            const float p[3] = {out.x, out.y, out.z};
            for (int axis = 0; axis < 3; ++axis) {
                if (p[axis] < e.boxMin[axis]) e.boxMin[axis] = p[axis];
                if (p[axis] > e.boxMax[axis]) e.boxMax[axis] = p[axis];
            }
        }
        const int32_t texture = look.texture == LOOK_OWN_TEXTURE
                                    ? source.materials[i + 1]
                                    : static_cast<int32_t>(look.texture);
        face.texture = texture;
        face.texture2 = texture;
        face.additive = look.additive;
        face.lookFlag0 = look.flags[0];
        face.envMap = envMap;
        face.lookFlag2 = look.flags[2];
        face.tinted = look.flags[3];
        for (int k = 0; k < 3; ++k)
            face.tint[k] = look.tint[k];
    }
    e.faces = faces;
    e.faceCount = faceCount;
    e.inUse = 1;
    e.life = look.life;
    e.kind = look.kind;
    if (mesh >= MESH_BRICK_FIRST && mesh <= MESH_BRICK_LAST) {
        e.type = TYPE_BRICK;
        e.kind = static_cast<uint32_t>(mesh - MESH_BRICK_FIRST);
    } else if (mesh >= 7 && mesh <= 22) {
        e.type = TYPE_CAPSULE;
        e.kind = static_cast<uint32_t>(mesh - 7);
    } else {
        e.type = static_cast<uint32_t>(mesh);
    }
    for (int axis = 0; axis < 3; ++axis) {
        e.rotation[axis] = transform.rotation[axis];
        e.position[axis] = transform.position[axis];
        e.scale[axis] = transform.scale[axis];
        e.spin[axis] = transform.spin[axis];
        e.velocity[axis] = transform.velocity[axis];
        e.growth[axis] = transform.growth[axis];
    }

    // Position 0 is only ever filled by the rebuild after a kill.
    for (int pos = 1; pos < MAX_ENTITIES; ++pos) {
        if (EntityDrawList[pos] == DRAW_LIST_EMPTY) {
            EntityDrawList[pos] = slot;
            break;
        }
    }
    liveEntityCount = RecountLive();
    EntityNumberingChanged();
}

void KillEntity(int slot) {
    if (!ValidSlot(slot)) return;
    Entity& e = EntityTable[slot];
    if (e.inUse != 1) return;
    e.inUse = 0;
    std::free(e.faces);
    e.faces = nullptr;
    e.faceCount = 0;

    for (int pos = 0; pos < MAX_ENTITIES; ++pos)
        EntityDrawList[pos] = DRAW_LIST_EMPTY;
    int pos = 0;
    for (int s = 0; s < MAX_ENTITIES; ++s) {
        if (EntityTable[s].inUse == 1) EntityDrawList[pos++] = s;
    }
    liveEntityCount = RecountLive();
    EntityNumberingChanged();
}

void KillAllEntities() {
    for (int slot = 0; slot < MAX_ENTITIES; ++slot) {
        if (EntityTable[slot].inUse == 1) KillEntity(slot);
    }
}

void ClearEntities() {
    KillAllEntities();
    for (int i = 0; i < MAX_ENTITIES; ++i) {
        EntityDrawList[i] = DRAW_LIST_EMPTY;
        EntityTable[i].inUse = 0;
    }
    liveEntityCount = 0;
    EntityNumberingChanged();
}

int CountLiveEntities() {
    return RecountLive();
}

// The play loops ask for n = 1, 2, 3, ... of a type (and, for every brick,
// for the missiles): each answer counted from slot 1 would make them quadratic
// in the number of entities (31 balls over a full board of bricks). The last
// answer for each type is kept, and a later number of that type is counted on
// from it, as long as nothing that renumbers the entities (a spawn, a kill, a
// brick starting to dissolve) happened between. An answer of "none" for n
// stands for every number from n on.
static unsigned numberingGeneration = 1;
static struct {
    unsigned generation;
    int n, slot;
} lastFound[MAX_MESHES];

void EntityNumberingChanged() {
    ++numberingGeneration;
}

int FindEntity(int type, int n) {
    if (n < 1) return 0;
    int seen = 0;
    int first = 1;
    const bool kept = type >= 0 && type < MAX_MESHES;
    if (kept && lastFound[type].generation == numberingGeneration) {
        const auto& last = lastFound[type];
        if (last.slot == ENTITY_NONE) {
            if (n >= last.n) return ENTITY_NONE;
        } else if (last.n == n) {
            return last.slot;
        } else if (last.n < n) {
            seen = last.n;
            first = last.slot + 1;
        }
    }
    int found = ENTITY_NONE;
    for (int slot = first; slot < MAX_ENTITIES; ++slot) {
        const Entity& e = EntityTable[slot];
        if (e.inUse != 1 || e.type != static_cast<uint32_t>(type)) continue;
        if (e.type == TYPE_BRICK && e.faceCount > 0 && e.faces[0].additive) continue;
        if (++seen == n) {
            found = slot;
            break;
        }
    }
    if (kept) lastFound[type] = {numberingGeneration, n, found};
    return found;
}

int EntitiesOverlap(int a, int b) {
    if (!ValidSlot(a) || !ValidSlot(b)) return 0;
    const WorldBox A = BoxOf(EntityTable[a]);
    const WorldBox B = BoxOf(EntityTable[b]);
    return (B.minX < A.maxX && B.maxX > A.minX && B.minY < A.maxY && B.maxY > A.minY) ? 1 : 0;
}

int ContactSide(int a, int b) {
    if (!ValidSlot(a) || !ValidSlot(b)) return 0;
    const WorldBox A = BoxOf(EntityTable[a]);
    const WorldBox B = BoxOf(EntityTable[b]);
    const bool ySpans = B.minY < A.maxY && B.maxY > A.minY;
    const bool xSpans = B.minX < A.maxX && B.maxX > A.minX;
    if (A.minX < B.minX && B.minX < A.maxX && ySpans) return 2;
    if (A.minX < B.maxX && B.maxX < A.maxX && ySpans) return 1;
    if (A.minY < B.minY && B.minY < A.maxY && xSpans) return 3;
    if (A.maxY > B.minY && B.maxY > A.minY && A.maxX > B.minX && B.maxX > A.minX) return 4;
    return 0;
}

void StartDissolve(int slot) {
    if (!ValidSlot(slot)) return;
    Entity& e = EntityTable[slot];
    if (e.faceCount > 0 && e.faces != nullptr) {
        if (e.faces[0].additive) return;
        for (int i = 0; i < e.faceCount; ++i)
            e.faces[i].additive = 1;
        EntityNumberingChanged();
    }
    e.life = 0.99f;
    pendingScore = DISSOLVE_AWARD;
}

void UpdateEntity(int slot) {
    if (!ValidSlot(slot)) return;
    Entity& e = EntityTable[slot];
    const float k = FrameMs * 0.2f;

    if (e.life <= 0.99f) {
        if (e.type == TYPE_BRICK) {
            switch (e.kind % 3) {
            case 0:
                for (int i = 0; i < 3; ++i) {
                    e.scale[i] -= e.life * k * 0.009f;
                    if (e.scale[i] < 0.0f) e.scale[i] = 0.0f;
                }
                break;
            case 1:
                for (int i = 0; i < 3; ++i)
                    e.scale[i] += (1.0f - e.life) * k * 0.009f;
                break;
            default:
                for (int i = 0; i < 3; ++i)
                    e.scale[i] += (1.0f - e.life) * k * 0.06f;
                break;
            }
        }
        if (e.type == TYPE_BRICK || e.type == TYPE_CAPSULE) {
            if (e.type == TYPE_CAPSULE)
                for (int i = 0; i < 3; ++i)
                    e.scale[i] = 2.0f - e.life;
            e.life -= k * 0.007f;
            if (e.life <= 0.0f) {
                KillEntity(slot);
                return;
            }
        }
    }

    for (int i = 0; i < 3; ++i) {
        e.rotation[i] += e.spin[i] * k;
        if (e.rotation[i] < 0.0f)
            e.rotation[i] += 360.0f;
        else if (e.rotation[i] > 360.0f)
            e.rotation[i] -= 360.0f;
    }

    e.position[0] += e.velocity[0] * k;
    e.position[1] += e.velocity[1] * k;

    const float wall = ScreenXToWorld(ScreenWidth() / 1.9f);
    if ((e.position[0] < -wall && e.velocity[0] < 0.0f) ||
        (e.position[0] > wall && e.velocity[0] > 0.0f)) {
        e.velocity[0] = -e.velocity[0];
        e.spin[0] = -e.spin[0];
    }
    const float top = ScreenYToWorld(ScreenHeight() / 1.85f);
    const float bottom = ScreenYToWorld(ScreenHeight() / 1.6f);
    if (e.position[1] > top) {
        if (e.type == TYPE_MISSILE) {
            KillEntity(slot);
            return;
        }
        if (e.velocity[1] > 0.0f) {
            e.velocity[1] = -e.velocity[1];
            e.spin[1] = -e.spin[1];
        }
    } else if (e.position[1] < -bottom) {
        KillEntity(slot);
        return;
    }

    for (int i = 0; i < 3; ++i)
        e.scale[i] += e.growth[i] * k;
}

EntityTransform* DefaultTransform(EntityTransform* out) {
    std::memset(out, 0, sizeof(*out));
    for (int axis = 0; axis < 3; ++axis)
        out->scale[axis] = 1.0f;
    return out;
}

EntityLook* DefaultLook(EntityLook* out) {
    std::memset(out, 0, sizeof(*out));
    out->kind = 0;
    out->texture = LOOK_OWN_TEXTURE;
    out->additive = 0;
    out->life = 1.0f;
    for (int k = 0; k < 3; ++k)
        out->tint[k] = 1.0f;
    return out;
}

float ScreenXToWorld(float px) {
    return 5.0f * px / (float)ScreenWidth();
}
float ScreenYToWorld(float py) {
    return 5.0f * py / (float)ScreenHeight();
}
float WorldToScreenY(float w) {
    return (float)ScreenHeight() * (w / 5.0f);
}

int RandomInt(int lo, int hi) {
    // rand() % 0 would trap: an empty range gives its low end.
    if (hi <= lo) return lo;
    return std::rand() % (hi - lo) + lo;
}

void BuildSineTable() {
    for (int angle = 0; angle < SINE_TABLE_SIZE; ++angle) {
        SineTable[angle] = static_cast<float>(std::sin(angle * PI / 180.0));
    }
}
