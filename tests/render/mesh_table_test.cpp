// The ASCII mesh reader and the mesh table: line classes, objects, materials,
// the 39 loads, and input beyond the tables.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gameplay/entity.h"
#include "gameplay/gameplay.h"
#include "render/render.h"
#include "tests/render/render_fixtures.h"

using rendertest::CapturedLog;
using rendertest::FromGameDir;

namespace {

const int TEST_SLOT = 60; // never loaded by the game

class MeshReader : public ::testing::Test {
  protected:
    void SetUp() override {
        episode = 0;
        textureCount = 0;
        for (MaterialTexture& slot : MaterialTextureTable) {
            slot.inUse = 0;
            std::memset(slot.name, ' ', MATERIAL_NAME_BLANKS);
        }
        for (int& m : MeshTable[TEST_SLOT].materials)
            m = 0;
    }

    // Writes text as a mesh file and reads it into TEST_SLOT.
    void Load(const std::string& text, int slot = TEST_SLOT) {
        ASSERT_TRUE(k3dtest::WriteWholeFile(dir.file("m.asc"), text));
        LoadAscMesh(FromGameDir(dir.file("m.asc")).c_str(), slot);
    }

    k3dtest::TempDir dir;
};

std::string Vertex(int n, float x, float y, float z, float u, float v) {
    char line[120];
    std::snprintf(line, sizeof(line), "Vertex %d:  X:%.4f Y:%.4f Z:%.4f U:%.4f V:%.4f\n", n, x, y,
                  z, u, v);
    return line;
}

std::string Face(int n, int a, int b, int c) {
    char line[120];
    std::snprintf(line, sizeof(line), "Face %d:    A:%d B:%d C:%d AB:1 BC:1 CA:0\n", n, a, b, c);
    return line;
}

const std::string HEADER = "Ambient light color: Red=0.3 Green=0.3 Blue=0.3\n\n";

} // namespace

TEST_F(MeshReader, SecondObjectIndicesAreRelativeToItsOwnVertices) {
    Load(
        HEADER + "Named object: \"a\"\nTri-mesh, Vertices: 3     Faces: 1\nVertex list:\n" +
        Vertex(0, 1, 2, 3, 0.1f, 0.2f) + Vertex(1, 4, 5, 6, 0.3f, 0.4f) +
        Vertex(2, 7, 8, 9, 0.5f, 0.6f) + "Face list:\n" + Face(0, 0, 1, 2) +
        "Smoothing:  1\n\nNamed object: \"b\"\nTri-mesh, Vertices: 3     Faces: 1\nVertex list:\n" +
        Vertex(0, -1, -2, -3, 0.7f, 0.8f) + Vertex(1, -4, -5, -6, 0.9f, 1.0f) +
        Vertex(2, -7, -8, -9, 0.0f, 0.5f) + "Face list:\n" + Face(0, 2, 1, 0));
    const Mesh& mesh = MeshTable[TEST_SLOT];
    ASSERT_EQ(mesh.faceCount, 2) << "header lines make no faces";
    EXPECT_FLOAT_EQ(mesh.faces[0].vertex[0].x, 1.0f);
    EXPECT_FLOAT_EQ(mesh.faces[0].vertex[2].v, 0.6f);
    EXPECT_FLOAT_EQ(mesh.faces[1].vertex[0].x, -7.0f);
    EXPECT_FLOAT_EQ(mesh.faces[1].vertex[0].u, 0.0f);
    EXPECT_FLOAT_EQ(mesh.faces[1].vertex[1].y, -5.0f);
    EXPECT_FLOAT_EQ(mesh.faces[1].vertex[2].z, -3.0f);
    EXPECT_FLOAT_EQ(mesh.faces[1].vertex[2].u, 0.7f);
    EXPECT_EQ(meshVertexCount, 6);
}

TEST_F(MeshReader, MaterialAfterFaceFLandsInEntryFPlusOneAndIsSharedOnce) {
    CapturedLog log;
    const std::string body = HEADER + "Named object: \"a\"\n" + Vertex(0, 0, 0, 0, 0, 0) +
                             Vertex(1, 1, 0, 0, 1, 0) + Vertex(2, 0, 1, 0, 0, 1) +
                             "Material:\"boule\"\n" + Face(0, 0, 1, 2) + "Material:\"boule\"\n" +
                             Face(1, 2, 1, 0) + "Material:\"bumper\"";
    Load(body);
    const Mesh& mesh = MeshTable[TEST_SLOT];
    ASSERT_EQ(mesh.faceCount, 2);
    EXPECT_EQ(mesh.materials[0], 1) << "a material before the first face goes to entry 0";
    EXPECT_EQ(mesh.materials[1], 1);
    EXPECT_EQ(mesh.materials[2], 2) << "the last line of the file, with no line end";
    Load(body, TEST_SLOT + 1);
    EXPECT_EQ(MeshTable[TEST_SLOT + 1].materials[2], 2);
    EXPECT_EQ(textureCount, 2);
    EXPECT_EQ(log.countLinesWith("Loading:  Orvi/Arcade/boule.tga"), 1);
    EXPECT_EQ(log.countLinesWith("Loading:  Orvi/Arcade/bumper.tga"), 1);
    EXPECT_EQ(std::string(MaterialTextureTable[0].name, 9), "boule.tga");
    EXPECT_EQ(MaterialTextureTable[0].name[9], ' ');
    EXPECT_EQ(log.countLinesWith("Error"), 0) << log.text();
}

TEST_F(MeshReader, MaterialsComeFromTheCurrentEpisodeAndFailuresAreKept) {
    CapturedLog log;
    episode = 3;
    Load(Vertex(0, 0, 0, 0, 0, 0) + Face(0, 0, 0, 0) + "Material:\"street\"\n" + Face(1, 0, 0, 0) +
         "Material:\"no_such_texture\"\n" + Face(2, 0, 0, 0) + "Material:\"no_such_texture\"\n");
    const Mesh& mesh = MeshTable[TEST_SLOT];
    EXPECT_EQ(mesh.materials[1], 1);
    EXPECT_EQ(mesh.materials[2], TGA_FILE_NOT_FOUND);
    EXPECT_EQ(mesh.materials[3], TGA_FILE_NOT_FOUND);
    EXPECT_EQ(log.countLinesWith("Loading:  Orvi/Street/street.tga"), 1);
    EXPECT_EQ(log.countLinesWith("TGA_FILE_NOT_FOUND Orvi/Street/no_such_texture.tga"), 1)
        << "a failed name is not retried";
}

TEST_F(MeshReader, AFullMaterialTableAssignsNothing) {
    for (MaterialTexture& slot : MaterialTextureTable)
        slot.inUse = 1;
    MeshTable[TEST_SLOT].materials[1] = 42;
    CapturedLog log;
    Load(Vertex(0, 0, 0, 0, 0, 0) + Face(0, 0, 0, 0) + "Material:\"boule\"\n");
    EXPECT_EQ(MeshTable[TEST_SLOT].materials[1], 42);
    EXPECT_EQ(log.countLinesWith("Error Texture not loaded -> list full"), 1);
}

TEST_F(MeshReader, MissingFileLeavesNoFaces) {
    CapturedLog log;
    Load(Vertex(0, 0, 0, 0, 0, 0) + Face(0, 0, 0, 0));
    ASSERT_EQ(MeshTable[TEST_SLOT].faceCount, 1);
    const std::string missing = FromGameDir(dir.file("gone.asc"));
    LoadAscMesh(missing.c_str(), TEST_SLOT);
    EXPECT_EQ(MeshTable[TEST_SLOT].faceCount, 0);
    EXPECT_EQ(log.countLinesWith("Impossible d'ouvrir le fichier: " + missing), 1);
}

TEST_F(MeshReader, CrLfLinesAndLongLinesAreRead) {
    std::string longLine = "Smoothing: " + std::string(250, '1') + "\n";
    Load("Vertex 0:  X:1.5 Y:2.5 Z:3.5 U:0.25 V:0.75\r\n" + longLine +
         "Vertex 1:  X:1 Y:1 Z:1 U:1 V:1\r\nVertex 2:  X:2 Y:2 Z:2 U:2 V:2\r\n"
         "Face 0:    A:0 B:1 C:2 AB:1 BC:1 CA:1\r\n");
    const Mesh& mesh = MeshTable[TEST_SLOT];
    ASSERT_EQ(mesh.faceCount, 1);
    EXPECT_FLOAT_EQ(mesh.faces[0].vertex[0].z, 3.5f);
    EXPECT_FLOAT_EQ(mesh.faces[0].vertex[0].v, 0.75f);
}

TEST_F(MeshReader, InputBeyondTheTablesIsSkippedWithOneErrorLine) {
    // 600 vertices and 600 faces: the first 512 of each are kept.
    std::string text = "Named object: \"big\"\n";
    for (int i = 0; i < 600; ++i)
        text += Vertex(i, static_cast<float>(i), 0, 0, 0, 0);
    for (int i = 0; i < 600; ++i)
        text += Face(i, i % 500, 1, 2) + "Material:\"boule\"\n";
    CapturedLog log;
    Load(text);
    const Mesh& mesh = MeshTable[TEST_SLOT];
    EXPECT_EQ(meshVertexCount, MAX_MESH_VERTICES);
    EXPECT_EQ(mesh.faceCount, MAX_MESH_FACES);
    EXPECT_FLOAT_EQ(mesh.faces[511].vertex[0].x, 11.0f);
    EXPECT_EQ(mesh.materials[MAX_MESH_FACES], 1);
    EXPECT_EQ(log.countLinesWith("Error"), 1) << log.text();
}

TEST_F(MeshReader, MalformedLinesNeverReachPastTheTables) {
    CapturedLog log;
    Load(Vertex(0, 1, 1, 1, 1, 1) + Vertex(1, 2, 2, 2, 2, 2) +
         "Vertex 2:  X:3 Y:3 Z:3\n" +                    // no U and V: kept with u = v = 0
         Face(0, 0, 1, 2) + "Material:\"boule\"\n" +     // fine
         Face(1, 0, 1, 3) + "Material:\"bumper\"\n" +    // index past the vertices
         Face(2, -1, 0, 1) +                             // negative index
         "Face 3:    A:0 B:1 C:2\n" +                    // no blank after the last index: read
         "Face 4:    A:0 B:1\n" +                        // no C
         "Material:\"" + std::string(60, 'm') + "\"\n" + // name longer than the field
         "Material:\"unterminated\n" + "Vertex 3:  X:\n" + "Face 5:    A:");
    const Mesh& mesh = MeshTable[TEST_SLOT];
    ASSERT_EQ(mesh.faceCount, 2);
    EXPECT_FLOAT_EQ(mesh.faces[0].vertex[2].x, 3.0f);
    EXPECT_FLOAT_EQ(mesh.faces[0].vertex[2].u, 0.0f);
    EXPECT_FLOAT_EQ(mesh.faces[1].vertex[2].x, 3.0f);
    EXPECT_EQ(mesh.materials[1], 1);
    EXPECT_EQ(mesh.materials[2], 0) << "the dropped faces' materials went nowhere";
    EXPECT_EQ(mesh.materials[3], 0);
    EXPECT_EQ(log.countLinesWith("Loading:  Orvi/Arcade/bumper.tga"), 0);
    EXPECT_EQ(log.countLinesWith("Error"), 1) << log.text();
    EXPECT_NE(log.text().find("m.asc"), std::string::npos) << "the error names the file";
}

// Indices beyond what strtol can hold saturate; in a later object its base
// is added on top, which must refuse the face rather than wrap around.
TEST_F(MeshReader, IndicesPastTheLongRangeInALaterObjectAreRefused) {
    CapturedLog log;
    Load("Named object: \"a\"\n" + Vertex(0, 1, 1, 1, 0, 0) + Vertex(1, 2, 2, 2, 0, 0) +
         "Named object: \"b\"\n" + Vertex(0, 3, 3, 3, 0, 0) + Vertex(1, 4, 4, 4, 0, 0) +
         Vertex(2, 5, 5, 5, 0, 0) + "Face 0:    A:0 B:1 C:99999999999999999999999\n" +
         "Face 1:    A:-99999999999999999999999 B:0 C:1\n" +
         "Face 2:    A:0 B:1 C:-2\n" + // the vertex of object a, still in the pool
         Face(3, 2, 1, 0));
    const Mesh& mesh = MeshTable[TEST_SLOT];
    ASSERT_EQ(mesh.faceCount, 2);
    EXPECT_FLOAT_EQ(mesh.faces[0].vertex[2].x, 1.0f);
    EXPECT_FLOAT_EQ(mesh.faces[1].vertex[0].x, 5.0f);
    EXPECT_FLOAT_EQ(mesh.faces[1].vertex[2].x, 3.0f);
    EXPECT_EQ(log.countLinesWith("Error"), 1) << log.text();
}

// The messages of a log, without the time stamps and thread ids.
std::string LogMessages(const std::string& text) {
    std::string out;
    for (size_t at = text.find("\t- "); at != std::string::npos; at = text.find("\t- ", at + 1))
        out += text.substr(at, text.find('\n', at) - at) + "\n";
    return out;
}

TEST(MeshTable, TheThirtyNineLoadsFillTheirSlots) {
    // The start-up's preloaded load fills the tables and logs as a plain one.
    std::string preloadedLog;
    std::vector<char> preloadedTables(sizeof(MeshTable) + sizeof(MaterialTextureTable));
    {
        CapturedLog log;
        episode = 0;
        BeginPreloadingMeshTable();
        LoadMeshTable();
        EndPreloadingMeshTable();
        preloadedLog = LogMessages(log.text());
        std::memcpy(preloadedTables.data(), MeshTable, sizeof(MeshTable));
        std::memcpy(preloadedTables.data() + sizeof(MeshTable), MaterialTextureTable,
                    sizeof(MaterialTextureTable));
        std::memset(MeshTable, 0, sizeof(MeshTable));
    }
    CapturedLog log;
    episode = 0;
    EntityLook look;
    EntityTransform transform;
    SpawnEntity(MESH_BALL, *DefaultTransform(&transform), *DefaultLook(&look));
    LoadMeshTable();
    EXPECT_EQ(LogMessages(log.text()), preloadedLog);
    EXPECT_EQ(std::memcmp(preloadedTables.data(), MeshTable, sizeof(MeshTable)), 0);
    EXPECT_EQ(std::memcmp(preloadedTables.data() + sizeof(MeshTable), MaterialTextureTable,
                          sizeof(MaterialTextureTable)),
              0);
    EXPECT_EQ(CountLiveEntities(), 0) << "the reload starts from an empty scene";
    EXPECT_EQ(log.countLinesWith("Loading:  Mesh/"), 39);
    EXPECT_EQ(log.countLinesWith("Loading:  Mesh/boule.asc"), 2);
    EXPECT_EQ(log.countLinesWith("Loading:  Mesh/bumper.asc"), 2);
    EXPECT_EQ(log.countLinesWith("Error"), 0) << log.text();
    EXPECT_EQ(log.countLinesWith("TGA_"), 0) << log.text();
    EXPECT_EQ(log.countLinesWith("Impossible"), 0) << log.text();

    const int loaded[] = {1,  2,  3,  4,  5,  7,  8,  9,  10, 11, 12, 13, 14,
                          15, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34,
                          36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47};
    for (int id : loaded)
        EXPECT_GT(MeshTable[id].faceCount, 0) << "mesh " << id;
    const int empty[] = {0, 6, 16, 17, 18, 19, 20, 21, 22, 35, 48, 55, 63};
    for (int id : empty)
        EXPECT_EQ(MeshTable[id].faceCount, 0) << "mesh " << id;

    ASSERT_EQ(MeshTable[2].faceCount, MeshTable[23].faceCount);
    EXPECT_EQ(std::memcmp(MeshTable[2].faces, MeshTable[23].faces,
                          sizeof(MeshFace) * MeshTable[2].faceCount),
              0);
    // One load's worth of faces, not two.
    const int bumperFaces = MeshTable[MESH_BUMPER].faceCount;
    LoadAscMesh("Mesh/bumper.asc", MESH_BUMPER);
    EXPECT_EQ(MeshTable[MESH_BUMPER].faceCount, bumperFaces);
    // Materials follow the fixed textures.
    EXPECT_GT(MeshTable[MESH_PLAYGROUND].materials[1], 10);
    EXPECT_LT(textureCount, MAX_TEXTURES);
}
