// The ASCII scene reader and the table of the game's 64 meshes.
#include "render/render.h"

#include <cstdlib>
#include <cstring>

#include "gameplay/entity.h"
#include "gameplay/gameplay.h"
#include "platform/platform.h"
#include "shell/shell.h"

Mesh MeshTable[MAX_MESHES];
MaterialTexture MaterialTextureTable[MAX_MATERIAL_SLOTS];
MeshVertex MeshVertexPool[MAX_MESH_VERTICES];
int meshVertexCount = 0;

const char* const EpisodeTextureDirs[4] = {"Orvi/Arcade/", "Orvi/Jungle/", "Orvi/Ocean/",
                                           "Orvi/Street/"};

namespace {

// The reader's view of the file being read.
struct AscReader {
    const char* name;
    Mesh* mesh;
    int vertexBase;
    bool skipMaterial; // the face before was dropped: its material goes nowhere
    bool damaged;      // something was skipped; reported once per file
};

bool StartsWith(const char* line, const char* word) {
    return std::strncmp(line, word, std::strlen(word)) == 0;
}

// The value of a "K:value" field: the first capital key at or after from,
// the number two characters on (past the colon). Null when the key is missing
// or nothing follows it.
const char* FieldAfter(const char* from, char key) {
    const char* at = std::strchr(from, key);
    if (at == nullptr || at[1] == '\0' || at[2] == '\0') return nullptr;
    return at + 2;
}

bool ReadFloatField(const char** from, char key, float* out) {
    const char* text = FieldAfter(*from, key);
    if (text == nullptr) return false;
    char* end = nullptr;
    *out = std::strtof(text, &end);
    if (end == text) return false;
    *from = text;
    return true;
}

bool ReadIndexField(const char** from, char key, long* out) {
    const char* text = FieldAfter(*from, key);
    if (text == nullptr) return false;
    char* end = nullptr;
    *out = std::strtol(text, &end, 10);
    if (end == text) return false;
    *from = text;
    return true;
}

void ReadVertex(AscReader* reader, const char* line) {
    MeshVertex v = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    const char* cursor = line;
    bool ok = ReadFloatField(&cursor, 'X', &v.x) && ReadFloatField(&cursor, 'Y', &v.y) &&
              ReadFloatField(&cursor, 'Z', &v.z);
    ok = ok && ReadFloatField(&cursor, 'U', &v.u) && ReadFloatField(&cursor, 'V', &v.v);
    if (!ok) reader->damaged = true; // kept anyway, so later indices still line up
    if (meshVertexCount >= MAX_MESH_VERTICES) {
        reader->damaged = true;
        return;
    }
    MeshVertexPool[meshVertexCount++] = v;
}

void ReadFace(AscReader* reader, const char* line) {
    long index[3] = {0, 0, 0};
    const char* cursor = line;
    bool ok = ReadIndexField(&cursor, 'A', &index[0]) && ReadIndexField(&cursor, 'B', &index[1]) &&
              ReadIndexField(&cursor, 'C', &index[2]);
    // Checked before the object's base is added: strtol saturates, and the
    // sum would overflow.
    for (int c = 0; ok && c < 3; ++c) {
        ok = index[c] >= -reader->vertexBase && index[c] < meshVertexCount - reader->vertexBase;
        if (ok) index[c] += reader->vertexBase;
    }
    Mesh* mesh = reader->mesh;
    if (!ok || mesh->faceCount >= MAX_MESH_FACES) {
        reader->damaged = true;
        reader->skipMaterial = true;
        return;
    }
    MeshFace& face = mesh->faces[mesh->faceCount];
    for (int c = 0; c < 3; ++c)
        face.vertex[c] = MeshVertexPool[index[c]];
    ++mesh->faceCount;
    reader->skipMaterial = false;
}

// The material slot holding fileName, loading the texture on first use;
// -1 when the table is full.
int FindOrLoadMaterial(const char* fileName, size_t length) {
    for (int i = 0; i < MAX_MATERIAL_SLOTS; ++i) {
        const MaterialTexture& slot = MaterialTextureTable[i];
        if (slot.inUse && std::strncmp(slot.name, fileName, length) == 0) return slot.texture;
    }
    for (int i = 0; i < MAX_MATERIAL_SLOTS; ++i) {
        MaterialTexture& slot = MaterialTextureTable[i];
        if (slot.inUse) continue;
        slot.inUse = 1;
        std::memcpy(slot.name, fileName, length); // no terminator: the blank fill ends it
        int ep = episode;
        if (ep < 0 || ep > 3) ep = 0;
        char path[MATERIAL_NAME_SIZE + 16];
        std::snprintf(path, sizeof(path), "%s%s", EpisodeTextureDirs[ep], fileName);
        slot.texture = LoadTarga(path);
        return slot.texture;
    }
    logTagged("Error", "Texture not loaded -> list full");
    return -1;
}

void ReadMaterial(AscReader* reader, const char* line) {
    if (reader->skipMaterial) {
        reader->skipMaterial = false;
        return;
    }
    const char* open = std::strchr(line, '"');
    const char* close = open != nullptr ? std::strchr(open + 1, '"') : nullptr;
    if (close == nullptr) {
        reader->damaged = true;
        return;
    }
    const size_t nameLength = static_cast<size_t>(close - open - 1);
    char fileName[MATERIAL_NAME_SIZE];
    // name + ".tga" must fit the 51 characters of a name field.
    if (nameLength + 4 > MATERIAL_NAME_SIZE - 1) {
        reader->damaged = true;
        return;
    }
    std::memcpy(fileName, open + 1, nameLength);
    std::memcpy(fileName + nameLength, ".tga", 5);
    const int texture = FindOrLoadMaterial(fileName, nameLength + 4);
    if (texture < 0) return;
    reader->mesh->materials[reader->mesh->faceCount] = texture;
}

} // namespace

void ReadAscMesh(std::FILE* file, const char* name, int meshId) {
    AscReader reader = {name, &MeshTable[meshId], 0, false, false};
    char line[ASC_LINE_SIZE];
    while (std::fgets(line, sizeof(line), file) != nullptr) {
        if (StartsWith(line, "Material")) {
            ReadMaterial(&reader, line);
        } else if (StartsWith(line, "Vertex")) {
            if (!StartsWith(line, "Vertex list")) ReadVertex(&reader, line);
        } else if (StartsWith(line, "Face")) {
            if (!StartsWith(line, "Face list")) ReadFace(&reader, line);
        } else if (StartsWith(line, "Named object")) {
            reader.vertexBase = meshVertexCount;
        }
    }
    if (reader.damaged) {
        char text[300];
        std::snprintf(text, sizeof(text), "%s: lines beyond the mesh tables or malformed, skipped",
                      name);
        logTagged("Error", text);
    }
}

void LoadAscMesh(const char* fileName, int meshId) {
    if (meshId < 0 || meshId >= MAX_MESHES) return;
    meshVertexCount = 0;
    MeshTable[meshId].faceCount = 0;
    logTagged("Loading: ", fileName);
    std::FILE* file = std::fopen(pathJoin(fileName), "r");
    if (file == nullptr) {
        logTagged("Impossible d'ouvrir le fichier:", fileName);
        return;
    }
    ReadAscMesh(file, fileName, meshId);
    std::fclose(file);
}

void LoadMeshTable() {
    ClearEntities();
    LoadTextures();

    LoadAscMesh("Mesh/playground.asc", MESH_PLAYGROUND);
    char name[32];
    for (int n = 1; n <= 12; ++n) {
        std::snprintf(name, sizeof(name), "Mesh/brique%d.asc", n);
        LoadAscMesh(name, 35 + n);
    }
    LoadAscMesh("Mesh/boule.asc", MESH_BALL);
    LoadAscMesh("Mesh/boule.asc", MESH_BALL_SECOND);
    LoadAscMesh("Mesh/bumper.asc", MESH_BUMPER);
    LoadAscMesh("Mesh/orvi.asc", MESH_LOGO);
    LoadAscMesh("Mesh/menubox.asc", MESH_MENU_BOX);
    LoadAscMesh("Mesh/arcade.asc", MESH_ARCADE);
    LoadAscMesh("Mesh/jungle.asc", MESH_JUNGLE);
    LoadAscMesh("Mesh/ocean.asc", MESH_OCEAN);
    LoadAscMesh("Mesh/street.asc", MESH_STREET);
    LoadAscMesh("Mesh/raquette.asc", MESH_SHIP);
    LoadAscMesh("Mesh/raquette_fire.asc", MESH_SHIP_CANNONS);
    LoadAscMesh("Mesh/missile.asc", MESH_MISSILE);
    LoadAscMesh("Mesh/select.asc", MESH_SELECTOR);
    for (int n = 1; n <= 9; ++n) {
        std::snprintf(name, sizeof(name), "Mesh/bonus%d.asc", n);
        LoadAscMesh(name, 6 + n);
    }
    LoadAscMesh("Mesh/plaque.asc", MESH_PLATE);
    // A second load on purpose: each load resets the slot, so it keeps one copy.
    LoadAscMesh("Mesh/bumper.asc", MESH_BUMPER);
    LoadAscMesh("Mesh/splash.asc", MESH_SPLASH);
    LoadAscMesh("Mesh/cursor.asc", MESH_CURSOR);
}
