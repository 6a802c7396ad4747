// The ASCII scene reader and the table of the game's 64 meshes.
#include "render/render.h"

#include "gameplay/entity.h"

#include <cstring>

Mesh MeshTable[MAX_MESHES];
MaterialTexture MaterialTextureTable[MAX_MATERIAL_SLOTS];
MeshVertex MeshVertexPool[MAX_MESH_VERTICES];
int meshVertexCount = 0;

const char* const EpisodeTextureDirs[4] = {"Orvi\\Arcade\\", "Orvi\\Jungle\\", "Orvi\\Ocean\\",
                                           "Orvi\\Street\\"};

void ReadAscMesh(std::FILE* file, const char* name, int meshId) {
    (void)file;
    (void)name;
    (void)meshId;
}

void LoadAscMesh(const char* fileName, int meshId) {
    (void)fileName;
    (void)meshId;
}

void LoadMeshTable() {
    ClearEntities();
}
