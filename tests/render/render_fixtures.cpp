#include "tests/render/render_fixtures.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdio>

namespace rendertest {

std::string FromGameDir(const std::string& absolutePath) {
    // One ".." per directory level of the game directory climbs to the root.
    std::string up;
    const std::string game = k3dtest::GameDir();
    for (char c : game) {
        if (c == '/') up += "../";
    }
    size_t start = 0;
    while (start < absolutePath.size() && absolutePath[start] == '/')
        ++start;
    return up + absolutePath.substr(start);
}

std::string TargaBytes(int imageType, int width, int height, int depth,
                       const std::vector<uint8_t>& pixels, int colourMapType,
                       const std::string& id) {
    std::string bytes(18, '\0');
    bytes[0] = static_cast<char>(id.size());
    bytes[1] = static_cast<char>(colourMapType);
    bytes[2] = static_cast<char>(imageType);
    bytes[12] = static_cast<char>(width & 0xff);
    bytes[13] = static_cast<char>((width >> 8) & 0xff);
    bytes[14] = static_cast<char>(height & 0xff);
    bytes[15] = static_cast<char>((height >> 8) & 0xff);
    bytes[16] = static_cast<char>(depth);
    bytes[17] = 0;
    bytes += id;
    bytes.append(reinterpret_cast<const char*>(pixels.data()), pixels.size());
    return bytes;
}

namespace {

SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;

} // namespace

void GlTest::SetUpTestSuite() {
    if (window != nullptr) return;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    window = SDL_CreateWindow("render test", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 640,
                              480, SDL_WINDOW_OPENGL);
    if (window == nullptr) return;
    context = SDL_GL_CreateContext(window);
    if (context == nullptr) {
        SDL_DestroyWindow(window);
        window = nullptr;
        return;
    }
    SDL_GL_MakeCurrent(window, context);
}

bool GlTest::HaveWindow() {
    return context != nullptr;
}

void GlTest::SetUp() {
    ASSERT_TRUE(HaveWindow()) << "no GL window: run under xvfb-run";
    // The state start-up leaves behind.
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_FLAT);
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.055, 0.055, -0.04125, 0.04125, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

} // namespace rendertest
