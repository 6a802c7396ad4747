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
        // The four episode backgrounds are drawn nowhere and stay out of GL.
        std::set<uint32_t> names;
        for (int t = 1; t <= textureCount; ++t) {
            if (t >= EpisodeBackground[0] && t <= EpisodeBackground[2]) continue;
            EXPECT_NE(TextureNames[t], 0u) << EpisodeDirNames[ep] << " texture " << t;
            names.insert(TextureNames[t]);
        }
        EXPECT_EQ(static_cast<int>(names.size()), textureCount - 4);
        // Every face of every mesh has one of the loaded material textures.
        for (int id = 0; id < MAX_MESHES; ++id)
            for (int f = 0; f < MeshTable[id].faceCount; ++f) {
                const int tex = MeshTable[id].materials[f + 1];
                EXPECT_TRUE(tex > 10 && tex <= textureCount) << "mesh " << id << " face " << f;
            }
    }
    episode = 0;
}

} // namespace
