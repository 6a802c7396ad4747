// Every generated Targa against the format rules the generator keeps, and
// the few pixel facts the drawing depends on.
#include "render/render.h"
#include "tests/assetgen/asset_checks.h"
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace assetcheck;
using k3dtest::ReadWholeFile;

namespace {

std::string GameDir() {
    return K3D_GAME_DIR;
}

bool PowerOfTwoUpTo512(int n) {
    for (int p = 2; p <= 512; p *= 2)
        if (n == p) return true;
    return false;
}

std::vector<std::string> AllTargas() {
    std::vector<std::string> out;
    for (const std::string& rel : ListFiles(GameDir()))
        if (rel.size() > 4 && rel.compare(rel.size() - 4, 4, ".tga") == 0 &&
            (rel.rfind("Texture/", 0) == 0 || rel.rfind("Orvi/", 0) == 0))
            out.push_back(rel);
    return out;
}

// Stricter than the loader, which the loaded-data test runs on every file.
TEST(TextureFiles, EveryTargaIsPlainBottomUpAndExactlyItsSize) {
    std::vector<std::string> files = AllTargas();
    ASSERT_GT(files.size(), 100u);
    for (const std::string& rel : files) {
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(GameDir() + "/" + rel, &bytes)) << rel;
        TargaHeader h;
        ASSERT_TRUE(ParseTargaHeader(bytes, &h)) << rel;
        EXPECT_EQ(h.colourMapType, 0) << rel;
        EXPECT_TRUE(h.imageType == 2 || h.imageType == 3) << rel;
        EXPECT_EQ(h.idLength, 0) << rel << ": pixels must start at byte 18";
        EXPECT_TRUE(PowerOfTwoUpTo512(h.width) && PowerOfTwoUpTo512(h.height)) << rel;
        EXPECT_TRUE(h.depth == 8 || h.depth == 24 || h.depth == 32) << rel;
        EXPECT_EQ(h.descriptor & 0x20, 0) << rel << ": stored bottom-up";
        EXPECT_EQ(bytes.size(), 18u + static_cast<size_t>(h.width) * h.height * (h.depth / 8))
            << rel;
    }
}

// The decoded alpha of picture pixel (x, y from the top) as the game sees it.
int DecodedAlpha(const std::string& rel, int x, int yFromTop) {
    std::string bytes;
    if (!ReadWholeFile(GameDir() + "/" + rel, &bytes)) return -1;
    TargaImage image;
    if (DecodeTarga(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &image) != 0)
        return -1;
    int row = image.height - 1 - yFromTop; // the first stored row is v = 0, the bottom
    int a = image.pixels[(static_cast<size_t>(row) * image.width + x) * 4 + 3];
    FreeTargaImage(&image);
    return a;
}

TEST(TextureFiles, AdditiveGlowsFadeOutAtTheirEdgesAndShineInTheMiddle) {
    // Bumper and cursor are drawn additively: black must turn transparent.
    for (const char* ep : EpisodeDirNames)
        for (const char* name : {"bumper", "cursor"}) {
            std::string rel = std::string("Orvi/") + ep + "/" + name + ".tga";
            std::string bytes;
            ASSERT_TRUE(ReadWholeFile(GameDir() + "/" + rel, &bytes));
            TargaHeader h;
            ASSERT_TRUE(ParseTargaHeader(bytes, &h));
            EXPECT_EQ(DecodedAlpha(rel, 0, 0), 0) << rel;
            EXPECT_GT(DecodedAlpha(rel, h.width / 2, h.height / 2), 150) << rel;
        }
}

TEST(TextureFiles, EpisodesLookDifferentAndBrickKindsDiffer) {
    // Mean colour of a picture, as a quick fingerprint.
    auto mean = [](const std::string& rel, int rgb[3]) {
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(GameDir() + "/" + rel, &bytes)) << rel;
        TargaHeader h;
        ASSERT_TRUE(ParseTargaHeader(bytes, &h));
        long sum[3] = {0, 0, 0};
        for (int y = 0; y < h.height; ++y)
            for (int x = 0; x < h.width; ++x) {
                uint8_t p[4];
                ASSERT_TRUE(TargaPixel(bytes, h, x, y, p));
                for (int c = 0; c < 3; ++c)
                    sum[c] += p[c];
            }
        for (int c = 0; c < 3; ++c)
            rgb[c] = static_cast<int>(sum[c] / (h.width * h.height));
    };
    auto distance = [](const int a[3], const int b[3]) {
        return std::abs(a[0] - b[0]) + std::abs(a[1] - b[1]) + std::abs(a[2] - b[2]);
    };
    int grounds[4][3];
    for (int e = 0; e < 4; ++e)
        mean(std::string("Orvi/") + EpisodeDirNames[e] + "/playground.tga", grounds[e]);
    for (int a = 0; a < 4; ++a)
        for (int b = a + 1; b < 4; ++b)
            EXPECT_GT(distance(grounds[a], grounds[b]), 20)
                << EpisodeDirNames[a] << " vs " << EpisodeDirNames[b];
    int bricks[12][3];
    for (int k = 0; k < 12; ++k)
        mean("Orvi/Arcade/brique" + std::to_string(k + 1) + ".tga", bricks[k]);
    for (int a = 0; a < 12; ++a)
        for (int b = a + 1; b < 12; ++b)
            EXPECT_GT(distance(bricks[a], bricks[b]), 30) << "brique" << a + 1 << " vs " << b + 1;
}

} // namespace
