// The object table: every 3D object of the game is one Entity, a placed copy
// of one mesh with its own faces, moved once per frame by UpdateEntity.
// No GL here: the gameplay rules include this header.
#pragma once

#include <cstdint>

#include "render/render.h"

enum {
    MAX_ENTITIES = 255,    // slots 0..254; slot 0 is never handed out
    ENTITY_NONE = 255,     // "no entity", returned by searches
    DRAW_LIST_EMPTY = 256, // an empty draw-list entry
    SINE_TABLE_SIZE = 360,
};

struct Entity {
    uint8_t inUse;
    uint32_t kind; // brick colour 0..11, bonus number 0..15, else the look's kind
    uint32_t type; // the mesh number, but 35 for bricks and 6 for capsules
    float life;    // 1.0 normal, <= 0.99 dissolving; alpha of additive faces
    int32_t faceCount;
    MeshFace* faces; // owned: allocated at spawn, freed at kill
    float rotation[3];
    float position[3];
    float scale[3];
    float spin[3];     // rotation change per time unit
    float velocity[3]; // position change per time unit (x and y only)
    float growth[3];   // scale change per time unit
    float boxMin[3];   // local box, mesh units / 80, always holding the origin
    float boxMax[3];
};

// The 18 placement values handed to SpawnEntity, in this order.
struct EntityTransform {
    float rotation[3];
    float position[3];
    float scale[3];
    float spin[3];
    float velocity[3];
    float growth[3];
};

// The appearance handed to SpawnEntity.
struct EntityLook {
    uint32_t kind;
    uint32_t texture; // 255 keeps each face's own texture
    uint8_t additive;
    float life;
    uint8_t flags[4]; // [0] and [1] turn on envMap, [3] is tinted
    float tint[3];
};

enum {
    LOOK_OWN_TEXTURE = 255,
};

// ---------------------------------------------------------------------------
// Process-wide state (written by entity_table.cpp only)
// ---------------------------------------------------------------------------
extern Entity EntityTable[MAX_ENTITIES];
extern int EntityDrawList[MAX_ENTITIES]; // slot numbers in draw order, 256 = empty
extern int liveEntityCount;
extern float SineTable[SINE_TABLE_SIZE]; // sine of each whole degree

// ---------------------------------------------------------------------------
// Operations
// ---------------------------------------------------------------------------

// A new object from mesh 0..63 in the first free slot 1..254. Nothing happens
// for a negative or out-of-range mesh, a full table or a failed allocation.
void SpawnEntity(int mesh, EntityTransform transform, EntityLook look);
// Frees the slot and rebuilds the draw list in slot order; 255 and free
// slots are ignored.
void KillEntity(int slot);
void KillAllEntities();
// KillAllEntities, then every list entry empty and every slot free.
void ClearEntities();
int CountLiveEntities();
// Slot of the n-th live entity (from 1) of that type, dissolving bricks not
// counted; 0 when n < 1, 255 when there are fewer.
int FindEntity(int type, int n);
// Called by whatever changes which entities FindEntity counts.
void EntityNumberingChanged();
// 1 when the world boxes of a and b overlap in x and y.
int EntitiesOverlap(int a, int b);
// Which side of a the box of b touches: 2 left edge inside, 1 right edge
// inside, 3 bottom edge inside, 4 overlap, else 0.
int ContactSide(int a, int b);
// Makes the faces additive, life 0.99 and the pending score 850.
void StartDissolve(int slot);
// One frame of motion: dissolve, spin, move, walls, top, bottom, growth.
void UpdateEntity(int slot);

EntityTransform* DefaultTransform(EntityTransform* out);
EntityLook* DefaultLook(EntityLook* out);

// 5.0 world units per screen width or height of the configured video mode.
float ScreenXToWorld(float px);
float ScreenYToWorld(float py);
float WorldToScreenY(float w);

// rand() % (hi - lo) + lo; lo when the range is empty.
int RandomInt(int lo, int hi);
void BuildSineTable();
