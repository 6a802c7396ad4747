// The generator as a program: what it writes, that it writes the same bytes
// every time, and that it says so when it cannot write.
#include "tests/assetgen/asset_checks.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <set>

using namespace assetcheck;
using k3dtest::ReadWholeFile;
using k3dtest::TempDir;

namespace {

TEST(Generator, TwoRunsWriteTheSameTreeByteForByteAndNoTwoEffectsAlike) {
    TempDir a, b;
    ASSERT_EQ(RunGenerator(a.path()), 0);
    ASSERT_EQ(RunGenerator(b.path()), 0);
    std::vector<std::string> fa = ListFiles(a.path()), fb = ListFiles(b.path());
    ASSERT_EQ(fa, fb);
    std::set<std::string> effects;
    for (const std::string& rel : fa) {
        std::string x, y;
        ASSERT_TRUE(ReadWholeFile(a.file(rel), &x)) << rel;
        ASSERT_TRUE(ReadWholeFile(b.file(rel), &y)) << rel;
        EXPECT_TRUE(x == y) << rel << " differs between two runs";
        if (rel.rfind("Sample/", 0) == 0) {
            EXPECT_TRUE(effects.insert(x).second) << rel << " repeats another effect";
        }
    }
    EXPECT_GT(fa.size(), 150u);
    EXPECT_EQ(32u, effects.size());
}

TEST(Generator, WritesEveryFileTheGameLoads) {
    TempDir dir;
    ASSERT_EQ(RunGenerator(dir.path()), 0);
    std::vector<std::string> files = ListFiles(dir.path());
    std::set<std::string> have(files.begin(), files.end());
    for (const std::string& m : MeshFileNames())
        EXPECT_TRUE(have.count("Mesh/" + m)) << m;
    for (const std::string& t : FixedTextureNames())
        EXPECT_TRUE(have.count("Texture/" + t)) << t;
    EXPECT_TRUE(have.count("Orvi/episode.pak"));
    // Each episode directory holds the same set of material names.
    std::set<std::string> sets[4];
    for (const std::string& rel : files)
        for (int e = 0; e < 4; ++e) {
            std::string prefix = std::string("Orvi/") + EpisodeDirNames[e] + "/";
            if (rel.rfind(prefix, 0) == 0) sets[e].insert(rel.substr(prefix.size()));
        }
    EXPECT_FALSE(sets[0].empty());
    for (int e = 1; e < 4; ++e)
        EXPECT_EQ(sets[e], sets[0]) << EpisodeDirNames[e];
    EXPECT_EQ(MeshFileNames().size(), 37u);
}

TEST(Generator, FailsWithAStatusWhenTheDirectoryCannotBeWritten) {
    TempDir dir;
    // A plain file where the tree should go: nothing can be created below it.
    ASSERT_TRUE(k3dtest::WriteWholeFile(dir.file("blocked"), "x"));
    EXPECT_NE(RunGenerator(dir.file("blocked")), 0);
    // An empty argument must not scatter the tree over the root directory.
    EXPECT_NE(RunGenerator(""), 0);
    EXPECT_FALSE(k3dtest::FileExists("/Mesh"));
}

} // namespace
