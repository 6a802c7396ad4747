// The whole data tree as the game loads it, into a real GL window: every
// episode's complete reload must succeed within the texture table.
#include "gameplay/gameplay.h"
#include "platform/platform.h"
#include "render/render.h"
#include "tests/assetgen/asset_checks.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace assetcheck;

namespace {

using assetcheck::GameFile;

int DistinctMaterials() {
    std::set<std::string> names;
    for (const std::string& mesh : MeshFileNames()) {
        std::string text;
        if (!k3dtest::ReadWholeFile(GameFile("Mesh/" + mesh), &text)) continue;
        for (const AscFace& f : ParseAsc(text).faces)
            names.insert(f.material);
    }
    return static_cast<int>(names.size());
}

TEST(LoadedData, EveryEpisodeReloadsCompletelyIntoGlTextures) {
    static KWindow* window = nullptr;
    if (window == nullptr) {
        ASSERT_TRUE(initVideo()) << "no display: run under xvfb-run";
        window = createWindowObject(true, true);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(window->createWindow(640, 480, 32, true, "K3D data test"))
            << "no GL window: run under xvfb-run";
    }
    const int materials = DistinctMaterials();
    ASSERT_GT(materials, 30);
    for (int ep = 0; ep < 4; ++ep) {
        episode = ep;
        LoadMeshTable();
        // A refused file hands out no index, so the count shows every load worked.
        EXPECT_EQ(textureCount, 10 + materials) << EpisodeDirNames[ep];
        EXPECT_EQ(FontTexture, 1);
        std::set<uint32_t> names;
        for (int t = 1; t <= textureCount; ++t) {
            EXPECT_NE(TextureNames[t], 0u) << EpisodeDirNames[ep] << " texture " << t;
            names.insert(TextureNames[t]);
        }
        EXPECT_EQ(static_cast<int>(names.size()), textureCount);
        // Every mesh the game spawns has faces, and all of them a texture.
        const int ids[] = {1,  2,  3,  4,  5,  7,  8,  9,  10, 11, 12, 13, 14,
                           15, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34,
                           36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47};
        for (int id : ids) {
            const Mesh& m = MeshTable[id];
            EXPECT_GT(m.faceCount, 0) << "mesh " << id;
            for (int f = 0; f < m.faceCount; ++f) {
                int tex = m.materials[f + 1];
                EXPECT_TRUE(tex > 10 && tex <= textureCount) << "mesh " << id << " face " << f;
            }
        }
        EXPECT_EQ(MeshTable[2].faceCount, MeshTable[23].faceCount);
    }
    episode = 0;
}

} // namespace
