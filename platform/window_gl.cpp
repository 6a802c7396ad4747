// KWindowGL on SDL2: one window with a compatibility GL context, the flip
// with its frame cap, the event pump, full screen on the desktop-sized
// window with an offscreen frame, and the screenshot key.
#include "platform/platform_local.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <cstring>
#include <new>
#include <cerrno>
#include <ctime>

int ScreenshotCounter = 0;

static bool UseOpenGL = false;
static uint32_t LastFlipMs = 0;
static timespec LastFlipTime = {0, 0}; // the same instant, to the nanosecond
// Set by the event pump when the window loses the keyboard focus or is
// minimised, until takeFocusLoss reads it.
static bool FocusLost = false;

bool takeFocusLoss() {
    const bool lost = FocusLost;
    FocusLost = false;
    return lost;
}

// The longest a flip waits for the focus to come back.
static const Uint32 InactiveWaitMs = 2000;

// Framebuffer objects are not GL 1.1: fetched from the driver once.
static PFNGLGENFRAMEBUFFERSPROC GenFramebuffers = nullptr;
static PFNGLDELETEFRAMEBUFFERSPROC DeleteFramebuffers = nullptr;
static PFNGLBINDFRAMEBUFFERPROC BindFramebuffer = nullptr;
static PFNGLGENRENDERBUFFERSPROC GenRenderbuffers = nullptr;
static PFNGLDELETERENDERBUFFERSPROC DeleteRenderbuffers = nullptr;
static PFNGLBINDRENDERBUFFERPROC BindRenderbuffer = nullptr;
static PFNGLRENDERBUFFERSTORAGEPROC RenderbufferStorage = nullptr;
static PFNGLFRAMEBUFFERRENDERBUFFERPROC FramebufferRenderbuffer = nullptr;
static PFNGLCHECKFRAMEBUFFERSTATUSPROC CheckFramebufferStatus = nullptr;
static PFNGLBLITFRAMEBUFFERPROC BlitFramebuffer = nullptr;

static bool LoadFramebufferFunctions() {
    GenFramebuffers = (PFNGLGENFRAMEBUFFERSPROC)SDL_GL_GetProcAddress("glGenFramebuffers");
    DeleteFramebuffers = (PFNGLDELETEFRAMEBUFFERSPROC)SDL_GL_GetProcAddress("glDeleteFramebuffers");
    BindFramebuffer = (PFNGLBINDFRAMEBUFFERPROC)SDL_GL_GetProcAddress("glBindFramebuffer");
    GenRenderbuffers = (PFNGLGENRENDERBUFFERSPROC)SDL_GL_GetProcAddress("glGenRenderbuffers");
    DeleteRenderbuffers =
        (PFNGLDELETERENDERBUFFERSPROC)SDL_GL_GetProcAddress("glDeleteRenderbuffers");
    BindRenderbuffer = (PFNGLBINDRENDERBUFFERPROC)SDL_GL_GetProcAddress("glBindRenderbuffer");
    RenderbufferStorage =
        (PFNGLRENDERBUFFERSTORAGEPROC)SDL_GL_GetProcAddress("glRenderbufferStorage");
    FramebufferRenderbuffer =
        (PFNGLFRAMEBUFFERRENDERBUFFERPROC)SDL_GL_GetProcAddress("glFramebufferRenderbuffer");
    CheckFramebufferStatus =
        (PFNGLCHECKFRAMEBUFFERSTATUSPROC)SDL_GL_GetProcAddress("glCheckFramebufferStatus");
    BlitFramebuffer = (PFNGLBLITFRAMEBUFFERPROC)SDL_GL_GetProcAddress("glBlitFramebuffer");
    return GenFramebuffers && DeleteFramebuffers && BindFramebuffer && GenRenderbuffers &&
           DeleteRenderbuffers && BindRenderbuffer && RenderbufferStorage &&
           FramebufferRenderbuffer && CheckFramebufferStatus && BlitFramebuffer;
}

// 16 x 16 arrow to the upper left: 'W' white outline, 'B' black fill.
static const char* const CursorRows[16] = {
    "W               ", "WW              ", "WBW             ", "WBBW            ",
    "WBBBW           ", "WBBBBW          ", "WBBBBBW         ", "WBBBBBBW        ",
    "WBBBBBBBW       ", "WBBBBBBBBW      ", "WBBBBBWWWWW     ", "WBBWBBW         ",
    "WBW WBBW        ", "WW  WBBW        ", "W    WBBW       ", "     WWW        ",
};

// The primary display's desktop rectangle; the game's size when unknown.
static void DesktopBounds(int* x, int* y, int* w, int* h) {
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(0, &bounds) == 0 && bounds.w > 0 && bounds.h > 0) {
        *x = bounds.x;
        *y = bounds.y;
        *w = bounds.w;
        *h = bounds.h;
    }
}

bool initVideo() {
    if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
    const char* chosen = SDL_getenv("SDL_VIDEODRIVER");
    if (chosen != nullptr && chosen[0] != '\0') return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    // SDL would fall back to its offscreen driver without a display; a game
    // with no picture must fail instead, so only real displays are tried.
    const int count = SDL_GetNumVideoDrivers();
    for (int i = 0; i < count; ++i) {
        const char* name = SDL_GetVideoDriver(i);
        if (name == nullptr || std::strcmp(name, "offscreen") == 0 ||
            std::strcmp(name, "dummy") == 0 || std::strcmp(name, "evdev") == 0) {
            continue;
        }
        SDL_SetHint(SDL_HINT_VIDEODRIVER, name);
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    }
    return false;
}

KWindow* createWindowObject(bool openGL, bool depthBuffer) {
    UseOpenGL = openGL;
    GetExeDirectory();
    if (!openGL) return nullptr;
    return new (std::nothrow) KWindowGL(depthBuffer);
}

KWindowGL::KWindowGL(bool depthBuffer)
    : parentWindow(nullptr), clearColor{0, 0, 0, 0}, glContext(nullptr), window(nullptr),
      messageHook(nullptr), eventCallback(nullptr), extensionsProbed(false), hasSwapControl(false),
      fullScreen(false), width(0), height(0), depth(0), framePeriodMs(0), textureRectangle(false),
      hardwareAccelerated(false), wantDepthBuffer(depthBuffer), brightness(1.0f),
      quitRequested(false), softwareCursor(false), offscreenFrame(0), offscreenColour(0),
      offscreenDepth(0), foreground(true), pendingShot{0}, pictureLost(true) {
    initClock();
}

KWindowGL::~KWindowGL() {
    messageHook = nullptr;
    eventCallback = nullptr;
    showSystemCursor();
    destroyOffscreenFrame();
    if (glContext) {
        SDL_GL_MakeCurrent(static_cast<SDL_Window*>(window), nullptr);
        SDL_GL_DeleteContext(glContext);
        glContext = nullptr;
    }
    if (window) {
        SDL_DestroyWindow(static_cast<SDL_Window*>(window));
        window = nullptr;
    }
    initInput(nullptr);
    SetInputMapping(0, 0, 0, 0, 0, 0);
    quitRequested = true;
}

void KWindowGL::resetView() {
    setView(0, 0, 0, 1.0f, false);
}

void KWindowGL::setView(float x, float y, float angle, float zoom, bool clear) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, 0, height, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    if (clear) {
        glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glLoadIdentity();
    glTranslatef((float)(width / 2), (float)(height / 2), 0);
    glRotatef(angle, 0, 0, 1);
    glScalef(zoom, zoom, 0);
    glTranslatef((float)(-width / 2), (float)(-height / 2), 0);
    if (zoom != 0) glTranslatef(x / zoom, y / zoom, 0);
    glDisable(GL_DEPTH_TEST);
    glViewport(0, 0, width, height);
    glEnable(GL_DITHER);
}

void KWindowGL::setClearColor(float r, float g, float b, float a) {
    clearColor[0] = r;
    clearColor[1] = g;
    clearColor[2] = b;
    clearColor[3] = a;
}

bool KWindowGL::createWindow(int newWidth, int newHeight, int newDepth, bool windowed,
                             const char* title) {
    quitRequested = false;
    width = (int16_t)newWidth;
    height = (int16_t)newHeight;
    depth = (int16_t)newDepth;
    fullScreen = !windowed;
    if (!initVideo()) {
        std::fprintf(stderr, "VIDEO: no display: %s\n", SDL_GetError());
        return false;
    }
    // A quit posted by the window this one replaces is not meant for it.
    SDL_FlushEvent(SDL_QUIT);

    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    const int channel = newDepth == 16 ? 5 : 8;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, newDepth == 16 ? 6 : 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    // The scene needs a depth buffer whatever the caller asked: a 0-bit
    // request really gets none here.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN;
    int placeX = SDL_WINDOWPOS_CENTERED, placeY = SDL_WINDOWPOS_CENTERED;
    int placeW = width, placeH = height;
    if (fullScreen) {
        // Desktop-sized and borderless already: without a window manager
        // the full-screen request alone leaves the window at its own size.
        flags |= SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS;
        DesktopBounds(&placeX, &placeY, &placeW, &placeH);
    }
    SDL_Window* sdlWindow = SDL_CreateWindow(title, placeX, placeY, placeW, placeH, flags);
    if (sdlWindow == nullptr) {
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
        sdlWindow = SDL_CreateWindow(title, placeX, placeY, placeW, placeH, flags);
    }
    if (sdlWindow == nullptr) {
        std::fprintf(stderr, "VIDEO: no window: %s\n", SDL_GetError());
        return false;
    }
    window = sdlWindow;
    foreground = true;
    initInput(this);

    glContext = SDL_GL_CreateContext(sdlWindow);
    bool ok = glContext != nullptr && SDL_GL_MakeCurrent(sdlWindow, glContext) == 0;
    hardwareAccelerated = ok;
    if (!ok) { // nothing below can run without a context
        std::fprintf(stderr, "VIDEO: no OpenGL context: %s\n", SDL_GetError());
        return false;
    }

    hasSwapControl = SDL_GL_SetSwapInterval(1) == 0;
    textureRectangle = SDL_GL_ExtensionSupported("GL_EXT_texture_rectangle") ||
                       SDL_GL_ExtensionSupported("GL_NV_texture_rectangle");
    applyTextureRectangleSupport();
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_FLAT);

    if (fullScreen && !createOffscreenFrame()) {
        // Without framebuffer objects the picture is drawn unscaled.
        destroyOffscreenFrame();
    }
    int x, y, w, h;
    getPresentRect(&x, &y, &w, &h);
    int drawableW = 0, drawableH = 0;
    SDL_GL_GetDrawableSize(sdlWindow, &drawableW, &drawableH);
    SetInputMapping(x, drawableH - y - h, w, h, width, height);

    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    flipBackBuffer(true, true);

    char vendor[128], renderer[128];
    const char* v = reinterpret_cast<const char*>(glGetString(GL_VENDOR));
    const char* r = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::snprintf(vendor, sizeof(vendor), "%s", v ? v : "");
    std::snprintf(renderer, sizeof(renderer), "%s", r ? r : "");
    for (char* c = vendor; *c; ++c)
        *c = (char)std::tolower((unsigned char)*c);
    for (char* c = renderer; *c; ++c)
        *c = (char)std::tolower((unsigned char)*c);
    extensionsProbed = true;
    if (std::strstr(renderer, "llvmpipe") || std::strstr(renderer, "softpipe") ||
        std::strstr(renderer, "swrast")) {
        hardwareAccelerated = false;
    }
    resetView();
    glViewport(0, 0, width, height);
    return ok;
}

bool KWindowGL::createOffscreenFrame() {
    if (!LoadFramebufferFunctions()) return false;
    GenFramebuffers(1, &offscreenFrame);
    GenRenderbuffers(1, &offscreenColour);
    GenRenderbuffers(1, &offscreenDepth);
    BindRenderbuffer(GL_RENDERBUFFER, offscreenColour);
    RenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    BindRenderbuffer(GL_RENDERBUFFER, offscreenDepth);
    RenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
    BindRenderbuffer(GL_RENDERBUFFER, 0);
    BindFramebuffer(GL_FRAMEBUFFER, offscreenFrame);
    FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, offscreenColour);
    FramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, offscreenDepth);
    return CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
}

void KWindowGL::destroyOffscreenFrame() {
    if (offscreenFrame == 0 && offscreenColour == 0 && offscreenDepth == 0) return;
    BindFramebuffer(GL_FRAMEBUFFER, 0);
    if (offscreenFrame) DeleteFramebuffers(1, &offscreenFrame);
    if (offscreenColour) DeleteRenderbuffers(1, &offscreenColour);
    if (offscreenDepth) DeleteRenderbuffers(1, &offscreenDepth);
    offscreenFrame = offscreenColour = offscreenDepth = 0;
}

void KWindowGL::getPresentRect(int* x, int* y, int* w, int* h) {
    int drawableW = width, drawableH = height;
    if (window) SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(window), &drawableW, &drawableH);
    if (offscreenFrame == 0) {
        // Drawn straight into the window: the picture sits at the lower left.
        *x = 0;
        *y = drawableH - height;
        *w = width;
        *h = height;
        if (drawableH < height) *y = 0;
        return;
    }
    // The largest 4:3 box that fits, centred.
    int boxW = drawableW, boxH = drawableW * 3 / 4;
    if (boxH > drawableH) {
        boxH = drawableH;
        boxW = drawableH * 4 / 3;
    }
    *x = (drawableW - boxW) / 2;
    *y = (drawableH - boxH) / 2;
    *w = boxW;
    *h = boxH;
}

void KWindowGL::setParentWindow(void* parent) {
    parentWindow = parent;
}

void KWindowGL::requestQuit() {
    quitRequested = true;
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
        SDL_Event quit;
        std::memset(&quit, 0, sizeof(quit));
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
    }
}

bool KWindowGL::setFullScreen(bool on) {
    if (on == fullScreen || window == nullptr) return fullScreen;
    SDL_Window* sdlWindow = static_cast<SDL_Window*>(window);
    if (on) {
        int x = 0, y = 0, w = width, h = height;
        DesktopBounds(&x, &y, &w, &h);
        SDL_SetWindowBordered(sdlWindow, SDL_FALSE);
        SDL_SetWindowPosition(sdlWindow, x, y);
        SDL_SetWindowSize(sdlWindow, w, h);
        SDL_SetWindowFullscreen(sdlWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
        fullScreen = true;
        if (!createOffscreenFrame()) destroyOffscreenFrame();
    } else {
        destroyOffscreenFrame();
        SDL_SetWindowFullscreen(sdlWindow, 0);
        SDL_SetWindowBordered(sdlWindow, SDL_TRUE);
        SDL_SetWindowSize(sdlWindow, width, height);
        SDL_SetWindowPosition(sdlWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        fullScreen = false;
    }
    int x, y, w, h, drawableW, drawableH;
    getPresentRect(&x, &y, &w, &h);
    SDL_GL_GetDrawableSize(sdlWindow, &drawableW, &drawableH);
    SetInputMapping(x, drawableH - y - h, w, h, width, height);
    pictureLost = true;
    return fullScreen;
}

bool KWindowGL::isForeground() {
    return window != nullptr && foreground;
}

void KWindowGL::setTitle(const char* title) {
    if (window) SDL_SetWindowTitle(static_cast<SDL_Window*>(window), title);
}

void KWindowGL::drawSoftwareCursor() {
    static uint8_t pixels[16 * 16 * 4];
    static bool built = false;
    if (!built) {
        // Rows stored bottom first, as glDrawPixels takes them.
        for (int row = 0; row < 16; ++row) {
            for (int col = 0; col < 16; ++col) {
                uint8_t* p = pixels + ((15 - row) * 16 + col) * 4;
                const char c = CursorRows[row][col];
                const uint8_t value = c == 'W' ? 255 : 0;
                p[0] = p[1] = p[2] = value;
                p[3] = c == ' ' ? 0 : 255;
            }
        }
        built = true;
    }
    resetView();
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const int x = getMouseX(), y = getMouseY();
    if (x >= 0 && x < width && y >= 0 && y <= height - 16) {
        glRasterPos2i(x, height - y - 16);
        glDrawPixels(16, 16, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    }
    glDisable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
}

void KWindowGL::darkenFrame() {
    resetView();
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const float alpha = 1.0f - brightness > 0 ? 1.0f - brightness : 0.0f;
    glColor4f(0, 0, 0, alpha);
    glBegin(GL_QUADS);
    glVertex2i(0, 0);
    glVertex2i(width, 0);
    glVertex2i(width, height);
    glVertex2i(0, height);
    glEnd();
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    glBindTexture(GL_TEXTURE_2D, 0);
}

// Frame cap: no flip sooner than the period after the last, one sleep to
// that instant, so a capped frame costs no CPU while it waits.
void KWindowGL::waitFrameCap(uint32_t flipStartMs) {
    if (framePeriodMs > 0 && (uint32_t)(flipStartMs - LastFlipMs) <= (uint32_t)framePeriodMs) {
        timespec deadline = LastFlipTime;
        deadline.tv_nsec += (long)framePeriodMs * 1000000L;
        deadline.tv_sec += deadline.tv_nsec / 1000000000L;
        deadline.tv_nsec %= 1000000000L;
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
        }
    }
    clock_gettime(CLOCK_MONOTONIC, &LastFlipTime);
    LastFlipMs = getClockMs();
}

void KWindowGL::holdFrame() {
    if (window == nullptr) return;
    const uint32_t now = getClockMs();
    processEvents();
    waitFrameCap(now);
}

bool KWindowGL::needsFlip() {
    // The software cursor and a darkened frame are drawn by the flip itself.
    return pictureLost || pendingShot[0] != '\0' || softwareCursor || brightness < 1.0f;
}

void KWindowGL::flipBackBuffer(bool waitWhileInactive, bool resetViewAfter) {
    if (window == nullptr) return;
    SDL_Window* sdlWindow = static_cast<SDL_Window*>(window);
    if (softwareCursor) drawSoftwareCursor();
    const uint32_t now = getClockMs();
    if (framePeriodMs >= 0 && hasSwapControl) SDL_GL_SetSwapInterval(1);
    if (brightness < 1.0f) darkenFrame();

    // Under Xvfb the front buffer reads back black: the picture is taken
    // from the finished back buffer (or offscreen frame) before the swap.
    if (pendingShot[0] != '\0') {
        saveScreenshot(pendingShot, SCREENSHOT_TGA, 0, 0);
        pendingShot[0] = '\0';
    }

    if (offscreenFrame != 0) {
        GLfloat savedClear[4];
        glGetFloatv(GL_COLOR_CLEAR_VALUE, savedClear);
        const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
        int x, y, w, h, drawableW, drawableH;
        getPresentRect(&x, &y, &w, &h);
        SDL_GL_GetDrawableSize(sdlWindow, &drawableW, &drawableH);
        BindFramebuffer(GL_READ_FRAMEBUFFER, offscreenFrame);
        BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glDisable(GL_SCISSOR_TEST);
        glViewport(0, 0, drawableW, drawableH);
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        BlitFramebuffer(0, 0, width, height, x, y, x + w, y + h, GL_COLOR_BUFFER_BIT, GL_LINEAR);
        SDL_GL_SwapWindow(sdlWindow);
        BindFramebuffer(GL_FRAMEBUFFER, offscreenFrame);
        glClearColor(savedClear[0], savedClear[1], savedClear[2], savedClear[3]);
        if (scissor) glEnable(GL_SCISSOR_TEST);
        glViewport(0, 0, width, height);
    } else {
        SDL_GL_SwapWindow(sdlWindow);
    }

    pictureLost = false;
    if (resetViewAfter) resetView();
    processEvents();
    waitFrameCap(now);

    if (waitWhileInactive && !isForeground()) {
        // Minimised or in the background: wait for the focus (or a close),
        // and leave the waiting time out of the engine clock. The wait is
        // bounded: on an X server without a window manager the focus leaves
        // with the pointer and nobody ever hands it back. Timed by SDL's
        // ticks, since reading the engine clock here would count the wait.
        const Uint32 start = SDL_GetTicks();
        while (window != nullptr && !foreground && !quitRequested) {
            const Uint32 waited = SDL_GetTicks() - start;
            if (waited >= InactiveWaitMs) {
                std::fprintf(stderr, "WINDOW: still without the focus after %u ms, going on\n",
                             (unsigned)waited);
                break;
            }
            SDL_Event event;
            if (SDL_WaitEventTimeout(&event, 100)) handleEvent(&event);
        }
        resyncClock();
    }
}

void KWindowGL::handleEvent(const void* raw) {
    const SDL_Event& event = *static_cast<const SDL_Event*>(raw);
    if (messageHook != nullptr && !messageHook(window, event.type, (uintptr_t)raw, 0)) return;

    KWindowEvent record;
    std::memset(&record, 0, sizeof(record));
    record.message = (int32_t)event.type;
    record.keyId = KEY_NONE;
    record.x = getMouseX();
    record.y = getMouseY();
    int button = 0;
    switch (event.type) {
    case SDL_KEYDOWN:
        record.type = KEVENT_KEY_DOWN;
        record.keyId = keyOfScancode(event.key.keysym.scancode);
        record.virtualKey = record.keyId < KEY_COUNT ? KeyTable[record.keyId].virtualKey : 0;
        record.character = (uint8_t)event.key.keysym.scancode;
        latchKey(record.keyId);
        break;
    case SDL_KEYUP:
        record.type = KEVENT_KEY_UP;
        record.keyId = keyOfScancode(event.key.keysym.scancode);
        record.virtualKey = record.keyId < KEY_COUNT ? KeyTable[record.keyId].virtualKey : 0;
        record.character = (uint8_t)(event.key.keysym.sym & 0xff);
        break;
    case SDL_TEXTINPUT:
        record.type = KEVENT_CHARACTER;
        record.character = (uint8_t)event.text.text[0];
        break;
    case SDL_MOUSEMOTION:
        record.type = KEVENT_MOUSE_MOVE;
        addMouseMotion(event.motion.xrel, event.motion.yrel);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        button = event.button.button == SDL_BUTTON_LEFT     ? 1
                 : event.button.button == SDL_BUTTON_RIGHT  ? 2
                 : event.button.button == SDL_BUTTON_MIDDLE ? 3
                                                            : 0;
        record.button = button;
        if (event.type == SDL_MOUSEBUTTONUP) {
            record.type = KEVENT_BUTTON_UP;
        } else {
            latchButton(button);
            record.type =
                event.button.clicks == 2 && button != 3 ? KEVENT_DOUBLE_CLICK : KEVENT_BUTTON_DOWN;
        }
        break;
    case SDL_MOUSEWHEEL:
        record.type = KEVENT_WHEEL;
        record.wheel = (int16_t)(event.wheel.y * 120);
        break;
    default:
        break;
    }
    if (eventCallback != nullptr && !eventCallback(&record)) return;

    if (event.type == SDL_QUIT) quitRequested = true;
    if (event.type == SDL_WINDOWEVENT) {
        switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            quitRequested = true; // the window stays until the object goes
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            foreground = true;
            break;
        case SDL_WINDOWEVENT_RESTORED:
            foreground = true;
            pictureLost = true;
            break;
        case SDL_WINDOWEVENT_MINIMIZED:
            foreground = false;
            FocusLost = true;
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            if (fullScreen) foreground = false;
            FocusLost = true;
            break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            pictureLost = true;
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            pictureLost = true;
            int x, y, w, h, drawableW, drawableH;
            getPresentRect(&x, &y, &w, &h);
            SDL_GL_GetDrawableSize(static_cast<SDL_Window*>(window), &drawableW, &drawableH);
            SetInputMapping(x, drawableH - y - h, w, h, width, height);
            break;
        }
        default:
            break;
        }
    }
}

void KWindowGL::processEvents() {
    clearInputLatches();
    SDL_Event event;
    while (SDL_PollEvent(&event))
        handleEvent(&event);

    if (isKeyDown(K_LSHIFT) && (isKeyDown(K_PRINTSCREEN) || isKeyDown(K_F12))) {
        ScreenshotCounter += 1;
        char name[32];
        std::snprintf(name, sizeof(name), "screenshot%d.tga", ScreenshotCounter);
        std::snprintf(pendingShot, sizeof(pendingShot), "%s", writablePathJoin(name));
        waitKeyUp(K_PRINTSCREEN);
        waitKeyUp(K_LSHIFT);
    }
}

bool KWindowGL::isQuitRequested() {
    return quitRequested;
}
void KWindowGL::setQuitRequested(bool quit) {
    quitRequested = quit;
}
void* KWindowGL::getWindowHandle() {
    return window;
}

void KWindowGL::setMaxFrameRate(int fps) {
    if (fps > 0) {
        framePeriodMs = 1000 / fps;
        return;
    }
    framePeriodMs = 0;
    if (fps < 0 && hasSwapControl) SDL_GL_SetSwapInterval(0);
}

bool KWindowGL::applyTextureRectangleSupport() {
    return textureRectangle;
}

bool KWindowGL::isHardwareAccelerated() {
    quitRequested = false;
    return hardwareAccelerated;
}

void KWindowGL::setTextureRectangleSupport(bool on) {
    textureRectangle = on;
}
void KWindowGL::setBrightness(float value) {
    brightness = value;
}
int KWindowGL::getWidth() {
    return width;
}
int KWindowGL::getHeight() {
    return height;
}

void KWindowGL::restoreWindow() {
    if (window) SDL_RestoreWindow(static_cast<SDL_Window*>(window));
}

void KWindowGL::minimizeWindow() {
    if (window) SDL_MinimizeWindow(static_cast<SDL_Window*>(window));
}

void KWindowGL::setSoftwareCursor(bool on) {
    softwareCursor = on;
}

bool KWindowGL::saveScreenshot(const char* path, int format, int shotWidth, int shotHeight) {
    if (shotWidth <= 0 || shotHeight <= 0) {
        shotWidth = width;
        shotHeight = height;
    }
    uint8_t* pixels = static_cast<uint8_t*>(std::malloc((size_t)shotWidth * 4 * shotHeight));
    if (pixels == nullptr) return false;
    if (offscreenFrame != 0) {
        BindFramebuffer(GL_READ_FRAMEBUFFER, offscreenFrame);
    } else {
        glReadBuffer(GL_BACK);
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, shotWidth, shotHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    const size_t count = (size_t)shotWidth * shotHeight;
    for (size_t i = 0; i < count; ++i) {
        uint8_t* p = pixels + i * 4;
        const uint8_t red = p[0];
        p[0] = p[2];
        p[2] = red;
        // What is on the screen is opaque, whatever the clear alpha was.
        p[3] = 255;
    }
    // A format we do not know saves nothing; a shot that could not be written
    // is said, not passed off as taken.
    const bool known = format == SCREENSHOT_BMP || format == SCREENSHOT_JPEG ||
                       format == SCREENSHOT_TGA || format == SCREENSHOT_PNG;
    errno = 0;
    const bool written = known && WriteImageFile(path, format, pixels, shotWidth, shotHeight);
    if (known && !written) {
        std::fprintf(stderr, "SCREENSHOT: could not write %s: %s\n", path,
                     errno != 0 ? std::strerror(errno) : "the encoder failed");
    }
    std::free(pixels);
    return written || !known;
}

void KWindowGL::setClipRect(int left, int top, int right, int bottom) {
    glScissor(left, height - bottom, right - left, bottom - top);
    glEnable(GL_SCISSOR_TEST);
}

void KWindowGL::setMessageHook(KMessageHook hook) {
    messageHook = hook;
}
void KWindowGL::setEventCallback(KEventCallback callback) {
    eventCallback = callback;
}

void KWindowGL::enumDisplayModes(KDisplayModeCallback callback) {
    if (callback == nullptr || !initVideo()) return;
    static KDisplayMode record;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(0, i, &mode) != 0) break;
        record.width = mode.w;
        record.height = mode.h;
        record.bitsPerPixel = (int32_t)SDL_BITSPERPIXEL(mode.format);
        record.refreshRate = mode.refresh_rate;
        if (!callback(&record)) break;
    }
}
