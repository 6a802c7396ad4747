// KWindowGL on a real SDL window under Xvfb with Mesa.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/platform_local.h"
#include "tests/support/test_support.h"

namespace {

class WindowTest : public ::testing::Test {
  protected:
    void TearDown() override {
        delete window;
        window = nullptr;
        xserver.reset();
        SetExeDirectory(k3dtest::GameDir());
    }
    // For a test that moves the pointer: its windows go on an X server of
    // its own, where no test running beside it can move the pointer away.
    void UseOwnXServer() {
        xserver.reset(new k3dtest::OwnXServer());
        ASSERT_TRUE(xserver->ok());
    }
    KWindowGL* Open(int width, int height, bool windowed) {
        KWindow* made = createWindowObject(true, false);
        window = static_cast<KWindowGL*>(made);
        if (window && !window->createWindow(width, height, 32, windowed, "K3D test"))
            return nullptr;
        return window;
    }
    void Push(Uint32 type, SDL_Scancode scancode) {
        SDL_Event event;
        std::memset(&event, 0, sizeof(event));
        event.type = type;
        event.key.keysym.scancode = scancode;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        SDL_PushEvent(&event);
    }
    std::unique_ptr<k3dtest::OwnXServer> xserver;
    KWindowGL* window = nullptr;
};

double CpuMs() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

double WallMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

// The Targa header fields the screenshot writes.
struct TargaInfo {
    int type, width, height, bits;
};

bool ReadTarga(const std::string& path, TargaInfo* info, std::string* pixels) {
    std::string bytes;
    if (!k3dtest::ReadWholeFile(path, &bytes) || bytes.size() < 18) return false;
    const unsigned char* h = reinterpret_cast<const unsigned char*>(bytes.data());
    info->type = h[2];
    info->width = h[12] | (h[13] << 8);
    info->height = h[14] | (h[15] << 8);
    info->bits = h[16];
    *pixels = bytes.substr(18);
    return true;
}

// Puts the mouse at a game position and reads it back, repeating the warp
// for up to a second until SDL has seen the motion.
void WarpAndRead(int x, int y, int* readX, int* readY) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        setMousePosition(x, y);
        SDL_PumpEvents();
        *readX = getMouseX();
        *readY = getMouseY();
        if (std::abs(*readX - x) <= 1 && std::abs(*readY - y) <= 1) return;
        SDL_Delay(20);
    }
}

} // namespace

TEST_F(WindowTest, FactoryAndFrameRateSettings) {
    EXPECT_EQ(createWindowObject(false, false), nullptr);
    ASSERT_NE(Open(320, 240, true), nullptr);
    EXPECT_EQ(window->getWidth(), 320);
    EXPECT_EQ(window->getHeight(), 240);
    EXPECT_FALSE(window->isQuitRequested());
    window->setMaxFrameRate(80);
    EXPECT_EQ(window->getFramePeriodMs(), 12);
    window->setMaxFrameRate(7);
    EXPECT_EQ(window->getFramePeriodMs(), 142);
    window->setMaxFrameRate(0);
    EXPECT_EQ(window->getFramePeriodMs(), 0);
    window->setMaxFrameRate(-1);
    EXPECT_EQ(window->getFramePeriodMs(), 0);
    GLint depthBits = 0;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    EXPECT_GE(depthBits, 16); // asked for although the game passes false
}

TEST_F(WindowTest, FrameCapSpacesFlipsAndSleeps) {
    ASSERT_NE(Open(320, 240, true), nullptr);
    window->setMaxFrameRate(80);
    window->flipBackBuffer(false, true);
    // Read to the nanosecond: a millisecond clock read a moment after the
    // flip may already have ticked over and show 11.
    double last = WallMs();
    double shortest = 1000;
    const double cpuStart = CpuMs(), wallStart = last;
    for (int i = 0; i < 25; ++i) {
        window->flipBackBuffer(false, true);
        const double now = WallMs();
        if (now - last < shortest) shortest = now - last;
        last = now;
    }
    const double cpu = CpuMs() - cpuStart, wall = WallMs() - wallStart;
    EXPECT_GE(shortest, 11.95);
    EXPECT_GE(wall, 25 * 12 - 2);
    // Waiting sleeps: a spinning cap would use the whole wall time.
    EXPECT_LT(cpu, wall * 0.6) << "cpu " << cpu << " ms of " << wall << " ms";
}

TEST_F(WindowTest, ShortPressesAreLatchedForOneFrame) {
    ASSERT_NE(Open(320, 240, true), nullptr);
    window->flipBackBuffer(false, true);
    // Down and up inside one frame, as a quick tap arrives.
    Push(SDL_KEYDOWN, SDL_SCANCODE_SPACE);
    Push(SDL_KEYUP, SDL_SCANCODE_SPACE);
    SDL_Event click;
    std::memset(&click, 0, sizeof(click));
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.button = SDL_BUTTON_RIGHT;
    SDL_PushEvent(&click);
    click.type = SDL_MOUSEBUTTONUP;
    SDL_PushEvent(&click);
    window->processEvents();
    EXPECT_TRUE(isKeyDown(K_SPACE));
    EXPECT_TRUE(isRightButtonDown());
    EXPECT_FALSE(isLeftButtonDown());
    window->processEvents();
    EXPECT_FALSE(isKeyDown(K_SPACE));
    EXPECT_FALSE(isRightButtonDown());
}

TEST_F(WindowTest, ScreenshotKeyWritesNumberedTargasOfTheBackBuffer) {
    k3dtest::TempDir dir;
    SetExeDirectory(dir.path().c_str());
    ASSERT_NE(Open(320, 240, true), nullptr);
    const int first = ScreenshotCounter + 1;
    for (int shot = 0; shot < 3; ++shot) {
        Push(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT);
        Push(SDL_KEYDOWN, shot == 1 ? SDL_SCANCODE_PRINTSCREEN : SDL_SCANCODE_F12);
        window->processEvents();
        // The next finished frame is the picture: red on the left half.
        window->setView(0, 0, 0, 1.0f, false);
        glClearColor(0, 0, 1, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        glDisable(GL_TEXTURE_2D);
        glColor3f(1, 0, 0);
        glRecti(0, 0, 160, 240);
        glColor3f(1, 1, 1);
        window->flipBackBuffer(false, true);
    }
    // F12 without left Shift is no screenshot.
    Push(SDL_KEYDOWN, SDL_SCANCODE_F12);
    window->processEvents();
    window->flipBackBuffer(false, true);
    EXPECT_EQ(ScreenshotCounter, first + 2);

    for (int n = first; n < first + 3; ++n) {
        TargaInfo info;
        std::string pixels;
        const std::string path = dir.file("screenshot" + std::to_string(n) + ".tga");
        ASSERT_TRUE(ReadTarga(path, &info, &pixels)) << path;
        EXPECT_EQ(info.type, 2);
        EXPECT_EQ(info.width, 320);
        EXPECT_EQ(info.height, 240);
        EXPECT_EQ(info.bits, 32);
        ASSERT_EQ(pixels.size(), 320u * 240u * 4u);
        const unsigned char* p = reinterpret_cast<const unsigned char*>(pixels.data());
        // BGRA, opaque: red on the left, blue on the right.
        const unsigned char* left = p + (120 * 320 + 10) * 4;
        const unsigned char* right = p + (120 * 320 + 300) * 4;
        EXPECT_EQ(left[2], 255);
        EXPECT_EQ(left[0], 0);
        EXPECT_EQ(left[3], 255);
        EXPECT_EQ(right[0], 255);
        EXPECT_EQ(right[2], 0);
    }
    EXPECT_FALSE(k3dtest::FileExists(dir.file("screenshot" + std::to_string(first + 3) + ".tga")));
}

TEST_F(WindowTest, OtherScreenshotFormatsDecode) {
    k3dtest::TempDir dir;
    ASSERT_NE(Open(64, 48, true), nullptr);
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_TRUE(window->saveScreenshot(dir.file("a.bmp").c_str(), SCREENSHOT_BMP, 0, 0));
    EXPECT_TRUE(window->saveScreenshot(dir.file("a.png").c_str(), SCREENSHOT_PNG, 0, 0));
    EXPECT_TRUE(window->saveScreenshot(dir.file("a.jpg").c_str(), SCREENSHOT_JPEG, 0, 0));
    EXPECT_TRUE(window->saveScreenshot(dir.file("a.x").c_str(), 9, 0, 0));
    EXPECT_FALSE(k3dtest::FileExists(dir.file("a.x")));
    // A shot that cannot be written is not reported as taken.
    for (int format : {SCREENSHOT_BMP, SCREENSHOT_JPEG, SCREENSHOT_TGA, SCREENSHOT_PNG}) {
        EXPECT_FALSE(window->saveScreenshot(dir.file("gone/a").c_str(), format, 0, 0)) << format;
    }
    SDL_Surface* bmp = SDL_LoadBMP(dir.file("a.bmp").c_str());
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(bmp->w, 64);
    EXPECT_EQ(bmp->h, 48);
    Uint8 r, g, b;
    SDL_LockSurface(bmp);
    const Uint32 pixel = *static_cast<Uint32*>(bmp->pixels);
    SDL_GetRGB(pixel, bmp->format, &r, &g, &b);
    SDL_UnlockSurface(bmp);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(g, 255);
    EXPECT_EQ(b, 0);
    SDL_FreeSurface(bmp);
    std::string png;
    ASSERT_TRUE(k3dtest::ReadWholeFile(dir.file("a.png"), &png));
    EXPECT_EQ(png.substr(1, 3), "PNG");
    std::string jpg;
    ASSERT_TRUE(k3dtest::ReadWholeFile(dir.file("a.jpg"), &jpg));
    EXPECT_EQ((unsigned char)jpg[0], 0xFF);
    EXPECT_EQ((unsigned char)jpg[1], 0xD8);
    // Without the encoders' library the picture is kept, as Targa.
    const char* library = ImageLibraryName;
    ImageLibraryName = "libk3d-no-such-library.so";
    EXPECT_TRUE(window->saveScreenshot(dir.file("b.png").c_str(), SCREENSHOT_PNG, 0, 0));
    ImageLibraryName = library;
    EXPECT_FALSE(k3dtest::FileExists(dir.file("b.png")));
    TargaInfo info;
    std::string pixels;
    ASSERT_TRUE(ReadTarga(dir.file("b.tga"), &info, &pixels));
    EXPECT_EQ(info.width, 64);
    EXPECT_EQ(info.height, 48);
    EXPECT_EQ(pixels.substr(0, 4), std::string("\0\xff\0\xff", 4)); // green, BGRA
}

TEST_F(WindowTest, BrightnessDarkensAtTheFlip) {
    k3dtest::TempDir dir;
    SetExeDirectory(dir.path().c_str());
    ASSERT_NE(Open(64, 48, true), nullptr);
    window->setBrightness(0.25f);
    Push(SDL_KEYDOWN, SDL_SCANCODE_LSHIFT);
    Push(SDL_KEYDOWN, SDL_SCANCODE_F12);
    window->processEvents();
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    window->flipBackBuffer(false, true);
    TargaInfo info;
    std::string pixels;
    ASSERT_TRUE(ReadTarga(dir.file("screenshot" + std::to_string(ScreenshotCounter) + ".tga"),
                          &info, &pixels));
    // White under black at alpha 0.75 is a quarter white.
    EXPECT_NEAR((unsigned char)pixels[0], 64, 2);
}

TEST_F(WindowTest, CloseOnlySetsTheQuitFlag) {
    ASSERT_NE(Open(320, 240, true), nullptr);
    SDL_Window* sdlWindow = static_cast<SDL_Window*>(window->getWindowHandle());
    SDL_Event close;
    std::memset(&close, 0, sizeof(close));
    close.type = SDL_WINDOWEVENT;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    close.window.windowID = SDL_GetWindowID(sdlWindow);
    SDL_PushEvent(&close);
    window->processEvents();
    EXPECT_TRUE(window->isQuitRequested());
    EXPECT_NE(SDL_GetWindowFromID(SDL_GetWindowID(sdlWindow)), nullptr);
    window->setQuitRequested(false);
    EXPECT_FALSE(window->isQuitRequested());
    window->requestQuit();
    EXPECT_TRUE(window->isQuitRequested());
    SDL_FlushEvent(SDL_QUIT);
}

TEST_F(WindowTest, FullScreenDrawsOffscreenAndMapsTheMouseBack) {
    UseOwnXServer();
    ASSERT_NE(Open(400, 300, false), nullptr);
    ASSERT_TRUE(window->hasOffscreenFrame());
    int x, y, w, h;
    window->getPresentRect(&x, &y, &w, &h);
    int drawableW = 0, drawableH = 0;
    SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(window->getWindowHandle()), &drawableW,
                           &drawableH);
    // The window covers the desktop even without a window manager.
    SDL_Rect desktop;
    ASSERT_EQ(SDL_GetDisplayBounds(0, &desktop), 0);
    EXPECT_EQ(drawableW, desktop.w);
    EXPECT_EQ(drawableH, desktop.h);
    // The largest centred 4:3 box of the desktop.
    EXPECT_EQ(w * 3, h * 4);
    EXPECT_TRUE(w == drawableW || h == drawableH);
    EXPECT_EQ(x, (drawableW - w) / 2);
    EXPECT_EQ(y, (drawableH - h) / 2);
    // The game's viewport is its own size, in the offscreen frame.
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 400);
    EXPECT_EQ(viewport[3], 300);
    int mouseX = 0, mouseY = 0;
    WarpAndRead(200, 150, &mouseX, &mouseY);
    EXPECT_NEAR(mouseX, 200, 1);
    EXPECT_NEAR(mouseY, 150, 1);
    WarpAndRead(0, 0, &mouseX, &mouseY);
    EXPECT_NEAR(mouseX, 0, 1);
    EXPECT_NEAR(mouseY, 0, 1);
    window->flipBackBuffer(false, true);
    // Back to windowed: the frame goes, the window takes the game's size.
    SDL_Window* sdlWindow = static_cast<SDL_Window*>(window->getWindowHandle());
    EXPECT_FALSE(window->setFullScreen(false));
    EXPECT_FALSE(window->hasOffscreenFrame());
    SDL_GL_GetDrawableSize(sdlWindow, &drawableW, &drawableH);
    EXPECT_EQ(drawableW, 400);
    EXPECT_EQ(drawableH, 300);
    EXPECT_TRUE(window->setFullScreen(true));
    EXPECT_TRUE(window->hasOffscreenFrame());
    SDL_GL_GetDrawableSize(sdlWindow, &drawableW, &drawableH);
    EXPECT_EQ(drawableW, desktop.w);
    EXPECT_EQ(drawableH, desktop.h);
}

// Another client on the same X server took the focus: with no window
// manager nobody gives it back, so the waiting flip must give up by itself.
TEST_F(WindowTest, WaitForTheFocusIsBoundedAndLeftOutOfTheClock) {
    ASSERT_NE(Open(400, 300, false), nullptr);
    SDL_Event lost;
    std::memset(&lost, 0, sizeof(lost));
    lost.type = SDL_WINDOWEVENT;
    lost.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    lost.window.windowID = SDL_GetWindowID(static_cast<SDL_Window*>(window->getWindowHandle()));
    SDL_PushEvent(&lost);
    window->processEvents();
    ASSERT_FALSE(window->isForeground());
    const uint32_t clockStart = getClockMs();
    const double wallStart = WallMs();
    window->flipBackBuffer(true, true);
    const double wall = WallMs() - wallStart;
    const uint32_t clock = getClockMs() - clockStart;
    EXPECT_LT(wall, 5000);
    // Only the swap and the event pump count, however long the wait was.
    EXPECT_LT(clock, 500u) << "waited " << wall << " ms";
    // A flip that is not asked to wait never does.
    SDL_PushEvent(&lost);
    window->processEvents();
    const double quickStart = WallMs();
    window->flipBackBuffer(false, true);
    EXPECT_LT(WallMs() - quickStart, 500);
}
