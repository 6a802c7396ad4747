// The Targa decoder on arbitrary bytes, then the file reader behind LoadTarga
// on the same bytes: the two must give the same verdict, and every pixel of
// an accepted image must come from the stored bytes as its depth says.
#include <SDL_opengl.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "render/render.h"
#include "tests/fuzz/fuzz_file.h"

namespace {

const char* const FileName = "fuzz.tga";

bool SidePowerOfTwo(int side) {
    return side >= 2 && side <= TGA_MAX_SIDE && (side & (side - 1)) == 0;
}

// The pixels of an accepted image against the bytes after the header and ID.
void CheckPixels(const TargaImage& image, const uint8_t* stored) {
    const size_t count = static_cast<size_t>(image.width) * image.height;
    const uint8_t* out = image.pixels;
    for (size_t i = 0; i < count; ++i) {
        if (image.depth == 8) {
            if (image.format != GL_ALPHA || out[i] != stored[i]) __builtin_trap();
            continue;
        }
        if (image.format != GL_RGBA) __builtin_trap();
        const size_t in = i * static_cast<size_t>(image.depth / 8);
        const uint8_t blue = stored[in], green = stored[in + 1], red = stored[in + 2];
        const uint8_t alpha = image.depth == 32 ? stored[in + 3] : TargaAlpha(red, green, blue);
        if (out[i * 4] != red || out[i * 4 + 1] != green || out[i * 4 + 2] != blue ||
            out[i * 4 + 3] != alpha)
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A heap copy of exactly size bytes, so ASan sees any overread.
    uint8_t* bytes = static_cast<uint8_t*>(std::malloc(size ? size : 1));
    if (size) std::memcpy(bytes, data, size);

    TargaImage image;
    const int code = DecodeTarga(bytes, size, &image);
    if (code == 0) {
        if (image.pixels == nullptr || !SidePowerOfTwo(image.width) ||
            !SidePowerOfTwo(image.height))
            __builtin_trap();
        if (image.depth != 8 && image.depth != 24 && image.depth != 32) __builtin_trap();
        CheckPixels(image, bytes + TGA_HEADER_SIZE + image.idLength);
    } else if (code < TGA_BAD_IMAGE_TYPE || code > TGA_BAD_DATA || image.pixels != nullptr) {
        __builtin_trap();
    }

    // The same bytes as a file through the loader, with no GL context.
    if (fuzzfile::Write(FileName, bytes, size)) {
        textureCount = 0;
        const int loaded = LoadTarga(FileName);
        if (code == 0 && (loaded != 1 || TextureUploadFormat != image.format)) __builtin_trap();
        if (code != 0 && loaded != code) __builtin_trap();
    }

    FreeTargaImage(&image);
    std::free(bytes);
    return 0;
}
