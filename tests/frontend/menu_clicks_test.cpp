// Clicks from the picture: every menu screen is drawn with the real data
// in a real window, each box is found in the pixels (the picture with the
// box against the picture without it), and the mouse is moved to its
// centre, near its lower edge and just outside it. The box drawn under the
// pointer takes the click, nothing else does, and the pointer is drawn
// where the mouse is: windowed at two sizes and full screen on a desktop
// of another size. Every test here moves the pointer, so each has an X
// server of its own.
#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdint>
#include <cstdlib>
#include <sys/stat.h>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "frontend/frontend.h"
#include "gameplay/entity.h"
#include "gameplay/gameplay.h"
#include "platform/platform.h"
#include "render/render.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "shell/steering.h"
#include "tests/support/test_support.h"

namespace {

struct ScreenSize {
    const char* name;
    int videoMode; // 1: 640 x 480, 2: 800 x 600
    bool fullScreen;
    int desktopWidth, desktopHeight;
};

void PrintTo(const ScreenSize& size, std::ostream* out) {
    *out << size.name;
}

// A rectangle of whole pixels from the top left, ends included.
struct PixelBox {
    int left = 0, top = 0, right = -1, bottom = -1;
    bool empty() const { return right < left; }
    bool holds(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

std::ostream& operator<<(std::ostream& out, const PixelBox& b) {
    return out << "[" << b.left << ".." << b.right << "] x [" << b.top << ".." << b.bottom << "]";
}

enum Screen { MAIN_MENU, HELP, EPISODES, SETUP };

const char* ScreenName(Screen screen) {
    switch (screen) {
    case MAIN_MENU:
        return "main menu";
    case HELP:
        return "help";
    case EPISODES:
        return "episode boards";
    default:
        return "setup";
    }
}

class MenuClicks : public ::testing::TestWithParam<ScreenSize> {
  protected:
    void SetUp() override {
        const ScreenSize& size = GetParam();
        xserver_.reset(new k3dtest::OwnXServer(size.desktopWidth, size.desktopHeight));
        ASSERT_TRUE(xserver_->ok());
        SetExeDirectory(k3dtest::GameDir());
        VideoModeIndex = size.videoMode;
        DepthIndex = 1;
        FullScreen = size.fullScreen;
        ViewAngle = 0;
        CreateGameWindow(ScreenWidth(), ScreenHeight(), 32, !FullScreen);
        episode = 0;
        LoadMeshTable();
        BuildSineTable();
        InitCameras();
        InitGameInput();
        FrameMs = 10;
        SteerX = SteerY = 0;
        // The setup screen reads and writes its settings here, not in the build.
        ASSERT_EQ(mkdir(settings_.file("Orvi").c_str(), 0755), 0);
        SetExeDirectory(settings_.path().c_str());
    }
    void TearDown() override {
        ClearEntities();
        ClearDisplayFlags();
        GameState = GS_STARTUP;
        DestroyGameWindow();
        xserver_.reset();
        FullScreen = false;
        VideoModeIndex = 1;
        SetExeDirectory(k3dtest::GameDir());
    }
    static int Width() { return ScreenWidth(); }
    static int Height() { return ScreenHeight(); }

    // The game's picture as drawn for the frame, without moving anything.
    std::vector<uint8_t> Picture(bool withPointer) {
        GameWindow->resetView();
        SetProjection(Width(), Height());
        ApplyCamera();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearColor(0, 0, 0, 0);
        DrawMenuBackground();
        DrawScene(false); // nothing moves between the pictures compared
        DrawTextOverlay();
        if (withPointer) DrawCursor();
        std::vector<uint8_t> pixels((size_t)Width() * Height() * 4);
        glFinish();
        // Full screen draws into the offscreen frame, bound for reading too.
        if (!FullScreen) glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, Width(), Height(), GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    // The pixels that differ between two pictures, from the top left.
    static PixelBox Difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        PixelBox box;
        box.left = box.top = 1 << 20;
        for (int y = 0; y < Height(); ++y) {
            for (int x = 0; x < Width(); ++x) {
                const size_t at = ((size_t)y * Width() + x) * 4;
                int most = 0;
                for (int c = 0; c < 3; ++c) {
                    const int d = std::abs((int)a[at + c] - (int)b[at + c]);
                    if (d > most) most = d;
                }
                if (most <= 4) continue;
                const int top = Height() - 1 - y;
                if (x < box.left) box.left = x;
                if (x > box.right) box.right = x;
                if (top < box.top) box.top = top;
                if (top > box.bottom) box.bottom = top;
            }
        }
        return box;
    }

    // Where an object is drawn: the screen's picture against the picture
    // with the object moved far out of sight.
    PixelBox Footprint(const std::vector<uint8_t>& with, int slot) {
        const float x = EntityTable[slot].position[0];
        EntityTable[slot].position[0] = 100.0f;
        const std::vector<uint8_t> without = Picture(false);
        EntityTable[slot].position[0] = x;
        return Difference(with, without);
    }

    void Enter(Screen screen) {
        switch (screen) {
        case MAIN_MENU:
            EnterMainMenu();
            break;
        case HELP:
            EnterMainMenu();
            EnterHelp();
            GameState = GS_HELP;
            break;
        case EPISODES:
            EnterEpisodeSelect();
            break;
        case SETUP:
            EnterSetup();
            GameState = GS_SETUP;
            SetupArmed = false;
            break;
        }
    }

    // The screen's clickable objects in the order the game tests them.
    static std::vector<int> Items(Screen screen) {
        std::vector<int> slots;
        if (screen == MAIN_MENU || screen == HELP) {
            for (int i = 0; i < MENU_ITEM_COUNT; ++i)
                slots.push_back(FindEntity(MESH_MENU_BOX, i + 1));
        } else if (screen == EPISODES) {
            for (int type : {MESH_ARCADE, MESH_JUNGLE, MESH_OCEAN, MESH_STREET})
                slots.push_back(FindEntity(type, 1));
        } else {
            for (int i = 0; i < SETUP_ACCEPT; ++i)
                slots.push_back(FindEntity(MESH_SELECTOR, i + 1));
            for (int i = 0; i < SETUP_CONTROL_COUNT - SETUP_ACCEPT; ++i)
                slots.push_back(FindEntity(MESH_PLATE, i + 1));
        }
        return slots;
    }

    // Moves the mouse so that the game's pointer is on pixel (x, y) of
    // its picture: a warp in a window, relative motion in full screen.
    void MoveMouseTo(int x, int y) {
        if (!FullScreen) {
            setMousePosition(x, y);
            for (int i = 0; i < 400 && (getMouseX() != x || getMouseY() != y); i++) {
                SDL_Delay(2);
                GameWindow->processEvents();
            }
            ASSERT_EQ(getMouseX(), x);
            ASSERT_EQ(getMouseY(), y);
            return;
        }
        KWindowGL* window = static_cast<KWindowGL*>(GameWindow);
        int px, py, pw, ph;
        window->getPresentRect(&px, &py, &pw, &ph);
        for (int i = 0; i < 40; i++) {
            const int dx = x - (Width() / 2 + SteerX), dy = y - (Height() / 2 + SteerY);
            if (dx == 0 && dy == 0) return;
            // Screen pixels for the distance, at least one each way.
            int sx = (int)((double)dx * pw / Width()), sy = (int)((double)dy * ph / Height());
            if (sx == 0 && dx != 0) sx = dx > 0 ? 1 : -1;
            if (sy == 0 && dy != 0) sy = dy > 0 ? 1 : -1;
            SDL_Event e{};
            e.type = SDL_MOUSEMOTION;
            e.motion.windowID =
                SDL_GetWindowID(static_cast<SDL_Window*>(window->getWindowHandle()));
            e.motion.xrel = sx;
            e.motion.yrel = sy;
            SDL_PushEvent(&e);
            GameWindow->processEvents();
            UpdateSteering();
        }
        ASSERT_EQ(Width() / 2 + SteerX, x);
        ASSERT_EQ(Height() / 2 + SteerY, y);
    }

    // One whole frame as the main loop runs it, the left button pressed
    // during it when `press`.
    void Frame(bool press) {
        if (press) {
            SDL_Event e{};
            e.type = SDL_MOUSEBUTTONDOWN;
            e.button.button = SDL_BUTTON_LEFT;
            e.button.state = SDL_PRESSED;
            SDL_PushEvent(&e);
        }
        GameWindow->processEvents();
        UpdateSteering();
        KeyWord = ReadKeyWord();
        GameWindow->resetView();
        SetProjection(Width(), Height());
        ApplyCamera();
        RunGameFrame();
    }

    // The item the screen shows as pointed at, -1 for none.
    static int Hovered(Screen screen) {
        const int count = screen == SETUP ? (int)SETUP_CONTROL_COUNT : (int)MENU_ITEM_COUNT;
        for (int i = 0; i < count; ++i) {
            const uint8_t flag = screen == SETUP      ? SetupHover[i]
                                 : screen == EPISODES ? EpisodeHover[i]
                                                      : MainMenuHover[i];
            if (flag) return i;
        }
        return -1;
    }

    // The item a press acted on, -1 for none.
    static int Clicked(Screen screen) {
        if (screen == SETUP) {
            for (int i = 0; i < SETUP_CONTROL_COUNT; ++i)
                if (SetupPending[i]) return i;
            return -1;
        }
        if (screen == EPISODES) return GameState == GS_EPISODE_CHOSEN ? episode : -1;
        static const int after[MENU_ITEM_COUNT] = {GS_PLAY_CHOSEN, GS_SETUP, GS_HELP,
                                                   GS_QUIT_SCREEN};
        if (!MenuClickLatch) return -1;
        for (int i = 0; i < MENU_ITEM_COUNT; ++i)
            if (GameState == after[i] && (i != MENU_HELP || HelpVisible)) return i;
        return -2; // acted, but on what?
    }

    // The pointer as drawn: the picture with it against the one without.
    void ExpectPointerDrawnAt(int x, int y) {
        const PixelBox drawn = Difference(Picture(true), Picture(false));
        ASSERT_FALSE(drawn.empty()) << "no pointer drawn";
        EXPECT_NEAR((drawn.left + drawn.right + 1) / 2.0, x + 0.5, 1.0) << drawn;
        EXPECT_NEAR((drawn.top + drawn.bottom + 1) / 2.0, y + 0.5, 1.0) << drawn;
    }

    void CheckScreen(Screen screen) {
        SCOPED_TRACE(ScreenName(screen));
        Enter(screen);
        std::vector<PixelBox> boxes;
        const std::vector<uint8_t> whole = Picture(false);
        for (int slot : Items(screen)) {
            ASSERT_NE(slot, ENTITY_NONE);
            boxes.push_back(Footprint(whole, slot));
            ASSERT_FALSE(boxes.back().empty()) << "item " << boxes.size() - 1 << " not drawn";
        }
        for (size_t item = 0; item < boxes.size(); ++item) {
            const PixelBox& b = boxes[item];
            const int cx = (b.left + b.right) / 2, cy = (b.top + b.bottom) / 2;
            const struct {
                const char* where;
                int x, y;
                bool drawPointer;
            } points[] = {
                {"centre", cx, cy, true},
                {"near the lower edge", cx, b.bottom - 1, false},
                {"just below", cx, b.bottom + 2, false},
                {"just right of it", b.right + 2, cy, false},
            };
            for (const auto& point : points) {
                if (point.x >= Width() || point.y >= Height()) continue;
                SCOPED_TRACE(testing::Message()
                             << "item " << item << " " << b << ", " << point.where << " ("
                             << point.x << ", " << point.y << ")");
                // What the picture says is there: the first item drawn there.
                int expected = -1;
                for (size_t other = 0; other < boxes.size() && expected < 0; ++other)
                    if (boxes[other].holds(point.x, point.y)) expected = (int)other;

                Enter(screen);
                MoveMouseTo(point.x, point.y);
                if (HasFatalFailure()) return;
                Frame(false);
                EXPECT_EQ(Hovered(screen), expected) << "pointed at";
                if (point.drawPointer) ExpectPointerDrawnAt(point.x, point.y);
                Frame(true);
                EXPECT_EQ(Clicked(screen), expected) << "clicked";
                // A pending setup control would act on the release.
                for (uint8_t& pending : SetupPending)
                    pending = 0;
            }
        }
    }

    k3dtest::TempDir settings_;
    std::unique_ptr<k3dtest::OwnXServer> xserver_;
};

TEST_P(MenuClicks, TheBoxDrawnUnderThePointerTakesTheClick) {
    for (Screen screen : {MAIN_MENU, HELP, EPISODES, SETUP}) {
        CheckScreen(screen);
        if (HasFatalFailure()) return;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, MenuClicks,
    ::testing::Values(ScreenSize{"Windowed640x480", 1, false, 1280, 1024},
                      ScreenSize{"Windowed800x600", 2, false, 1280, 1024},
                      ScreenSize{"FullScreen640x480On1920x1080", 1, true, 1920, 1080}),
    [](const ::testing::TestParamInfo<ScreenSize>& info) { return std::string(info.param.name); });

} // namespace
