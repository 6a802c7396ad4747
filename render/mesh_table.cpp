// The ASCII scene reader and the table of the game's 64 meshes.
#include "render/render.h"
#include "render/render_local.h"

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

void MaterialTexturePath(int episodeNumber, const char* fileName, char out[MATERIAL_PATH_SIZE]) {
    if (episodeNumber < 0 || episodeNumber > 3) episodeNumber = 0;
    std::snprintf(out, MATERIAL_PATH_SIZE, "%s%s", EpisodeTextureDirs[episodeNumber], fileName);
}

namespace {

// The reader's view of the file being read.
struct AscReader {
    AscParse* parse;
    int vertexBase;
    bool skipMaterial; // the face before was dropped: its material goes nowhere
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
    AscParse* parse = reader->parse;
    if (!ok) parse->damaged = true; // kept anyway, so later indices still line up
    if (parse->vertices.size() >= MAX_MESH_VERTICES) {
        parse->damaged = true;
        return;
    }
    parse->vertices.push_back(v);
}

void ReadFace(AscReader* reader, const char* line) {
    long index[3] = {0, 0, 0};
    const char* cursor = line;
    bool ok = ReadIndexField(&cursor, 'A', &index[0]) && ReadIndexField(&cursor, 'B', &index[1]) &&
              ReadIndexField(&cursor, 'C', &index[2]);
    AscParse* parse = reader->parse;
    const long vertexCount = static_cast<long>(parse->vertices.size());
    // Checked before the object's base is added: strtol saturates, and the
    // sum would overflow.
    for (int c = 0; ok && c < 3; ++c) {
        ok = index[c] >= -reader->vertexBase && index[c] < vertexCount - reader->vertexBase;
        if (ok) index[c] += reader->vertexBase;
    }
    if (!ok || parse->faces.size() >= MAX_MESH_FACES) {
        parse->damaged = true;
        reader->skipMaterial = true;
        return;
    }
    MeshFace face;
    std::memset(&face, 0, sizeof(face));
    for (int c = 0; c < 3; ++c)
        face.vertex[c] = parse->vertices[static_cast<size_t>(index[c])];
    parse->faces.push_back(face);
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
        char path[MATERIAL_PATH_SIZE];
        MaterialTexturePath(episode, fileName, path);
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
    AscParse* parse = reader->parse;
    const char* open = std::strchr(line, '"');
    const char* close = open != nullptr ? std::strchr(open + 1, '"') : nullptr;
    if (close == nullptr) {
        parse->damaged = true;
        return;
    }
    const size_t nameLength = static_cast<size_t>(close - open - 1);
    // name + ".tga" must fit the 51 characters of a name field.
    if (nameLength + 4 > MATERIAL_NAME_SIZE - 1) {
        parse->damaged = true;
        return;
    }
    AscMaterialUse use;
    use.face = static_cast<int32_t>(parse->faces.size());
    std::memcpy(use.fileName, open + 1, nameLength);
    std::memcpy(use.fileName + nameLength, ".tga", 5);
    parse->materials.push_back(use);
}

} // namespace

void ParseAscMesh(std::FILE* file, AscParse* parse) {
    parse->vertices.clear();
    parse->faces.clear();
    parse->materials.clear();
    parse->damaged = false;
    AscReader reader = {parse, 0, false};
    char line[ASC_LINE_SIZE];
    while (std::fgets(line, sizeof(line), file) != nullptr) {
        if (StartsWith(line, "Material")) {
            ReadMaterial(&reader, line);
        } else if (StartsWith(line, "Vertex")) {
            if (!StartsWith(line, "Vertex list")) ReadVertex(&reader, line);
        } else if (StartsWith(line, "Face")) {
            if (!StartsWith(line, "Face list")) ReadFace(&reader, line);
        } else if (StartsWith(line, "Named object")) {
            reader.vertexBase = static_cast<int>(parse->vertices.size());
        }
    }
}

namespace {

// Puts a read file into slot meshId: its faces, and each material in the
// order the file named it, loaded from the current episode's directory.
void StoreAscMesh(const AscParse& parse, const char* name, int meshId) {
    Mesh& mesh = MeshTable[meshId];
    meshVertexCount = static_cast<int>(parse.vertices.size());
    std::memcpy(MeshVertexPool, parse.vertices.data(), parse.vertices.size() * sizeof(MeshVertex));
    mesh.faceCount = static_cast<int32_t>(parse.faces.size());
    std::memcpy(mesh.faces, parse.faces.data(), parse.faces.size() * sizeof(MeshFace));
    for (const AscMaterialUse& use : parse.materials) {
        const int texture = FindOrLoadMaterial(use.fileName, std::strlen(use.fileName));
        if (texture >= 0) mesh.materials[use.face] = texture;
    }
    if (parse.damaged) {
        char text[300];
        std::snprintf(text, sizeof(text), "%s: lines beyond the mesh tables or malformed, skipped",
                      name);
        logTagged("Error", text);
    }
}

// The main thread's reading space, kept from file to file.
AscParse MainParse;

} // namespace

void ReadAscMesh(std::FILE* file, const char* name, int meshId) {
    ParseAscMesh(file, &MainParse);
    StoreAscMesh(MainParse, name, meshId);
}

void LoadAscMesh(const char* fileName, int meshId) {
    if (meshId < 0 || meshId >= MAX_MESHES) return;
    meshVertexCount = 0;
    MeshTable[meshId].faceCount = 0;
    logTagged("Loading: ", fileName);
    bool opened = false;
    const AscParse* preloaded = FindPreloadedMesh(fileName, &opened);
    if (preloaded != nullptr && opened) {
        StoreAscMesh(*preloaded, fileName, meshId);
        return;
    }
    std::FILE* file = preloaded != nullptr ? nullptr : std::fopen(pathJoin(fileName), "r");
    if (file == nullptr) {
        logTagged("Impossible d'ouvrir le fichier:", fileName);
        return;
    }
    ReadAscMesh(file, fileName, meshId);
    std::fclose(file);
}

const MeshFile MeshFiles[MESH_FILE_COUNT] = {
    {"Mesh/playground.asc", MESH_PLAYGROUND},
    {"Mesh/brique1.asc", MESH_BRICK_FIRST},
    {"Mesh/brique2.asc", MESH_BRICK_FIRST + 1},
    {"Mesh/brique3.asc", MESH_BRICK_FIRST + 2},
    {"Mesh/brique4.asc", MESH_BRICK_FIRST + 3},
    {"Mesh/brique5.asc", MESH_BRICK_FIRST + 4},
    {"Mesh/brique6.asc", MESH_BRICK_FIRST + 5},
    {"Mesh/brique7.asc", MESH_BRICK_FIRST + 6},
    {"Mesh/brique8.asc", MESH_BRICK_FIRST + 7},
    {"Mesh/brique9.asc", MESH_BRICK_FIRST + 8},
    {"Mesh/brique10.asc", MESH_BRICK_FIRST + 9},
    {"Mesh/brique11.asc", MESH_BRICK_FIRST + 10},
    {"Mesh/brique12.asc", MESH_BRICK_FIRST + 11},
    {"Mesh/boule.asc", MESH_BALL},
    {"Mesh/boule.asc", MESH_BALL_SECOND},
    {"Mesh/bumper.asc", MESH_BUMPER},
    {"Mesh/orvi.asc", MESH_LOGO},
    {"Mesh/menubox.asc", MESH_MENU_BOX},
    {"Mesh/arcade.asc", MESH_ARCADE},
    {"Mesh/jungle.asc", MESH_JUNGLE},
    {"Mesh/ocean.asc", MESH_OCEAN},
    {"Mesh/street.asc", MESH_STREET},
    {"Mesh/raquette.asc", MESH_SHIP},
    {"Mesh/raquette_fire.asc", MESH_SHIP_CANNONS},
    {"Mesh/missile.asc", MESH_MISSILE},
    {"Mesh/select.asc", MESH_SELECTOR},
    {"Mesh/bonus1.asc", MESH_BONUS_FIRST},
    {"Mesh/bonus2.asc", MESH_BONUS_FIRST + 1},
    {"Mesh/bonus3.asc", MESH_BONUS_FIRST + 2},
    {"Mesh/bonus4.asc", MESH_BONUS_FIRST + 3},
    {"Mesh/bonus5.asc", MESH_BONUS_FIRST + 4},
    {"Mesh/bonus6.asc", MESH_BONUS_FIRST + 5},
    {"Mesh/bonus7.asc", MESH_BONUS_FIRST + 6},
    {"Mesh/bonus8.asc", MESH_BONUS_FIRST + 7},
    {"Mesh/bonus9.asc", MESH_BONUS_FIRST + 8},
    {"Mesh/plaque.asc", MESH_PLATE},
    // A second load on purpose: each load resets the slot, so it keeps one copy.
    {"Mesh/bumper.asc", MESH_BUMPER},
    {"Mesh/splash.asc", MESH_SPLASH},
    {"Mesh/cursor.asc", MESH_CURSOR},
};

void LoadMeshTable() {
    ClearEntities();
    LoadTextures();
    for (const MeshFile& mesh : MeshFiles)
        LoadAscMesh(mesh.fileName, mesh.meshId);
}
