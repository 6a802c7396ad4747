// Screenshot encoders: our own Targa writer, SDL's BMP, SDL_image's PNG and
// JPEG. Pixels come in as GL rows (bottom row first), BGRA.
#include "platform/platform_local.h"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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
    if (format == SCREENSHOT_PNG) result = IMG_SavePNG(surface, path);
    if (format == SCREENSHOT_JPEG) result = IMG_SaveJPG(surface, path, 90);
    SDL_FreeSurface(surface);
    return result == 0;
}
