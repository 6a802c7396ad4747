// The Targa reader: header checks and their codes, the pixel conversions, the
// index counter and the fixed texture set.
#include <gtest/gtest.h>

#include <SDL_opengl.h>

#include <cstring>

#include <sys/stat.h>

#include "render/render.h"
#include "tests/render/render_fixtures.h"

using rendertest::CapturedLog;
using rendertest::FromGameDir;
using rendertest::TargaBytes;

namespace {

std::vector<uint8_t> Filled(size_t n, uint8_t value) {
    return std::vector<uint8_t>(n, value);
}

int Decode(const std::string& bytes, TargaImage* image) {
    return DecodeTarga(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image);
}

// Writes bytes into dir and loads them through LoadTarga.
int LoadBytes(const k3dtest::TempDir& dir, const std::string& name, const std::string& bytes) {
    EXPECT_TRUE(k3dtest::WriteWholeFile(dir.file(name), bytes));
    return LoadTarga(FromGameDir(dir.file(name)).c_str());
}

} // namespace

TEST(TargaDecode, ConvertsEachDepth) {
    TargaImage image;
    // 32 bits: blue-green-red-alpha becomes red-green-blue-alpha.
    ASSERT_EQ(
        Decode(TargaBytes(2, 2, 2, 32, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}),
               &image),
        0);
    EXPECT_EQ(image.format, static_cast<uint32_t>(GL_RGBA));
    const uint8_t rgba[] = {3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 12, 15, 14, 13, 16};
    EXPECT_EQ(std::memcmp(image.pixels, rgba, sizeof(rgba)), 0);
    FreeTargaImage(&image);

    // 24 bits: swapped, then alpha from the brightness rule.
    ASSERT_EQ(Decode(TargaBytes(2, 2, 2, 24, {9, 0, 0, 3, 3, 4, 255, 255, 255, 0, 1, 8}), &image),
              0);
    EXPECT_EQ(image.format, static_cast<uint32_t>(GL_RGBA));
    const uint8_t expanded[] = {0, 0, 9, 0, 4, 3, 3, 2, 255, 255, 255, 255, 8, 1, 0, 0};
    EXPECT_EQ(std::memcmp(image.pixels, expanded, sizeof(expanded)), 0);
    FreeTargaImage(&image);

    // 8 bits: unchanged, an alpha texture, whatever the image type says.
    ASSERT_EQ(Decode(TargaBytes(2, 4, 2, 8, {0, 1, 2, 3, 4, 5, 6, 7}), &image), 0);
    EXPECT_EQ(image.format, static_cast<uint32_t>(GL_ALPHA));
    EXPECT_EQ(image.pixels[7], 7);
    FreeTargaImage(&image);

    // A grey-type image of depth 24 converts like a colour one.
    ASSERT_EQ(Decode(TargaBytes(3, 2, 2, 24, Filled(12, 200)), &image), 0);
    EXPECT_EQ(image.format, static_cast<uint32_t>(GL_RGBA));
    EXPECT_EQ(image.pixels[3], (600 ^ 2) / 3);
    FreeTargaImage(&image);
}

TEST(TargaDecode, RefusesBadHeadersWithTheirCodes) {
    TargaImage image;
    EXPECT_EQ(Decode(TargaBytes(10, 2, 2, 32, Filled(16, 0)), &image), TGA_BAD_IMAGE_TYPE); // RLE
    EXPECT_EQ(Decode(TargaBytes(1, 2, 2, 8, Filled(4, 0)), &image), TGA_BAD_IMAGE_TYPE);
    EXPECT_EQ(Decode(TargaBytes(2, 2, 2, 32, Filled(16, 0), 1), &image), TGA_BAD_IMAGE_TYPE);
    EXPECT_EQ(Decode(TargaBytes(2, 1024, 1024, 32, {}), &image), TGA_BAD_DIMENSION);
    EXPECT_EQ(Decode(TargaBytes(2, 1, 2, 32, Filled(8, 0)), &image), TGA_BAD_DIMENSION);
    EXPECT_EQ(Decode(TargaBytes(2, 6, 2, 32, Filled(48, 0)), &image), TGA_BAD_DIMENSION);
    EXPECT_EQ(Decode(TargaBytes(2, 2, 2, 16, Filled(8, 0)), &image), TGA_BAD_BITS);
    EXPECT_EQ(image.pixels, nullptr);

    ASSERT_EQ(Decode(TargaBytes(2, 512, 2, 32, Filled(512 * 2 * 4, 9)), &image), 0);
    EXPECT_EQ(image.width, 512);
    EXPECT_EQ(image.height, 2);
    FreeTargaImage(&image);
}

TEST(TargaDecode, TruncatedDataAndShortHeadersAreBadData) {
    TargaImage image;
    EXPECT_EQ(Decode(TargaBytes(2, 4, 4, 32, Filled(63, 0)), &image), TGA_BAD_DATA);
    EXPECT_EQ(Decode(TargaBytes(2, 4, 4, 24, Filled(47, 0)), &image), TGA_BAD_DATA);
    EXPECT_EQ(Decode(std::string(17, '\0'), &image), TGA_BAD_DATA);
    EXPECT_EQ(Decode(std::string(), &image), TGA_BAD_DATA);
    EXPECT_EQ(image.pixels, nullptr);
    // Extra bytes after the pixels are ignored.
    ASSERT_EQ(Decode(TargaBytes(2, 2, 2, 8, Filled(400, 1)), &image), 0);
    FreeTargaImage(&image);
}

TEST(TargaDecode, PixelsStartAfterTheImageId) {
    TargaImage image;
    ASSERT_EQ(Decode(TargaBytes(2, 2, 2, 8, {10, 11, 12, 13}, 0, "ident"), &image), 0);
    EXPECT_EQ(image.pixels[0], 10);
    EXPECT_EQ(image.pixels[3], 13);
    FreeTargaImage(&image);
    // The ID counts against the file size: too short now.
    EXPECT_EQ(Decode(TargaBytes(2, 2, 2, 8, {10, 11, 12}, 0, "x"), &image), TGA_BAD_DATA);
}

TEST(TargaLoad, CodesAreLoggedWithThePathAndIndexesCount) {
    k3dtest::TempDir dir;
    CapturedLog log;
    textureCount = 0;

    const std::string missing = FromGameDir(dir.file("none.tga"));
    EXPECT_EQ(LoadTarga(missing.c_str()), TGA_FILE_NOT_FOUND);
    EXPECT_EQ(log.countLinesWith("TGA_FILE_NOT_FOUND " + missing), 1);
    EXPECT_EQ(log.countLinesWith("Loading:  " + missing), 1);

    // A refusal of the decoder (each code is the decode tests') is logged too.
    const std::string rle = FromGameDir(dir.file("rle.tga"));
    EXPECT_EQ(LoadBytes(dir, "rle.tga", TargaBytes(10, 2, 2, 32, Filled(16, 0))),
              TGA_BAD_IMAGE_TYPE);
    EXPECT_EQ(log.countLinesWith("TGA_BAD_IMAGE_TYPE " + rle), 1);
    EXPECT_EQ(textureCount, 0) << "refused files take no index";

    const std::string good = TargaBytes(2, 2, 2, 24, Filled(12, 100));
    EXPECT_EQ(LoadBytes(dir, "a.tga", good), 1);
    EXPECT_EQ(LoadBytes(dir, "b.tga", good), 2);
    EXPECT_EQ(textureCount, 2);
}

TEST(TargaLoad, ReadOnlyFilesLoad) {
    k3dtest::TempDir dir;
    ASSERT_TRUE(k3dtest::WriteWholeFile(dir.file("ro.tga"), TargaBytes(2, 2, 2, 8, Filled(4, 1))));
    ASSERT_EQ(chmod(dir.file("ro.tga").c_str(), 0444), 0);
    textureCount = 0;
    EXPECT_EQ(LoadTarga(FromGameDir(dir.file("ro.tga")).c_str()), 1);
}

TEST(TargaLoad, TheSixtyFourthLoadIsRefusedNotWrittenPastTheTable) {
    k3dtest::TempDir dir;
    ASSERT_TRUE(k3dtest::WriteWholeFile(dir.file("t.tga"), TargaBytes(2, 2, 2, 8, Filled(4, 1))));
    const std::string path = FromGameDir(dir.file("t.tga"));
    textureCount = 0;
    for (int i = 1; i <= MAX_TEXTURES - 1; ++i)
        ASSERT_EQ(LoadTarga(path.c_str()), i);
    CapturedLog log;
    EXPECT_EQ(LoadTarga(path.c_str()), TGA_TABLE_FULL);
    EXPECT_EQ(textureCount, MAX_TEXTURES - 1);
    EXPECT_EQ(log.countLinesWith("TGA_TABLE_FULL " + path), 1);
}

TEST(TargaLoad, FixedTexturesTakeOneToTenStreetBeforeOcean) {
    CapturedLog log;
    MaterialTextureTable[5].inUse = 1;
    std::memcpy(MaterialTextureTable[5].name, "stale.tga", 9);
    for (int round = 0; round < 2; ++round) {
        LoadTextures();
        EXPECT_EQ(FontTexture, 1);
        EXPECT_EQ(IntroTexture, 2);
        EXPECT_EQ(SplashTexture, 3);
        EXPECT_EQ(LogoTexture, 4);
        EXPECT_EQ(MiniSplashLeftTexture, 5);
        EXPECT_EQ(MiniSplashRightTexture, 6);
        EXPECT_EQ(EpisodeBackground[0], 7);
        EXPECT_EQ(EpisodeBackground[1], 8);
        EXPECT_EQ(EpisodeBackground[3], 9);
        EXPECT_EQ(EpisodeBackground[2], 10);
        EXPECT_EQ(textureCount, 10);
    }
    for (const MaterialTexture& slot : MaterialTextureTable) {
        EXPECT_EQ(slot.inUse, 0);
        EXPECT_EQ(std::string(slot.name, MATERIAL_NAME_BLANKS),
                  std::string(MATERIAL_NAME_BLANKS, ' '));
    }
    EXPECT_EQ(log.countLinesWith("TGA_"), 0) << log.text();
    EXPECT_EQ(log.countLinesWith("Loading:  Texture/font.tga"), 2);
}
