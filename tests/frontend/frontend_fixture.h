// Shared set-up of the front-end tests: small square meshes in the mesh
// table, so the real spawn and overlap code runs without the data tree.
#pragma once

#include <cstring>
#include <initializer_list>

#include "frontend/frontend.h"
#include "gameplay/entity.h"
#include "render/render.h"

namespace frontendtest {

// A flat square of two faces facing the eye, half side `half` in mesh units
// (80 per world unit), with `texture`; its corners span the texture, or all
// sit at texture coordinate (0, 0) when `flatUv`.
inline void MakeSquareMesh(int mesh, float half, int texture = 0, bool flatUv = false) {
    Mesh& m = MeshTable[mesh];
    m.faceCount = 2;
    const float u1 = flatUv ? 0.0f : 1.0f;
    const MeshVertex a = {-half, -half, 0, 0, 0}, b = {half, -half, 0, u1, 0},
                     c = {half, half, 0, u1, u1}, d = {-half, half, 0, 0, u1};
    m.faces[0] = MeshFace{};
    m.faces[1] = MeshFace{};
    m.faces[0].vertex[0] = a;
    m.faces[0].vertex[1] = b;
    m.faces[0].vertex[2] = c;
    m.faces[1].vertex[0] = a;
    m.faces[1].vertex[1] = c;
    m.faces[1].vertex[2] = d;
    m.materials[1] = m.materials[2] = texture;
}

// Every mesh the menus spawn, the cursor tiny so it points at one spot,
// and the cameras as start-up sets them: the pointer is judged through the
// menu camera.
inline void MakeMenuMeshes() {
    InitCamerasForViewAngle(0);
    MakeSquareMesh(MESH_CURSOR, 0.4f);
    for (int mesh : {MESH_MENU_BOX, MESH_ARCADE, MESH_JUNGLE, MESH_OCEAN, MESH_STREET,
                     MESH_SELECTOR, MESH_PLATE})
        MakeSquareMesh(mesh, 40.0f);
    for (int mesh = MESH_BONUS_FIRST; mesh <= MESH_BONUS_LAST; mesh++)
        MakeSquareMesh(mesh, 4.0f);
}

// Moves the cursor object to where it is seen over an object's centre (it
// floats in front of it), or far out of sight with slot 0.
inline void PointAt(int slot) {
    const int cursor = FindEntity(TYPE_CURSOR, 1);
    if (cursor == ENTITY_NONE) return;
    float* at = EntityTable[cursor].position;
    float x = 0, y = 0, world[3];
    if (slot > 0 && WorldToScreen(EntityTable[slot].position, &x, &y) &&
        ScreenToWorld(x, y, at[2], world)) {
        at[0] = world[0];
        at[1] = world[1];
    } else {
        at[0] = at[1] = 9.0f;
    }
}

inline const float* TintOf(int slot) {
    return EntityTable[slot].faces[0].tint;
}

} // namespace frontendtest
