// The frame recorder: a recorded frame puts the same pixels on the screen
// as drawing straight through, a frame equal to the presented one is held,
// and anything that changes the picture or goes behind the recorder's back
// makes the frame drawn again.
#include <gtest/gtest.h>

#include <SDL_opengl.h>

#include <cstring>
#include <functional>
#include <vector>

#include "gameplay/entity.h"
#include "render/draw_list.h"
#include "render/render.h"
#include "render/text.h"
#include "tests/render/render_fixtures.h"

namespace {

class FrameRecord : public rendertest::GlTest {
  protected:
    void SetUp() override {
        rendertest::GlTest::SetUp();
        VideoModeIndex = 1;
        LoadMeshTable();
        ForgetPresentedFrame();
    }
    void TearDown() override { ClearEntities(); }

    static std::vector<uint8_t> Pixels() {
        std::vector<uint8_t> rgba(640 * 480 * 4);
        glFinish();
        glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return rgba;
    }
};

// A menu-like picture: the background, a tinted box, shadowed text.
void DrawMenuPicture(const char* label) {
    DrawMenuBackground();
    DrawScene();
    PrintAt(label, 24, 0, 5, 5, TEXT_GOLD);
    PrintValueAt("P L A Y\nG A M E", 12, 0, 34, 11);
}

TEST_F(FrameRecord, RecordedFramePutsTheSamePixelsAsDrawingStraightThrough) {
    EntityTransform t;
    EntityLook look;
    DefaultTransform(&t);
    t.position[0] = 0.5f;
    t.rotation[2] = 30.0f;
    DefaultLook(&look);
    SpawnEntity(MESH_PLATE, t, look);
    DrawMenuPicture("SELECT");
    const std::vector<uint8_t> straight = Pixels();

    glClearColor(0.2f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glClearColor(0, 0, 0, 0);
    BeginFrameRecord();
    DrawMenuPicture("SELECT");
    EXPECT_TRUE(EndFrameRecord(false));
    EXPECT_EQ(std::memcmp(Pixels().data(), straight.data(), straight.size()), 0);
}

TEST_F(FrameRecord, FrameEqualToTheShownOneIsHeldAndAnyChangeIsDrawn) {
    struct Row {
        const char* rule;
        std::function<void()> frame;
        bool mustPresent;
        bool drawn;
    };
    const auto plate = [] {
        EntityTransform t;
        EntityLook look;
        DefaultTransform(&t);
        DefaultLook(&look);
        // A fixed texture: a reload alone leaves the material indexes behind.
        look.texture = static_cast<uint32_t>(SplashTexture);
        SpawnEntity(MESH_PLATE, t, look);
    };
    const std::vector<Row> rows = {
        {"the first frame is drawn", [] { DrawMenuPicture("A"); }, false, true},
        {"the same frame again is held", [] { DrawMenuPicture("A"); }, false, false},
        {"held again and again", [] { DrawMenuPicture("A"); }, false, false},
        {"a changed text is drawn", [] { DrawMenuPicture("B"); }, false, true},
        {"the window asks for a flip", [] { DrawMenuPicture("B"); }, true, true},
        {"held once the window is content", [] { DrawMenuPicture("B"); }, false, false},
        {"a reload after the drawing is drawn",
         [] {
             DrawMenuPicture("B");
             LoadTextures();
         },
         false, true},
        {"the frame after a reload is drawn", [] { DrawMenuPicture("B"); }, false, true},
        {"then held", [] { DrawMenuPicture("B"); }, false, false},
        {"an object more is drawn",
         [&plate] {
             plate();
             DrawMenuPicture("B");
         },
         false, true},
        // Without a full cover the picture keeps earlier frames' pixels.
        {"a frame painting part of the screen is drawn",
         [] { PrintAt("A", 24, 0, 5, 5, TEXT_GOLD); }, false, true},
        {"and drawn again", [] { PrintAt("A", 24, 0, 5, 5, TEXT_GOLD); }, false, true},
        {"and again, frame after frame", [] { PrintAt("A", 24, 0, 5, 5, TEXT_GOLD); }, false, true},
    };
    for (const Row& row : rows) {
        ClearEntities();
        BeginFrameRecord();
        row.frame();
        EXPECT_EQ(EndFrameRecord(row.mustPresent), row.drawn) << row.rule;
    }
}

TEST_F(FrameRecord, FacesInOneStateBecomeOneDraw) {
    EntityTransform t;
    EntityLook look;
    DefaultTransform(&t);
    DefaultLook(&look);
    SpawnEntity(MESH_PLATE, t, look);
    const int slot = FindEntity(MESH_PLATE, 1);
    ASSERT_NE(slot, ENTITY_NONE);
    const int faces = EntityTable[slot].faceCount;
    ASSERT_GE(faces, 2);
    BeginFrameRecord();
    DrawScene();
    EndFrameRecord(true);
    EXPECT_EQ(FrameDrawCount(), 1) << faces << " faces of one texture, one state";
    EXPECT_EQ(FrameVertexCount(), 3 * faces);

    // An additive face between changes the state: three draws.
    EntityTable[slot].faces[faces / 2].additive = 1;
    BeginFrameRecord();
    DrawScene();
    EndFrameRecord(true);
    EXPECT_EQ(FrameDrawCount(), faces / 2 == faces - 1 ? 2 : 3);
}

} // namespace
