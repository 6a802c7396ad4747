// The texture table against GL itself: what a reload leaves alive, and the
// format each picture is kept in.
#include <gtest/gtest.h>

#include <SDL_opengl.h>
#include <malloc.h>

#include <vector>

#include "gameplay/gameplay.h"
#include "render/render.h"
#include "shell/shell.h"
#include "tests/render/render_fixtures.h"

using rendertest::FromGameDir;
using rendertest::TargaBytes;

namespace {

class TextureTable : public rendertest::GlTest {};

// Names GL holds a texture under, counted from GL, not from our table.
int LiveTextureNames() {
    int live = 0;
    for (GLuint name = 1; name < 4096; ++name)
        if (glIsTexture(name)) ++live;
    return live;
}

// The pixels GL holds under a texture index, as RGBA.
std::vector<uint8_t> TexturePixels(int index) {
    glBindTexture(GL_TEXTURE_2D, TextureNames[index]);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

bool DrawnNowhere(int index) {
    for (int background : EpisodeBackground)
        if (index == background) return true;
    return false;
}

// Bytes the allocator holds from the system, in its heap and mapped apart.
size_t HeldBytes() {
    const struct mallinfo2 info = mallinfo2();
    return info.arena + info.hblkhd;
}

TEST_F(TextureTable, EpisodeStartsKeepTheSameNumberOfLiveTexturesAndBytes) {
    KeepLargeBlocksMapped();
    episode = 0;
    RestoreIntroTextures();
    StartEpisode();
    const std::vector<uint8_t> intro = TexturePixels(IntroTexture);
    const int afterOne = LiveTextureNames();
    const size_t heldAfterOne = HeldBytes();
    const uint32_t font = TextureNames[FontTexture], outline = FontOutlineName;
    EXPECT_GE(afterOne, 40) << "the fixed set and the episode's materials";
    // The table but the four backgrounds, and the glyph sheet's outline copy.
    EXPECT_NE(FontOutlineName, 0u);
    EXPECT_EQ(afterOne, textureCount + 1 - 4);
    // Four more starts, through every episode's own texture set and back
    // to the first one.
    for (int start = 2; start <= 5; ++start) {
        episode = (start - 1) % 4;
        StartEpisode();
    }
    EXPECT_EQ(LiveTextureNames(), afterOne);
    // The fixed pictures are the same files each time: GL keeps them.
    EXPECT_EQ(TextureNames[FontTexture], font);
    EXPECT_EQ(FontOutlineName, outline);
    // Small blocks settle into the heap as the episodes' own tables come
    // and go (300 to 550 KiB over the four starts); a freed picture's hole
    // may not stay (about 1.5 MiB a start when large blocks share the heap).
    EXPECT_LE(HeldBytes(), heldAfterOne + 8 * LARGE_BLOCK_BYTES)
        << "held after one start: " << heldAfterOne;
    // The names in the table are the live ones; a picture no screen shows
    // keeps its index under the name 0.
    for (int t = 1; t <= textureCount; ++t)
        EXPECT_EQ(glIsTexture(TextureNames[t]), DrawnNowhere(t) ? GL_FALSE : GL_TRUE)
            << "texture index " << t;

    // Past the intro its two pictures leave GL, also across a reload, and
    // come back as they were should the intro be shown again.
    const uint32_t logo = TextureNames[LogoTexture];
    ReleaseIntroTextures();
    EXPECT_FALSE(glIsTexture(logo));
    StartEpisode();
    EXPECT_EQ(IntroTexture, 2);
    EXPECT_EQ(LogoTexture, 4);
    EXPECT_EQ(TextureNames[IntroTexture], 0u);
    EXPECT_EQ(TextureNames[LogoTexture], 0u);
    EXPECT_EQ(LiveTextureNames(), afterOne - 2);
    EnterIntro();
    EXPECT_EQ(LiveTextureNames(), afterOne);
    EXPECT_TRUE(TexturePixels(IntroTexture) == intro);
    ClearEntities();
}

TEST_F(TextureTable, PicturesKeepTheSmallestFormatThatLooksTheSame) {
    struct Row {
        const char* rule;
        int depth;
        std::vector<uint8_t> pixels; // four pixels as stored
        GLint format;
    };
    const std::vector<Row> rows = {
        {"opaque 32-bit keeps only its colour",
         32,
         {1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255, 0, 0, 0, 255},
         GL_RGB},
        {"one translucent pixel keeps the alpha",
         32,
         {1, 2, 3, 255, 4, 5, 6, 254, 7, 8, 9, 255, 0, 0, 0, 255},
         GL_RGBA},
        {"24-bit white is opaque by the brightness rule", 24, std::vector<uint8_t>(12, 255),
         GL_RGB},
        {"24-bit with a dark pixel keeps the derived alpha",
         24,
         {255, 255, 255, 255, 255, 255, 255, 255, 255, 40, 40, 40},
         GL_RGBA},
        {"8-bit stays an alpha texture", 8, {0, 255, 255, 255}, GL_ALPHA},
    };
    k3dtest::TempDir dir;
    for (const Row& row : rows) {
        ASSERT_TRUE(
            k3dtest::WriteWholeFile(dir.file("t.tga"), TargaBytes(2, 2, 2, row.depth, row.pixels)));
        textureCount = 0;
        const int index = LoadTarga(FromGameDir(dir.file("t.tga")).c_str());
        ASSERT_EQ(index, 1) << row.rule;
        glBindTexture(GL_TEXTURE_2D, TextureNames[index]);
        GLint format = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        EXPECT_EQ(format, row.format) << row.rule;
        glDeleteTextures(1, reinterpret_cast<const GLuint*>(&TextureNames[index]));
    }
    textureCount = 0;
}

} // namespace
