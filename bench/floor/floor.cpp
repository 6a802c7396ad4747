// The floor: the least any program on SDL2 and OpenGL 1.1 pays on this
// machine for a 640 x 480 window showing a full-window textured picture at
// 80 frames a second. With --triangles N it also draws N textured,
// depth-tested triangles through vertex arrays, the way a play frame's
// scene can be drawn. With --game-data DIR it does instead the least the
// game must do before its first picture: the window asked for as the game
// asks for it, the intro's three pictures (the font sheet with its mipmaps,
// the plate and the logo) read from DIR and uploaded in the formats the
// game gives them, and every frame drawing all three. With --textures DIR
// (it repeats) it also holds every picture of DIR in GL as the game keeps
// it, undrawn: what holding the game's data costs above the bare window.
// The side-by-side script measures the game against it.
//
//   k3d-floor [--triangles N] [--seconds S] [--game-data DIR] [--textures DIR]...
#include <SDL.h>
#include <SDL_opengl.h>
#include <dirent.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
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

// A picture of the game's data as the game uploads it: uncompressed 24 or
// 32-bit Targa, 24-bit colours given the alpha of their brightness, and
// only the colour kept when every alpha is opaque.
struct Picture {
    int width = 0, height = 0;
    GLint internalFormat = GL_RGBA;
    std::vector<unsigned char> rgba;
};

bool ReadPicture(const std::string& path, Picture* picture) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    unsigned char header[18];
    bool ok = std::fread(header, 1, sizeof header, file) == sizeof header && header[2] == 2 &&
              (header[16] == 24 || header[16] == 32);
    std::vector<unsigned char> stored;
    const int bytes = header[16] / 8;
    if (ok) {
        picture->width = header[12] | header[13] << 8;
        picture->height = header[14] | header[15] << 8;
        stored.resize((size_t)picture->width * picture->height * bytes);
        ok = std::fseek(file, 18 + header[0], SEEK_SET) == 0 &&
             std::fread(stored.data(), 1, stored.size(), file) == stored.size();
    }
    std::fclose(file);
    if (!ok) return false;
    picture->rgba.resize((size_t)picture->width * picture->height * 4);
    picture->internalFormat = GL_RGB;
    for (size_t i = 0; i < (size_t)picture->width * picture->height; ++i) {
        const unsigned char* s = &stored[i * bytes];
        unsigned char* d = &picture->rgba[i * 4];
        const int sum = s[0] + s[1] + s[2];
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        d[3] = bytes == 4 ? s[3] : sum < 10 ? 0 : (unsigned char)((sum ^ 2) / 3);
        if (d[3] != 255) picture->internalFormat = GL_RGBA;
    }
    return true;
}

// Uploads the picture; with mipmaps, each level the average of four texels
// of the one above, as the font sheet has them.
GLuint Upload(Picture& picture, bool mipmaps) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    mipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    int w = picture.width, h = picture.height;
    unsigned char* p = picture.rgba.data();
    glTexImage2D(GL_TEXTURE_2D, 0, picture.internalFormat, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, p);
    for (int level = 1; mipmaps && (w > 1 || h > 1); ++level) {
        const int nw = w > 1 ? w / 2 : 1, nh = h > 1 ? h / 2 : 1;
        for (int y = 0; y < nh; ++y)
            for (int x = 0; x < nw; ++x)
                for (int c = 0; c < 4; ++c) {
                    const int x1 = w > 1 ? 2 * x + 1 : x, y1 = h > 1 ? 2 * y + 1 : y;
                    p[(y * nw + x) * 4 + c] =
                        (unsigned char)((p[(2 * y * w + 2 * x) * 4 + c] + p[(2 * y * w + x1) * 4 + c] +
                                         p[(y1 * w + 2 * x) * 4 + c] + p[(y1 * w + x1) * 4 + c] + 2) /
                                        4);
                }
        w = nw;
        h = nh;
        glTexImage2D(GL_TEXTURE_2D, level, picture.internalFormat, w, h, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, p);
    }
    return name;
}

// Every .tga picture of dir uploaded, the font sheet with its mipmaps; the
// number held.
int HoldPictures(const char* dir) {
    DIR* listing = opendir(dir);
    if (listing == nullptr) return 0;
    int held = 0;
    while (const dirent* entry = readdir(listing)) {
        const std::string name = entry->d_name;
        Picture picture;
        if (name.size() < 5 || name.compare(name.size() - 4, 4, ".tga") != 0 ||
            !ReadPicture(std::string(dir) + "/" + name, &picture))
            continue;
        Upload(picture, name == "font.tga");
        ++held;
    }
    closedir(listing);
    return held;
}

// A textured quad at x, y (lower left) of size w x h, through vertex arrays.
void DrawQuad(GLuint texture, float x, float y, float w, float h, float z) {
    const GLfloat corners[] = {0, 0, x,     y,     z, 1, 0, x + w, y,     z,
                               1, 1, x + w, y + h, z, 0, 1, x,     y + h, z};
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexCoordPointer(2, GL_FLOAT, 5 * sizeof(GLfloat), corners);
    glVertexPointer(3, GL_FLOAT, 5 * sizeof(GLfloat), corners + 2);
    glDrawArrays(GL_QUADS, 0, 4);
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
    const char* gameData = nullptr;
    std::vector<const char*> pictureDirs;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--triangles") == 0 && i + 1 < argc) {
            triangles = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--game-data") == 0 && i + 1 < argc) {
            gameData = argv[++i];
        } else if (std::strcmp(argv[i], "--textures") == 0 && i + 1 < argc) {
            pictureDirs.push_back(argv[++i]);
        } else {
            std::fprintf(stderr,
                         "usage: %s [--triangles N] [--seconds S] [--game-data DIR] "
                         "[--textures DIR]...\n",
                         argv[0]);
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
    if (gameData != nullptr) {
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    }
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
    SDL_GL_SetSwapInterval(gameData != nullptr ? 1 : 0);

    glViewport(0, 0, WindowWidth, WindowHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, WindowWidth, 0, WindowHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    int held = 0;
    for (const char* dir : pictureDirs)
        held += HoldPictures(dir);
    if (!pictureDirs.empty()) std::printf("floor: holding %d pictures\n", held);
    GLuint pictures[3] = {0, 0, 0};
    if (gameData != nullptr) {
        const char* const names[3] = {"font", "intro", "orvi"};
        for (int i = 0; i < 3; ++i) {
            Picture picture;
            const std::string path = std::string(gameData) + "/Texture/" + names[i] + ".tga";
            if (!ReadPicture(path, &picture)) {
                std::fprintf(stderr, "floor: cannot read %s\n", path.c_str());
                return 1;
            }
            pictures[i] = Upload(picture, i == 0);
        }
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    } else {
        MakeTexture();
    }
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
        if (gameData != nullptr) {
            // The plate, the logo and a strip of the font sheet, blended.
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            DrawQuad(pictures[1], 64, 240, 512, 200, 0);
            DrawQuad(pictures[2], 64, 40, 512, 200, 0);
            DrawQuad(pictures[0], 160, 200, 320, 40, 0.5f);
            SDL_GL_SwapWindow(window);
            if (seconds > 0 && (SDL_GetTicks64() - start) >= (Uint64)(seconds * 1000))
                running = false;
            SleepUntil(&deadline);
            continue;
        }
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
