// Screenshot encoders: our own Targa writer, SDL's BMP, SDL_image's PNG and
// JPEG. Pixels come in as GL rows (bottom row first), BGRA.
#include "platform/platform_local.h"

#include <SDL.h>
#include <SDL_image.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

const char* ImageLibraryName = "libSDL2_image-2.0.so.0";

// SDL_image and the image libraries under it are opened the first time a
// PNG or JPEG is written, not at start. Null when it cannot be opened (a
// later shot tries again).
struct ImageEncoders {
    decltype(&IMG_SavePNG) savePng;
    decltype(&IMG_SaveJPG) saveJpg;
};
static const ImageEncoders* OpenImageEncoders() {
    static ImageEncoders encoders;
    static std::string openedName;
    if (encoders.savePng != nullptr && openedName == ImageLibraryName) return &encoders;
    encoders = ImageEncoders();
    void* library = dlopen(ImageLibraryName, RTLD_NOW | RTLD_LOCAL);
    if (library != nullptr) {
        encoders.savePng = reinterpret_cast<decltype(&IMG_SavePNG)>(dlsym(library, "IMG_SavePNG"));
        encoders.saveJpg = reinterpret_cast<decltype(&IMG_SaveJPG)>(dlsym(library, "IMG_SaveJPG"));
    }
    if (encoders.savePng == nullptr || encoders.saveJpg == nullptr) {
        std::fprintf(stderr, "SCREENSHOT: no PNG or JPEG encoder: %s\n", dlerror());
        if (library != nullptr) dlclose(library);
        encoders = ImageEncoders();
        return nullptr;
    }
    openedName = ImageLibraryName;
    return &encoders;
}

// The shot's path with its extension (if any) made ".tga".
static std::string TargaPathFor(const char* path) {
    std::string targa(path);
    const size_t slash = targa.find_last_of('/');
    const size_t dot = targa.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) targa.resize(dot);
    return targa + ".tga";
}

bool WriteTargaFile(const char* path, const uint8_t* bgra, int width, int height) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    uint8_t header[18] = {0};
    header[2] = 2; // uncompressed true colour
    header[12] = (uint8_t)(width & 0xff);
    header[13] = (uint8_t)(width >> 8);
    header[14] = (uint8_t)(height & 0xff);
    header[15] = (uint8_t)(height >> 8);
    header[16] = 32;
    header[17] = 8; // 8 alpha bits, origin lower left: GL's row order
    bool ok = std::fwrite(header, 1, sizeof(header), file) == sizeof(header);
    const size_t bytes = (size_t)width * height * 4;
    ok = ok && std::fwrite(bgra, 1, bytes, file) == bytes;
    return std::fclose(file) == 0 && ok;
}

bool WriteImageFile(const char* path, int format, uint8_t* bgra, int width, int height) {
    if (format == SCREENSHOT_TGA) return WriteTargaFile(path, bgra, width, height);
    if (format != SCREENSHOT_BMP && format != SCREENSHOT_JPEG && format != SCREENSHOT_PNG) {
        return false;
    }
    const ImageEncoders* encoders = nullptr;
    if (format != SCREENSHOT_BMP) {
        encoders = OpenImageEncoders();
        if (encoders == nullptr) {
            // The picture is kept all the same, in the format we write ourselves.
            const std::string targa = TargaPathFor(path);
            std::fprintf(stderr, "SCREENSHOT: %s written as Targa: %s\n", path, targa.c_str());
            return WriteTargaFile(targa.c_str(), bgra, width, height);
        }
    }
    // The other encoders want the top row first.
    const int stride = width * 4;
    uint8_t* row = static_cast<uint8_t*>(std::malloc((size_t)stride));
    if (row == nullptr) return false;
    for (int y = 0; y < height / 2; ++y) {
        uint8_t* a = bgra + (size_t)y * stride;
        uint8_t* b = bgra + (size_t)(height - 1 - y) * stride;
        std::memcpy(row, a, stride);
        std::memcpy(a, b, stride);
        std::memcpy(b, row, stride);
    }
    std::free(row);
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormatFrom(bgra, width, height, 32, stride, SDL_PIXELFORMAT_BGRA32);
    if (surface == nullptr) return false;
    int result = -1;
    if (format == SCREENSHOT_BMP) result = SDL_SaveBMP(surface, path);
    if (format == SCREENSHOT_PNG) result = encoders->savePng(surface, path);
    if (format == SCREENSHOT_JPEG) result = encoders->saveJpg(surface, path, 90);
    SDL_FreeSurface(surface);
    return result == 0;
}
