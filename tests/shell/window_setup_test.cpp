// CreateGameWindow, SetProjection and ApplyVideoChange on a real window.
#include <SDL.h>
#include <SDL_opengl.h>

#include <cmath>

#include "platform/platform.h"
#include "shell/game_state.h"
#include "tests/shell/shell_fixture.h"

namespace {

class GameWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedMode = VideoModeIndex;
        VideoModeIndex = 1;
        ScreenWidths[1] = 640;
        ScreenHeights[1] = 480;
    }
    void TearDown() override {
        DestroyGameWindow();
        GameState = GS_STARTUP;
        VideoModeIndex = savedMode;
        ScreenWidths[1] = 640;
        ScreenHeights[1] = 480;
    }
    shelltest::LogCapture log;
    shelltest::GameDirectory dir;
    int savedMode = 0;
};

} // namespace

TEST_F(GameWindowTest, OpensWithDepthBufferAndTheGameState) {
    CreateGameWindow(640, 480, 32, true);
    ASSERT_NE(GameWindow, nullptr);
    EXPECT_TRUE(GlReady);
    EXPECT_EQ(GameWindow->getWidth(), 640);
    EXPECT_EQ(GameWindow->getHeight(), 480);
    EXPECT_EQ(static_cast<KWindowGL*>(GameWindow)->getFramePeriodMs(), 12);
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    GLint shade = 0;
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    EXPECT_EQ(shade, GL_FLAT);
    SDL_Window* window = static_cast<SDL_Window*>(GameWindow->getWindowHandle());
    EXPECT_STREQ(SDL_GetWindowTitle(window), "K3D");
    EXPECT_NE(log.text().find("\t- info\tSYSTEM GL_INIT\n"), std::string::npos);
}

TEST_F(GameWindowTest, ProjectionIsTheNarrowedFrustum) {
    CreateGameWindow(640, 480, 32, true);
    ASSERT_NE(GameWindow, nullptr);
    SetProjection(640, 480);
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    // glFrustum: m[0] = 2n / (r - l), m[5] = 2n / (t - b), m[10] = -(f + n) / (f - n).
    EXPECT_NEAR(0.2 / m[0], 0.11, 1e-6);   // right - left = 2 x 0.055
    EXPECT_NEAR(0.2 / m[5], 0.0825, 1e-6); // top - bottom = 2 x 0.04125
    EXPECT_NEAR(m[10], -100.1 / 99.9, 1e-6);
    EXPECT_NEAR(m[8], 0.0, 1e-9);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
}

TEST_F(GameWindowTest, ZeroHeightCountsAsOneAndIsStored) {
    CreateGameWindow(640, 480, 32, true);
    ASSERT_NE(GameWindow, nullptr);
    SetProjection(320, 0);
    EXPECT_EQ(ScreenWidth(), 320);
    EXPECT_EQ(ScreenHeight(), 1);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 1);
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    EXPECT_TRUE(std::isfinite(m[0]) && std::isfinite(m[5]));
}

TEST_F(GameWindowTest, ChangedScreenSizeReopensTheWindow) {
    ASSERT_TRUE(k3dtest::WriteWholeFile(dir.configFile(), "221123531122111321111111111111"));
    LoadConfig();
    ApplyConfig(); // GameState 0: nothing opens
    EXPECT_EQ(GameWindow, nullptr);
    EXPECT_EQ(VideoModeIndex, 1);

    // Windowed at 640 x 480, as start-up would open it.
    ASSERT_TRUE(k3dtest::WriteWholeFile(dir.configFile(), "222123531122111321111111111111"));
    LoadConfig();
    ApplyConfig();
    EXPECT_EQ(GameWindow, nullptr);
    CreateGameWindow(ScreenWidth(), ScreenHeight(), ScreenDepth(), !FullScreen);
    ASSERT_NE(GameWindow, nullptr);
    GameState = GS_SETUP;

    ASSERT_TRUE(k3dtest::WriteWholeFile(dir.configFile(), "122123531122111321111111111111"));
    LoadConfig();
    ApplyConfig();
    ASSERT_NE(GameWindow, nullptr);
    EXPECT_EQ(VideoModeIndex, 0);
    EXPECT_EQ(GameWindow->getWidth(), 400);
    EXPECT_EQ(GameWindow->getHeight(), 300);
    int w = 0, h = 0;
    SDL_GetWindowSize(static_cast<SDL_Window*>(GameWindow->getWindowHandle()), &w, &h);
    EXPECT_EQ(w, 400);
    EXPECT_EQ(h, 300);
    // The new context has the game's GL state again.
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    // The old window's quit request does not end the game in the new one.
    GameWindow->flipBackBuffer(false, true);
    EXPECT_FALSE(GameWindow->isQuitRequested());

    // An unchanged file re-opens nothing.
    KWindow* before = GameWindow;
    const std::string logBefore = log.text();
    ApplyConfig();
    EXPECT_EQ(GameWindow, before);
    EXPECT_EQ(log.text().substr(logBefore.size()).find("GL_INIT"), std::string::npos);
}
