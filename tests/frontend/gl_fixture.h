// A real window with its OpenGL context for the text read-back tests, and
// a font texture of solid white cells so every glyph quad is a filled square.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "render/render.h"
#include "render/text.h"
#include "shell/shell.h"

namespace frontendtest {

struct Pixel {
    int r, g, b;
    bool operator==(const Pixel& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Pixel& o) const { return !(*this == o); }
};

inline std::ostream& operator<<(std::ostream& out, const Pixel& p) {
    return out << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

class GlTextTest : public ::testing::Test {
  protected:
    // Video mode 1 is 640 x 480, 4 is 1280 x 1024.
    void OpenWindow(int videoMode) {
        VideoModeIndex = videoMode;
        window = createWindowObject(true, true);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(window->createWindow(ScreenWidth(), ScreenHeight(), 32, true, "text test"));
        glViewport(0, 0, ScreenWidth(), ScreenHeight());
        glDisable(GL_SCISSOR_TEST);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_CULL_FACE);
        glDrawBuffer(GL_BACK);
        glReadBuffer(GL_BACK);
        BuildGlyphTable();
        ResetTextStyle();
    }
    void TearDown() override {
        if (solidTexture) glDeleteTextures(1, &solidTexture);
        FontTexture = savedFont;
        delete window;
        window = nullptr;
        VideoModeIndex = 1;
    }
    // Every glyph cell opaque white, in a spare slot of the texture table.
    void UseSolidFont() {
        static uint8_t white[16 * 16 * 4];
        for (uint8_t& byte : white)
            byte = 255;
        glGenTextures(1, &solidTexture);
        glBindTexture(GL_TEXTURE_2D, solidTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 16, 16, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
        TextureNames[MAX_TEXTURES - 1] = solidTexture;
        FontTexture = MAX_TEXTURES - 1;
    }
    // The generated glyph sheet, loaded through the game's own loader.
    void UseRealFont() {
        FontTexture = LoadTarga("Texture\\font.tga");
        ASSERT_GT(FontTexture, 0);
        ASSERT_LT(FontTexture, 13);
    }
    static void Clear(float grey) {
        glClearColor(grey, grey, grey, 1);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    static Pixel At(int x, int y) {
        uint8_t rgba[4] = {0, 0, 0, 0};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
        return Pixel{rgba[0], rgba[1], rgba[2]};
    }
    // Pixels differing from the background inside a rectangle.
    static int Lit(int x, int y, int w, int h, Pixel background) {
        int n = 0;
        for (int j = y; j < y + h; j++)
            for (int i = x; i < x + w; i++)
                if (!(At(i, j) == background)) n++;
        return n;
    }

    KWindow* window = nullptr;
    GLuint solidTexture = 0;
    int savedFont = FontTexture;
};

} // namespace frontendtest
