// The menu pointer of every episode, drawn as the game draws it and read
// back: it must leave dark pixels on a white menu box and light pixels on
// a black screen, so it can be seen on both.
#include <gtest/gtest.h>

#include <SDL_opengl.h>

#include <algorithm>
#include <vector>

#include "frontend/frontend.h"
#include "gameplay/gameplay.h"
#include "render/render.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "tests/render/render_fixtures.h"

namespace {

const int W = 640, H = 480;

struct Frame {
    std::vector<unsigned char> rgb = std::vector<unsigned char>(W * H * 3);
    void read() {
        glFinish();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    }
    int max(int i) const { return std::max({rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]}); }
    int min(int i) const { return std::min({rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2]}); }
    bool same(const Frame& o, int i) const {
        return rgb[i * 3] == o.rgb[i * 3] && rgb[i * 3 + 1] == o.rgb[i * 3 + 1] &&
               rgb[i * 3 + 2] == o.rgb[i * 3 + 2];
    }
};

class CursorOutlineTest : public rendertest::GlTest {
  protected:
    static void SetUpTestSuite() {
        GlTest::SetUpTestSuite();
        VideoModeIndex = 1; // 640 x 480
        ViewAngle = 0;
        InitCameras();
    }
    void TearDown() override {
        ClearEntities();
        episode = 0;
        GameState = GS_STARTUP;
    }
    // The frame with the scene only, and with the pointer drawn over it.
    static void DrawBoth(bool menuBackground, float clear, Frame* without, Frame* with) {
        SetProjection(W, H);
        ApplyCamera();
        glClearColor(clear, clear, clear, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        if (menuBackground) DrawMenuBackground();
        DrawScene(false);
        without->read();
        DrawCursor();
        with->read();
    }
};

TEST_F(CursorOutlineTest, PointerShowsOnAWhiteBoxAndOnABlackScreen) {
    for (int ep = 0; ep < 4; ep++) {
        SCOPED_TRACE(testing::Message() << "episode " << ep);
        episode = ep;
        LoadMeshTable();

        // Over the PLAY box of the main menu.
        EnterMainMenu();
        const int box = FindEntity(MESH_MENU_BOX, 1);
        const int cursor = FindEntity(TYPE_CURSOR, 1);
        ASSERT_NE(box, ENTITY_NONE);
        ASSERT_NE(cursor, ENTITY_NONE);
        EntityTable[cursor].position[0] = EntityTable[box].position[0];
        EntityTable[cursor].position[1] = EntityTable[box].position[1];
        Frame plain, pointed;
        DrawBoth(true, 0.0f, &plain, &pointed);
        int changed = 0, dark = 0, darkBefore = 0;
        for (int i = 0; i < W * H; i++) {
            if (pointed.same(plain, i)) continue;
            changed++;
            if (pointed.max(i) < 90) dark++;
            if (plain.max(i) < 90) darkBefore++;
        }
        ASSERT_GT(changed, 50) << "the pointer was not drawn";
        EXPECT_EQ(darkBefore, 0) << "the pointer was not over the light box";
        EXPECT_GT(dark, 40) << "no dark rim on the white box (" << changed << " changed)";

        // Alone on a black screen.
        EnterQuitScreen();
        Frame black, shown;
        DrawBoth(false, 0.0f, &black, &shown);
        int light = 0;
        for (int i = 0; i < W * H; i++)
            if (shown.min(i) > 170) light++;
        EXPECT_GT(light, 20) << "the pointer does not show on black";

        // And on a plain white screen, where only the rim can show it.
        Frame white, over;
        DrawBoth(false, 1.0f, &white, &over);
        int rim = 0;
        for (int i = 0; i < W * H; i++)
            if (over.max(i) < 90) rim++;
        EXPECT_GT(rim, 40) << "the pointer vanishes on white";
    }
}

} // namespace
