// Internals shared by the render files: the mesh reader's result, the file
// halves of the texture and mesh loads, and the start-up preload that runs
// them on a worker.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "render/render.h"

enum { MATERIAL_PATH_SIZE = MATERIAL_NAME_SIZE + 16 };

// "Orvi/<episode>/<fileName>": where a mesh's material is loaded from.
void MaterialTexturePath(int episodeNumber, const char* fileName, char out[MATERIAL_PATH_SIZE]);

// A material line of a mesh file: the texture named for the faces from
// entry `face` of the materials table on.
struct AscMaterialUse {
    int32_t face;
    char fileName[MATERIAL_NAME_SIZE]; // "<material>.tga", terminated
};

// One mesh file as read, before anything reaches the tables or GL.
struct AscParse {
    std::vector<MeshVertex> vertices; // at most MAX_MESH_VERTICES
    std::vector<MeshFace> faces;      // at most MAX_MESH_FACES, corners only
    std::vector<AscMaterialUse> materials;
    bool damaged; // something was skipped; reported once when stored
};

// Reads the stream to its end. Touches no global, so a worker may call it.
void ParseAscMesh(std::FILE* file, AscParse* parse);

// Reads and converts a Targa file (a full path); 0 with image->pixels set,
// or the TGA_* code. Touches no global and logs nothing.
int ReadTargaFile(const char* fullPath, TargaImage* image);
// The GL internal format that keeps the image's look: RGB for an RGBA
// image whose every alpha is 255, else its own format.
int32_t TargaInternalFormat(const TargaImage& image);

// The fixed textures of LoadTextures and the mesh loads of LoadMeshTable,
// in load order. A fixed texture is seen on any screen, only on the intro
// (once a run), or on none (the episode backgrounds); one no screen will
// show takes its index but stays out of GL.
enum FixedTextureUse { SEEN_ANYWHERE, SEEN_IN_INTRO, SEEN_NOWHERE };
struct FixedTexture {
    const char* path;
    int* index; // where the loaded index goes
    FixedTextureUse use;
};
enum { FIXED_TEXTURE_COUNT = 10, MESH_FILE_COUNT = 39 };
extern const FixedTexture FixedTextures[FIXED_TEXTURE_COUNT];
// Whether LoadTextures puts the picture into GL now.
bool FixedTextureUploaded(const FixedTexture& fixed);
struct MeshFile {
    const char* fileName;
    int meshId;
};
extern const MeshFile MeshFiles[MESH_FILE_COUNT];

// ---------------------------------------------------------------------------
// Start-up preload (preload.cpp)
// ---------------------------------------------------------------------------

// The decoded file behind a LoadTarga of path, once: true with image (to be
// freed by the caller), code and internal format filled; false when the
// preload does not hold it and the file is to be read the usual way.
bool TakePreloadedTarga(const char* path, TargaImage* image, int* code, int32_t* internalFormat);
// The read mesh file behind a LoadAscMesh of fileName, or null. *opened
// is false when the file could not be opened.
const AscParse* FindPreloadedMesh(const char* fileName, bool* opened);
