// The start-up preload: the pictures and meshes of the first mesh-table
// load read and decoded on a worker, while the main thread makes the window.
#include "render/render_local.h"

#include <malloc.h>

#include <cstring>
#include <new>
#include <string>

#include "gameplay/gameplay.h"
#include "platform/platform.h"

namespace {

struct PreloadedTarga {
    std::string path; // as LoadTarga is given it
    int code;
    TargaImage image;
    int32_t internalFormat;
    bool taken;
};

struct PreloadedMesh {
    std::string fileName; // as LoadAscMesh is given it
    bool opened;
    AscParse parse;
};

struct Preload {
    int episodeNumber;
    std::vector<PreloadedTarga> textures;
    std::vector<PreloadedMesh> meshes;
    LoaderJob job;
    bool waiting; // started on the loader and not yet waited for
};

// Never freed while the loader may still run it: a start-up that stops
// early leaves with the loader still at it.
Preload* Work = nullptr;

PreloadedMesh* FindMesh(Preload* work, const char* fileName) {
    for (PreloadedMesh& mesh : work->meshes)
        if (mesh.fileName == fileName) return &mesh;
    return nullptr;
}

void PreloadTarga(Preload* work, const char* path) {
    for (const PreloadedTarga& held : work->textures)
        if (held.path == path) return;
    PreloadedTarga texture;
    texture.path = path;
    char fullPath[MAX_PATH_CHARS];
    dataPathJoin(fullPath, path);
    texture.code = ReadTargaFile(fullPath, &texture.image);
    texture.internalFormat = texture.code == 0 ? TargaInternalFormat(texture.image) : 0;
    texture.taken = false;
    work->textures.push_back(texture);
}

// The worker: the fixed textures, then each mesh file once with the
// textures its materials name.
void PreloadFiles(void* data) {
    Preload* work = static_cast<Preload*>(data);
    for (const FixedTexture& fixed : FixedTextures)
        if (FixedTextureUploaded(fixed)) PreloadTarga(work, fixed.path);
    for (const MeshFile& file : MeshFiles) {
        if (FindMesh(work, file.fileName) != nullptr) continue;
        work->meshes.emplace_back();
        PreloadedMesh& mesh = work->meshes.back();
        mesh.fileName = file.fileName;
        char fullPath[MAX_PATH_CHARS];
        dataPathJoin(fullPath, file.fileName);
        std::FILE* stream = std::fopen(fullPath, "r");
        mesh.opened = stream != nullptr;
        if (stream == nullptr) continue;
        ParseAscMesh(stream, &mesh.parse);
        std::fclose(stream);
        for (const AscMaterialUse& use : mesh.parse.materials) {
            char path[MATERIAL_PATH_SIZE];
            MaterialTexturePath(work->episodeNumber, use.fileName, path);
            PreloadTarga(work, path);
        }
    }
}

void TrimHeaps(void*) {
    malloc_trim(0);
}

void WaitForWorker() {
    if (!Work->waiting) return;
    WaitLoaderJob(&Work->job);
    Work->waiting = false;
}

} // namespace

void BeginPreloadingMeshTable() {
    if (Work != nullptr) return;
    GetExeDirectory(); // the worker joins its paths to the directories found here
    Work = new (std::nothrow) Preload();
    if (Work == nullptr) return;
    Work->episodeNumber = episode;
    Work->job.run = PreloadFiles;
    Work->job.data = Work;
    Work->waiting = StartLoaderJob(&Work->job);
    if (!Work->waiting) {
        // No thread to spare: every load reads its own file.
        delete Work;
        Work = nullptr;
    }
}

void EndPreloadingMeshTable() {
    if (Work == nullptr) return;
    WaitForWorker();
    for (PreloadedTarga& texture : Work->textures)
        FreeTargaImage(&texture.image);
    delete Work;
    Work = nullptr;
    // What the worker allocated lies in its own heap, which does not give
    // freed pages back by itself; the loader gives them back when it is
    // through with the jobs before this one.
    static LoaderJob trim = {TrimHeaps, nullptr, false};
    static bool trimStarted = false;
    if (!trimStarted) trimStarted = StartLoaderJob(&trim);
}

bool TakePreloadedTarga(const char* path, TargaImage* image, int* code, int32_t* internalFormat) {
    if (Work == nullptr) return false;
    WaitForWorker();
    for (PreloadedTarga& texture : Work->textures) {
        if (texture.taken || texture.path != path) continue;
        texture.taken = true;
        *image = texture.image;
        texture.image.pixels = nullptr;
        *code = texture.code;
        *internalFormat = texture.internalFormat;
        return true;
    }
    return false;
}

const AscParse* FindPreloadedMesh(const char* fileName, bool* opened) {
    if (Work == nullptr) return nullptr;
    WaitForWorker();
    PreloadedMesh* mesh = FindMesh(Work, fileName);
    if (mesh == nullptr) return nullptr;
    *opened = mesh->opened;
    return &mesh->parse;
}
