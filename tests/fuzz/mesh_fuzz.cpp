// The ASCII mesh reader on arbitrary text. Whatever it accepts stays within
// the tables: counts within their limits, every face corner a copy of a
// vertex read from this file, and material entries only up to the last face.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>

#include "gameplay/gameplay.h"
#include "platform/platform.h"
#include "render/render.h"

namespace {

const int FuzzSlot = 60; // never loaded by the game

void resetTables() {
    meshVertexCount = 0;
    textureCount = 0;
    Mesh& mesh = MeshTable[FuzzSlot];
    mesh.faceCount = 0;
    std::memset(mesh.materials, 0, sizeof(mesh.materials));
    for (MaterialTexture& slot : MaterialTextureTable) {
        slot.inUse = 0;
        std::memset(slot.name, ' ', MATERIAL_NAME_BLANKS);
    }
}

std::string VertexKey(const MeshVertex& v) {
    return std::string(reinterpret_cast<const char*>(&v), sizeof(v));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Material textures are looked up under a directory that does not exist,
    // so every one is refused quickly and the reader goes on.
    static bool once = false;
    if (!once) {
        SetExeDirectory("/nonexistent/k3d-mesh-fuzz");
        once = true;
    }
    resetTables();
    episode = size ? data[0] % 4 : 0;

    // A heap copy of exactly size bytes, so ASan sees any overread.
    char* text = static_cast<char*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(text, data, size);
    std::FILE* file = size ? fmemopen(text, size, "r") : nullptr;
    if (file == nullptr) {
        std::free(text);
        return 0;
    }
    ReadAscMesh(file, "fuzz.asc", FuzzSlot);
    std::fclose(file);
    std::free(text);

    const Mesh& mesh = MeshTable[FuzzSlot];
    if (meshVertexCount < 0 || meshVertexCount > MAX_MESH_VERTICES) __builtin_trap();
    if (mesh.faceCount < 0 || mesh.faceCount > MAX_MESH_FACES) __builtin_trap();
    if (mesh.faceCount > 0 && meshVertexCount == 0) __builtin_trap();

    std::unordered_set<std::string> read;
    for (int i = 0; i < meshVertexCount; ++i)
        read.insert(VertexKey(MeshVertexPool[i]));
    for (int f = 0; f < mesh.faceCount; ++f)
        for (const MeshVertex& corner : mesh.faces[f].vertex)
            if (read.count(VertexKey(corner)) == 0) __builtin_trap();

    // Entry f + 1 belongs to face f; a material can only follow a kept face
    // (or none), so nothing past faceCount is written.
    for (int m = 0; m < MAX_MESH_MATERIALS; ++m) {
        const int32_t texture = mesh.materials[m];
        if (m > mesh.faceCount && texture != 0) __builtin_trap();
        if (texture < 0 || texture >= MAX_TEXTURES) __builtin_trap();
    }
    return 0;
}
