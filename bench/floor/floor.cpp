// The floor: the least any program on SDL2 and OpenGL 1.1 pays on this
// machine for a 640 x 480 window showing a full-window textured picture at
// 80 frames a second. With --triangles N it also draws N textured,
// depth-tested triangles through vertex arrays, the way a play frame's
// scene can be drawn. The side-by-side script measures the game against it.
//
//   k3d-floor [--triangles N] [--seconds S]
#include <SDL.h>
#include <SDL_opengl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

namespace {

const int WindowWidth = 640;
const int WindowHeight = 480;
const int TextureSide = 512;
const long FramePeriodNs = 12 * 1000000L; // the game's 80-per-second cap

struct Vertex {
    float u, v;
    float x, y, z;
};

// A 512 x 512 RGB picture that is nowhere black, so the first drawn frame
// shows in the window.
GLuint MakeTexture() {
    std::vector<unsigned char> pixels(TextureSide * TextureSide * 3);
    for (int y = 0; y < TextureSide; ++y)
        for (int x = 0; x < TextureSide; ++x) {
            unsigned char* p = &pixels[(y * TextureSide + x) * 3];
            p[0] = (unsigned char)(64 + (x >> 2));
            p[1] = (unsigned char)(64 + (y >> 2));
            p[2] = (unsigned char)(((x ^ y) & 32) ? 200 : 90);
        }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, TextureSide, TextureSide, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 pixels.data());
    return name;
}

// count triangles as pairs over a grid covering the window once, each
// pair a little nearer than the quad so all of them pass the depth test.
std::vector<Vertex> MakeTriangles(int count) {
    std::vector<Vertex> vertices;
    if (count <= 0) return vertices;
    int columns = 1;
    while (columns * columns * 2 < count)
        ++columns;
    const float w = (float)WindowWidth / columns, h = (float)WindowHeight / columns;
    for (int i = 0; i < count; ++i) {
        const int cell = i / 2, col = cell % columns, row = cell / columns;
        const float x0 = col * w, y0 = row * h, x1 = x0 + w, y1 = y0 + h;
        const float u0 = (float)col / columns, v0 = (float)row / columns;
        const float u1 = u0 + 1.0f / columns, v1 = v0 + 1.0f / columns;
        const float z = 0.5f;
        if (i % 2 == 0) {
            vertices.push_back({u0, v0, x0, y0, z});
            vertices.push_back({u1, v0, x1, y0, z});
            vertices.push_back({u1, v1, x1, y1, z});
        } else {
            vertices.push_back({u0, v0, x0, y0, z});
            vertices.push_back({u1, v1, x1, y1, z});
            vertices.push_back({u0, v1, x0, y1, z});
        }
    }
    return vertices;
}

void SleepUntil(timespec* deadline) {
    deadline->tv_nsec += FramePeriodNs;
    while (deadline->tv_nsec >= 1000000000L) {
        deadline->tv_nsec -= 1000000000L;
        deadline->tv_sec += 1;
    }
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    // Late by more than a period (a stall): start counting again from now.
    if (now.tv_sec > deadline->tv_sec + 1) *deadline = now;
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, deadline, nullptr) == EINTR) {
    }
}

} // namespace

int main(int argc, char** argv) {
    int triangles = 0;
    double seconds = 0.0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--triangles") == 0 && i + 1 < argc) {
            triangles = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: %s [--triangles N] [--seconds S]\n", argv[0]);
            return 2;
        }
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "floor: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_Window* window =
        SDL_CreateWindow("floor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, WindowWidth,
                         WindowHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    if (window == nullptr) {
        std::fprintf(stderr, "floor: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr) {
        std::fprintf(stderr, "floor: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetSwapInterval(0);

    glViewport(0, 0, WindowWidth, WindowHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, WindowWidth, 0, WindowHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    MakeTexture();
    const std::vector<Vertex> mesh = MakeTriangles(triangles);

    // u, v, x, y, z per corner.
    const GLfloat quad[] = {0,
                            0,
                            0,
                            0,
                            0,
                            1,
                            0,
                            WindowWidth,
                            0,
                            0,
                            1,
                            1,
                            WindowWidth,
                            WindowHeight,
                            0,
                            0,
                            1,
                            0,
                            WindowHeight,
                            0};
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);

    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    const Uint64 start = SDL_GetTicks64();
    bool running = true;
    while (running) {
        SDL_Event event;
        while (SDL_PollEvent(&event))
            if (event.type == SDL_QUIT) running = false;
        glClear(GL_DEPTH_BUFFER_BIT);
        glTexCoordPointer(2, GL_FLOAT, 5 * sizeof(GLfloat), quad);
        glVertexPointer(3, GL_FLOAT, 5 * sizeof(GLfloat), quad + 2);
        glDrawArrays(GL_QUADS, 0, 4);
        if (!mesh.empty()) {
            glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &mesh[0].u);
            glVertexPointer(3, GL_FLOAT, sizeof(Vertex), &mesh[0].x);
            glDrawArrays(GL_TRIANGLES, 0, (GLsizei)mesh.size());
        }
        SDL_GL_SwapWindow(window);
        if (seconds > 0 && (SDL_GetTicks64() - start) >= (Uint64)(seconds * 1000)) running = false;
        SleepUntil(&deadline);
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
