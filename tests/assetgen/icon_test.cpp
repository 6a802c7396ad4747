// The desktop icon the build writes: a PNG that a real decoder reads at each
// size the menus ask for, a rounded tile on a transparent square.
#include "tests/support/test_support.h"

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <string>

namespace {

struct Pixel {
    Uint8 r, g, b, a;
};

Pixel At(SDL_Surface* s, int x, int y) {
    Uint32 value = 0;
    const Uint8* p = static_cast<const Uint8*>(s->pixels) + y * s->pitch + x * 4;
    SDL_memcpy(&value, p, 4);
    Pixel out;
    SDL_GetRGBA(value, s->format, &out.r, &out.g, &out.b, &out.a);
    return out;
}

} // namespace

TEST(Icon, EverySizeDecodesAsATileOnATransparentSquare) {
    for (int size : {48, 64, 128, 256}) {
        const std::string path = std::string(k3dtest::GameDir()) + "/icons/hicolor/" +
                                 std::to_string(size) + "x" + std::to_string(size) +
                                 "/apps/k3d.png";
        SDL_Surface* loaded = IMG_Load(path.c_str());
        ASSERT_NE(loaded, nullptr) << path << ": " << IMG_GetError();
        SDL_Surface* icon = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA32, 0);
        SDL_FreeSurface(loaded);
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->w, size);
        EXPECT_EQ(icon->h, size);
        // The corners lie outside the rounded tile.
        for (int corner = 0; corner < 4; ++corner) {
            const int x = (corner & 1) ? size - 1 : 0, y = (corner & 2) ? size - 1 : 0;
            EXPECT_EQ(At(icon, x, y).a, 0) << size << " corner " << corner;
        }
        // Inside, everything is opaque, and the picture is not one colour:
        // the tile is dark, the ball near its middle is bright.
        const Pixel tile = At(icon, size / 2, size * 230 / 256);
        const Pixel ball = At(icon, size * 150 / 256, size * 150 / 256);
        EXPECT_EQ(tile.a, 255) << size;
        EXPECT_EQ(ball.a, 255) << size;
        EXPECT_LT(tile.r + tile.g + tile.b, 200) << size;
        EXPECT_GT(ball.r + ball.g + ball.b, 600) << size;
        SDL_FreeSurface(icon);
    }
}
