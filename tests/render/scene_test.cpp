// The scene passes read back from a real GL window: where the cameras put
// things, what the per-face effects do to a pixel, the 2D quads, the menu
// background and the pointer. Expected pixels are worked out by hand from
// the camera table and the frustum, never by the code under test.
#include <SDL_opengl.h>

#include <cstdint>
#include <vector>

#include "frontend/frontend.h"
#include "gameplay/entity.h"
#include "render/render.h"
#include "shell/shell.h"
#include "shell/steering.h"
#include "tests/frontend/frontend_fixture.h"
#include "tests/render/render_fixtures.h"

using frontendtest::MakeSquareMesh;
using rendertest::GlTest;

namespace {

const int W = 640, H = 480;
// Meshes the game never loads: the tests build their own shapes there.
const int MESH_A = 50, MESH_B = 51;
// Texture slots of the tests' own pictures, above what the game hands out.
const int TEX_WHITE = 40, TEX_BANDS = 41, TEX_QUAD = 42, TEX_HALF = 43;
const int TEX_LEFT = 44, TEX_SPLASH = 45, TEX_RIGHT = 46;

struct Rgb {
    int r, g, b;
};

// The whole back buffer, rows from the bottom as GL stores them.
class Frame {
  public:
    Frame() : pixels_(W * H * 4) {
        glFinish();
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, pixels_.data());
    }
    // x from the left, y from the bottom (GL window coordinates).
    Rgb at(int x, int y) const {
        const uint8_t* p = &pixels_[(y * W + x) * 4];
        return Rgb{p[0], p[1], p[2]};
    }
    // Centre of the pixels whose red exceeds `above`, in picture
    // coordinates from the top left (x + 0.5 is a pixel's centre).
    bool centroid(int above, double* x, double* y) const {
        double sx = 0, sy = 0;
        int n = 0;
        for (int j = 0; j < H; ++j)
            for (int i = 0; i < W; ++i)
                if (at(i, j).r > above) {
                    sx += i + 0.5;
                    sy += H - (j + 0.5);
                    ++n;
                }
        if (n == 0) return false;
        *x = sx / n;
        *y = sy / n;
        return true;
    }
    // Bounding box of the pixels whose red exceeds `above`, from the top left.
    bool bounds(int above, int box[4]) const {
        box[0] = box[1] = 1 << 20;
        box[2] = box[3] = -1;
        for (int j = 0; j < H; ++j)
            for (int i = 0; i < W; ++i)
                if (at(i, j).r > above) {
                    const int top = H - 1 - j;
                    if (i < box[0]) box[0] = i;
                    if (top < box[1]) box[1] = top;
                    if (i > box[2]) box[2] = i;
                    if (top > box[3]) box[3] = top;
                }
        return box[2] >= 0;
    }

  private:
    std::vector<uint8_t> pixels_;
};

void ExpectColour(const Rgb& got, const Rgb& want, const char* what) {
    EXPECT_NEAR(got.r, want.r, 2) << what;
    EXPECT_NEAR(got.g, want.g, 2) << what;
    EXPECT_NEAR(got.b, want.b, 2) << what;
}

// A texture of w x h RGBA pixels (rows from the bottom), nearest filtering
// and repeat, put into the texture table at `index`.
void MakeTexture(int index, int w, int h, const std::vector<uint8_t>& rgba) {
    GLuint name = TextureNames[index];
    if (name == 0) glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    TextureNames[index] = name;
}

// Spawns one object of `mesh` and returns its slot.
int Spawn(int mesh, float x, float y, float z, const EntityLook& look) {
    EntityTransform t;
    DefaultTransform(&t);
    t.position[0] = x;
    t.position[1] = y;
    t.position[2] = z;
    const int before = CountLiveEntities();
    SpawnEntity(mesh, t, look);
    EXPECT_EQ(CountLiveEntities(), before + 1);
    return FindEntity(mesh, before + 1);
}

EntityLook Look() {
    EntityLook look;
    DefaultLook(&look);
    return look;
}

std::vector<uint8_t> Solid(int n, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    std::vector<uint8_t> px;
    for (int i = 0; i < n; ++i) {
        px.push_back(r);
        px.push_back(g);
        px.push_back(b);
        px.push_back(a);
    }
    return px;
}

class SceneTest : public GlTest {
  protected:
    void SetUp() override {
        GlTest::SetUp();
        if (HasFatalFailure()) return;
        VideoModeIndex = 1; // the window is 640 x 480
        ClearEntities();
        MenuClear = false;
        FrameMs = 10;
        savedCount_ = textureCount;
        textureCount = TEX_RIGHT; // every pass up to the tests' own pictures
        MakeTexture(TEX_WHITE, 1, 1, Solid(1, 255, 255, 255));
        MakeSquareMesh(MESH_A, 4.0f, TEX_WHITE);
        InitCamerasForViewAngle(0);
        CurrentCamera = CAMERA_MENU;
        ApplyCamera();
    }
    void TearDown() override {
        ClearEntities();
        MeshTable[MESH_A].faceCount = MeshTable[MESH_B].faceCount = 0;
        textureCount = savedCount_;
        CurrentCamera = CAMERA_MENU;
    }
    int savedCount_ = 0;
};

// Where a small marker at a world point lands through each camera. The
// pixels come from the camera table (rotation about x, translation y,
// scale) and the frustum (0.55 and 0.4125 of the depth at each side),
// worked out by hand for 640 x 480.
TEST_F(SceneTest, CamerasPutWorldPointsWhereTheirTableSays) {
    struct Row {
        const char* name;
        int camera;
        int viewAngle;
        float x, y, z;
        double px, py; // from the top left
    };
    const Row rows[] = {
        {"menu camera, centre", CAMERA_MENU, 0, 0, 0, 0, 320.00, 240.00},
        {"menu camera, upper right", CAMERA_MENU, 0, 1.5f, 1, 0, 494.55, 123.64},
        {"menu camera, a menu box", CAMERA_MENU, 0, 1.2f, -1.334f, 0.7f, 482.37, 420.50},
        {"angle 0, centre", CAMERA_PLAY, 0, 0, 0, 0, 320.00, 240.00},
        {"angle 0, upper right", CAMERA_PLAY, 0, 1.5f, 1, 0, 459.64, 154.67},
        {"angle 0, lower left", CAMERA_PLAY, 0, -1.5f, -1, 0, 180.36, 325.33},
        {"angle 0, the floor", CAMERA_PLAY, 0, 0, 1.5f, -1.5f, 320.00, 141.54},
        {"angle 25, centre", CAMERA_PLAY, -25, 0, 0, 0, 320.00, 187.93},
        {"angle 25, upper right", CAMERA_PLAY, -25, 1.5f, 1, 0, 461.55, 108.71},
        {"angle 25, lower left", CAMERA_PLAY, -25, -1.5f, -1, 0, 156.83, 279.26},
        {"angle 25, the floor", CAMERA_PLAY, -25, 0, 1.5f, -1.5f, 320.00, 150.02},
        {"angle 50, centre", CAMERA_PLAY, -50, 0, 0, 0, 320.00, 113.77},
        {"angle 50, upper right", CAMERA_PLAY, -50, 1.5f, 1, 0, 437.00, 57.26},
        {"angle 50, lower left", CAMERA_PLAY, -50, -1.5f, -1, 0, 149.89, 195.92},
        {"angle 50, the floor", CAMERA_PLAY, -50, 0, 1.5f, -1.5f, 320.00, 95.43},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ClearEntities();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        Spawn(MESH_A, row.x, row.y, row.z, Look());
        InitCamerasForViewAngle(row.viewAngle);
        CurrentCamera = row.camera;
        ApplyCamera();
        DrawScene();
        double x = 0, y = 0;
        ASSERT_TRUE(Frame().centroid(128, &x, &y));
        EXPECT_NEAR(x, row.px, 0.75);
        EXPECT_NEAR(y, row.py, 0.75);
        // And what the hit tests use agrees with the picture.
        const float world[3] = {row.x, row.y, row.z};
        float sx = 0, sy = 0;
        ASSERT_TRUE(WorldToScreen(world, &sx, &sy));
        EXPECT_NEAR(sx, row.px, 0.05);
        EXPECT_NEAR(sy, row.py, 0.05);
    }
}

TEST_F(SceneTest, TintedFaceHasItsTintAndTheNextFaceIsWhiteAgain) {
    MakeSquareMesh(MESH_A, 40.0f, TEX_WHITE);
    EntityLook tinted = Look();
    tinted.flags[3] = 1;
    tinted.tint[0] = 1.0f;
    tinted.tint[1] = 0.5f;
    tinted.tint[2] = 0.25f;
    Spawn(MESH_A, -0.6f, 0, 0, tinted);
    Spawn(MESH_A, 0.6f, 0, 0, Look());
    DrawScene();
    const Frame frame;
    ExpectColour(frame.at(320 - 70, 240), Rgb{255, 128, 64}, "tinted");
    ExpectColour(frame.at(320 + 70, 240), Rgb{255, 255, 255}, "after it");
}

// A grey square A at z 0; an additive white square B behind it at z -1 and
// half off it; an opaque white square C further back, drawn after B. The
// columns below are where the squares' projections overlap at 640 x 480.
TEST_F(SceneTest, AdditiveFaceAtHalfLifeAddsHalfItsBrightnessOverTheDepthBuffer) {
    MakeSquareMesh(MESH_A, 40.0f, TEX_WHITE);
    EntityLook grey = Look();
    grey.flags[3] = 1;
    grey.tint[0] = grey.tint[1] = grey.tint[2] = 0.25f;
    EntityLook glow = Look();
    glow.additive = 1;
    glow.life = 0.5f;
    Spawn(MESH_A, 0, 0, 0, grey);        // x 262 .. 378
    Spawn(MESH_A, 0.5f, 0, -1, glow);    // x 320 .. 417
    Spawn(MESH_A, -0.3f, 0, -2, Look()); // x 254 .. 337
    DrawScene();
    const Frame frame;
    ExpectColour(frame.at(400, 240), Rgb{128, 128, 128}, "half white over black");
    ExpectColour(frame.at(350, 240), Rgb{192, 192, 192}, "added over the nearer grey");
    ExpectColour(frame.at(290, 240), Rgb{64, 64, 64}, "the opaque face after it is hidden again");
    ExpectColour(frame.at(257, 240), Rgb{255, 255, 255}, "where nothing covers it");
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

// Environment mapping generates s from the eye's x: a texture of a red and
// a green texel repeats every eye unit, although the face's own texture
// coordinates all name the red texel. At depth 5, eye x 0.25 is pixel
// column 349, 0.75 is 407, -0.25 is 290 and -0.75 is 232.
TEST_F(SceneTest, EnvironmentMappedFaceTakesItsTextureFromTheEyeAndOnlyIt) {
    std::vector<uint8_t> bands = Solid(1, 255, 0, 0);
    const std::vector<uint8_t> green = Solid(1, 0, 255, 0);
    bands.insert(bands.end(), green.begin(), green.end());
    MakeTexture(TEX_BANDS, 2, 1, bands);
    MakeSquareMesh(MESH_A, 80.0f, TEX_BANDS, true);
    EntityLook mapped = Look();
    mapped.flags[0] = 1;
    Spawn(MESH_A, 0, 0.6f, 0, mapped);
    Spawn(MESH_A, 0, -1.4f, 0, Look()); // plain, drawn after it
    DrawScene();
    const Frame frame;
    const int row = 240 + 70, plainRow = 240 - 160;
    ExpectColour(frame.at(349, row), Rgb{255, 0, 0}, "eye x 0.25");
    ExpectColour(frame.at(407, row), Rgb{0, 255, 0}, "eye x 0.75");
    ExpectColour(frame.at(290, row), Rgb{0, 255, 0}, "eye x -0.25");
    ExpectColour(frame.at(232, row), Rgb{255, 0, 0}, "eye x -0.75");
    ExpectColour(frame.at(407, plainRow), Rgb{255, 0, 0}, "the plain face after it");
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
}

TEST_F(SceneTest, Quad2DCoversItsRectangleOfTheVirtualScreenAtAnySize) {
    // Texels: red lower left, green lower right, blue upper left, white.
    std::vector<uint8_t> four = Solid(1, 255, 0, 0);
    for (const auto& px : {Solid(1, 0, 255, 0), Solid(1, 0, 0, 255), Solid(1, 255, 255, 255)})
        four.insert(four.end(), px.begin(), px.end());
    MakeTexture(TEX_QUAD, 2, 2, four);
    GLfloat modelview[16], projection[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);

    struct Row {
        const char* name;
        int viewport;                 // the window's picture, 640 or 320 wide
        int left, bottom, right, top; // pixels covered, ends excluded
    };
    const Row rows[] = {
        {"640 x 480: one unit a pixel", 640, 100, 50, 164, 82},
        {"320 x 240: half a pixel a unit", 320, 50, 25, 82, 41},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        glViewport(0, 0, row.viewport, row.viewport * 3 / 4);
        glClear(GL_COLOR_BUFFER_BIT);
        DrawQuad2D(TEX_QUAD, 100, 50, 64, 32, false);
        const Frame frame;
        ExpectColour(frame.at(row.left, row.bottom), Rgb{255, 0, 0}, "lower left");
        ExpectColour(frame.at(row.right - 1, row.bottom), Rgb{0, 255, 0}, "lower right");
        ExpectColour(frame.at(row.left, row.top - 1), Rgb{0, 0, 255}, "upper left");
        ExpectColour(frame.at(row.right - 1, row.top - 1), Rgb{255, 255, 255}, "upper right");
        ExpectColour(frame.at(row.left - 1, row.bottom), Rgb{0, 0, 0}, "left of it");
        ExpectColour(frame.at(row.left, row.bottom - 1), Rgb{0, 0, 0}, "below it");
        ExpectColour(frame.at(row.right, row.top - 1), Rgb{0, 0, 0}, "right of it");
        ExpectColour(frame.at(row.right - 1, row.top), Rgb{0, 0, 0}, "above it");
    }
    glViewport(0, 0, W, H);

    // Half-transparent white: blended only when asked, and in white even
    // after text left another colour behind.
    MakeTexture(TEX_HALF, 1, 1, Solid(1, 255, 255, 255, 128));
    glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    DrawQuad2D(TEX_HALF, 0, 0, 32, 32, true);
    DrawQuad2D(TEX_HALF, 64, 0, 32, 32, false);
    const Frame frame;
    ExpectColour(frame.at(16, 16), Rgb{128, 128, 128}, "blended");
    ExpectColour(frame.at(80, 16), Rgb{255, 255, 255}, "not blended");

    // The camera and the projection come back, depth testing on, no blending.
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(after[i], modelview[i]);
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(after[i], projection[i]);
}

// Three pictures side by side; the splash is 512 units high on a 480-unit
// screen, so its top sixteenth (magenta here) is never seen.
TEST_F(SceneTest, MenuBackgroundFillsTheScreenAndCutsTheTopOfThePictures) {
    MakeTexture(TEX_LEFT, 1, 1, Solid(1, 255, 0, 0));
    MakeTexture(TEX_RIGHT, 1, 1, Solid(1, 0, 0, 255));
    std::vector<uint8_t> splash = Solid(15, 0, 255, 0);
    const std::vector<uint8_t> top = Solid(1, 255, 0, 255);
    splash.insert(splash.end(), top.begin(), top.end());
    MakeTexture(TEX_SPLASH, 1, 16, splash);
    const int saved[3] = {MiniSplashLeftTexture, SplashTexture, MiniSplashRightTexture};
    MiniSplashLeftTexture = TEX_LEFT;
    SplashTexture = TEX_SPLASH;
    MiniSplashRightTexture = TEX_RIGHT;
    DrawMenuBackground();
    MiniSplashLeftTexture = saved[0];
    SplashTexture = saved[1];
    MiniSplashRightTexture = saved[2];

    const Frame frame;
    const struct {
        int x;
        Rgb colour;
    } columns[] = {{0, {255, 0, 0}},   {63, {255, 0, 0}},  {64, {0, 255, 0}},
                   {575, {0, 255, 0}}, {576, {0, 0, 255}}, {639, {0, 0, 255}}};
    for (const auto& column : columns) {
        for (int y : {0, 240, H - 1})
            ExpectColour(frame.at(column.x, y), column.colour, "column");
    }
    int magenta = 0;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (frame.at(x, y).r > 128 && frame.at(x, y).b > 128) ++magenta;
    EXPECT_EQ(magenta, 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

// The pointer object, drawn last, lies on top of a nearer object, at the
// alpha of its life (where it lands under the mouse is the menu click
// test's, on every menu screen and at three screen sizes).
TEST_F(SceneTest, PointerIsDrawnOnTopAtTheAlphaOfItsLife) {
    MakeSquareMesh(MESH_CURSOR, 2.4f, TEX_WHITE);
    // In front of a black square nearer to the eye, at half alpha.
    MakeSquareMesh(MESH_A, 40.0f, TEX_WHITE);
    EntityLook black = Look();
    black.flags[3] = 1;
    black.tint[0] = black.tint[1] = black.tint[2] = 0.0f;
    Spawn(MESH_A, 0, 0, 0.95f, black);
    SpawnMenuCursor();
    const int pointer = FindEntity(TYPE_CURSOR, 1);
    EntityTable[pointer].life = 0.5f;
    SteerX = SteerY = 0;
    UpdateMenuPointer();
    DrawScene();
    DrawCursor();
    ExpectColour(Frame().at(320, 240), Rgb{128, 128, 128}, "half white over the black square");
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // Without a pointer object nothing is drawn.
    ClearEntities();
    glClear(GL_COLOR_BUFFER_BIT);
    DrawCursor();
    int box[4];
    EXPECT_FALSE(Frame().bounds(0, box));
    MeshTable[MESH_CURSOR].faceCount = 0;
}

} // namespace
