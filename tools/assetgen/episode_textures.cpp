// The material textures of Orvi/<Episode>/: one picture per material name
// the meshes use, painted in the episode's own style (neon arcade, leaves
// and wood, water and coral, concrete and paint).
#include "tools/assetgen/texture_paint.h"

#include <cmath>
#include <cstdio>

const char* const EpisodeDirs[EPISODE_COUNT] = {"Arcade", "Jungle", "Ocean", "Street"};

namespace {

const float PI = 3.14159265f;

float Clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}
Rgba Lighten(Rgba c, float k) {
    return Mix(c, Rgba{1, 1, 1, c.a}, k);
}
Rgba Darken(Rgba c, float k) {
    return Scale(c, 1 - k);
}
// Relative luminance of a colour (sRGB primaries, as a screen shows it).
float Luminance(Rgba c) {
    auto lin = [](float v) {
        return v <= 0.03928f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
    };
    return 0.2126f * lin(c.r) + 0.7152f * lin(c.g) + 0.0722f * lin(c.b);
}

// Black text needs a luminance of 0.175 behind it for 4.5 : 1; a margin on top.
const float ARENA_FLOOR_LUMINANCE = 0.19f;
// The board under the small black HUD lines: 4.5 : 1 with a margin.
const float BOARD_LUMINANCE = 0.22f;
// The far wall's inner face lies behind the same texts, large ones.
const float FAR_WALL_LUMINANCE = 0.26f;
// The board's colour in each episode.
const uint32_t BOARD_TINT[EPISODE_COUNT] = {0x9A8CD8, 0x9AAE7E, 0x7EAED8, 0x9A9EA8};
// How far (in picture heights) the light board runs down the outer sides.
const float SIDE_BOARD_DEPTH = 0.15f;

// c mixed toward tint just enough to reach luminance floor; lighter
// colours stay as they are, so the painting keeps its pattern.
Rgba LiftToLuminance(Rgba c, Rgba tint, float floor) {
    if (Luminance(c) >= floor) return c;
    float lo = 0, hi = 1;
    for (int i = 0; i < 16; ++i) {
        const float mid = 0.5f * (lo + hi);
        if (Luminance(Mix(c, tint, mid)) < floor)
            lo = mid;
        else
            hi = mid;
    }
    return Mix(c, tint, hi);
}

float SmoothStep(float a, float b, float x) {
    float t = Clamp01((x - a) / (b - a));
    return t * t * (3 - 2 * t);
}

const uint32_t PALETTES[EPISODE_COUNT][12] = {
    // red, orange, yellow, lime, green, cyan, blue, violet, magenta, white, gold, steel
    {0xFF2850, 0xFF8C1A, 0xFFE02A, 0xA8FF2A, 0x2AE86A, 0x2AF0FF, 0x3A6CFF, 0x9A4CFF, 0xFF3CD8,
     0xF0F0FF, 0xFFC83A, 0x8A94A8},
    {0xC0392B, 0xD9822B, 0xE8C547, 0x9BC53D, 0x3E8E41, 0x4FB3A9, 0x3D6FA3, 0x8E5CB0, 0xC2549D,
     0xE8DCC0, 0xB8862B, 0x7A7A6A},
    {0xE8505B, 0xF39C4A, 0xF5D76E, 0x9AD37A, 0x2E9E7E, 0x3ED3E0, 0x2A6FD8, 0x8A6FD8, 0xE86FB0,
     0xF2F4F8, 0xE0B860, 0x7C8C9C},
    {0xD63A3A, 0xEE7F2A, 0xF2C530, 0x9CC83C, 0x3DA55D, 0x35B4C8, 0x3A6AC8, 0x7E4FC0, 0xD0479A,
     0xE6E6E6, 0xC9A23F, 0x70747A},
};

// Accent colour of an episode (glows, stripes).
Rgba Accent(int episode) {
    const uint32_t a[EPISODE_COUNT] = {0xFF3CD8, 0x9BE03D, 0x3EE0F0, 0xFF8A20};
    return Hex(a[episode]);
}

// --- brick faces ----------------------------------------------------------
void BrickFace(Image& img, int episode, int kind, Rgba base) {
    const int w = img.width(), h = img.height();
    const uint32_t seed = 1000u + 37u * kind + 1013u * episode;
    const bool steel = kind == 11;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float fy = y / (h - 1.0f);
            Rgba c = base;
            if (steel) {
                // Brushed metal: long horizontal streaks.
                float s = Fbm(x * 0.02f, y * 0.6f, 3, seed);
                c = Scale(base, 0.8f + 0.4f * s);
                c = Lighten(c, 0.25f * (1 - fy));
            } else if (episode == EP_ARCADE) {
                c = Scale(base, 1.1f - 0.35f * fy);
                if (fy < 0.45f) c = Lighten(c, 0.22f * (1 - fy / 0.45f));
            } else if (episode == EP_JUNGLE) {
                // Painted wood: grain along the brick with a few rings.
                float g = Fbm(x * 0.03f, y * 0.35f, 4, seed);
                float ring = 0.5f + 0.5f * std::sin((x * 0.05f + g * 9.0f) * 2.0f);
                c = Scale(base, 0.72f + 0.22f * ring + 0.12f * g);
            } else if (episode == EP_OCEAN) {
                float n = Fbm(x * 0.06f, y * 0.12f, 3, seed);
                float caustic = std::pow(1 - std::fabs(std::sin(n * 14.0f)), 8.0f);
                c = Scale(base, 1.05f - 0.3f * fy);
                c = Lighten(c, 0.45f * caustic);
            } else {
                // Paint on concrete, chipped where the noise is high.
                float n = Fbm(x * 0.08f, y * 0.16f, 4, seed);
                float grit = Hash2(x, y, seed) * 0.12f;
                Rgba concrete = MakeRgb(0.55f + grit, 0.55f + grit, 0.53f + grit);
                c = Scale(base, 0.95f - 0.2f * fy + grit * 0.5f);
                c = Mix(c, concrete, 0.8f * SmoothStep(0.64f, 0.7f, n));
            }
            img.at(x, y) = c;
        }
    // A motif in the middle tells kinds of one colour family apart at a glance.
    const float cx = w * 0.5f, cy = h * 0.5f;
    Rgba ink = steel ? Darken(base, 0.45f) : Lighten(base, 0.45f);
    switch (kind / 3) {
    case 1:
        Line(img, w * 0.25f, cy - 5, w * 0.75f, cy - 5, 2.5f, ink);
        Line(img, w * 0.25f, cy + 5, w * 0.75f, cy + 5, 2.5f, ink);
        break;
    case 2:
        for (int i = -1; i <= 1; ++i)
            FillCircle(img, cx + i * 18.0f, cy, 4.0f, ink);
        break;
    case 3:
        for (int i = 0; i < 2; ++i) {
            float d = 12.0f - i * 5.0f;
            Line(img, cx - d * 1.6f, cy, cx, cy - d, 2.5f, ink);
            Line(img, cx, cy - d, cx + d * 1.6f, cy, 2.5f, ink);
            Line(img, cx + d * 1.6f, cy, cx, cy + d, 2.5f, ink);
            Line(img, cx, cy + d, cx - d * 1.6f, cy, 2.5f, ink);
        }
        break;
    default:
        break;
    }
    if (episode == EP_ARCADE && !steel) {
        // The neon tube just inside the bevel.
        for (int i = 0; i < 3; ++i) {
            float inset = 15.0f + i;
            Rgba tube = Lighten(base, 0.7f - 0.2f * i);
            FillRoundRect(img, inset, inset * 0.62f, w - inset, inset * 0.62f + 1.2f, 0.5f, tube);
            FillRoundRect(img, inset, h - inset * 0.62f - 1.2f, w - inset, h - inset * 0.62f, 0.5f,
                          tube);
        }
    }
    if (steel) {
        // Rivets in the corners read as hard metal.
        const float rx[4] = {18, static_cast<float>(w - 18), 18, static_cast<float>(w - 18)};
        const float ry[4] = {14, 14, static_cast<float>(h - 14), static_cast<float>(h - 14)};
        for (int i = 0; i < 4; ++i) {
            FillCircle(img, rx[i] + 0.8f, ry[i] + 0.8f, 3.2f, Darken(base, 0.6f));
            FillCircle(img, rx[i], ry[i], 3.0f, Lighten(base, 0.35f));
            FillCircle(img, rx[i] - 0.8f, ry[i] - 0.8f, 1.2f, MakeRgb(1, 1, 1));
        }
    }
}

} // namespace

Rgba BrickColour(int episode, int kind) {
    return Hex(PALETTES[episode][kind]);
}

// ---------------------------------------------------------------------------
// Bricks: 128 x 64 over a face 38 x 9 mesh units; the bevel bands match the
// three bevel cuts of the brick meshes (see meshes.cpp).
// ---------------------------------------------------------------------------
Image PaintBrick(int episode, int kind) {
    const int W = 128, H = 64;
    Rgba base = BrickColour(episode, kind);
    Image img(W, H);
    BrickFace(img, episode, kind, base);
    const float bevelX[3] = {3.0f, 5.0f, 2.5f}, bevelY[3] = {1.1f, 1.8f, 1.0f};
    const int style = kind % 3;
    const float bx = bevelX[style] / 38.0f * W, by = bevelY[style] / 9.0f * H;
    BevelXY(img, 0, 0, W, H, bx, by, style == 1 ? 0.9f : 0.75f);
    if (style == 2) {
        // The stud: its face is the window 7 x 2.2 around the centre.
        const float sx = 7.0f / 38 * W, sy = 2.2f / 9 * H;
        const float x0 = W * 0.5f - sx, x1 = W * 0.5f + sx, y0 = H * 0.5f - sy, y1 = H * 0.5f + sy;
        FillRect(img, x0, y0, x1, y1, Lighten(base, 0.18f));
        BevelXY(img, x0, y0, x1, y1, 0.03f * W + 1, 0.05f * H + 1, 0.8f);
    }
    // A thin dark rim keeps neighbouring bricks apart.
    for (int x = 0; x < W; ++x) {
        img.at(x, 0) = Darken(img.at(x, 0), 0.3f);
        img.at(x, H - 1) = Darken(img.at(x, H - 1), 0.5f);
    }
    for (int y = 0; y < H; ++y) {
        img.at(0, y) = Darken(img.at(0, y), 0.3f);
        img.at(W - 1, y) = Darken(img.at(W - 1, y), 0.5f);
    }
    return img;
}

// ---------------------------------------------------------------------------
// The playground: 512 x 512 over the floor (x -124..124, y -92..108). The
// side rails stand at u 0.302 / 0.698 and the top rail at v 0.77, so the
// arena is kept calm and a little darker for the bricks to stand out.
// ---------------------------------------------------------------------------
Image PaintPlayground(int episode, int size) {
    Image img(size, size);
    const float S = static_cast<float>(size);
    const float left = 0.302f * S, right = 0.698f * S, top = (1 - 0.77f) * S;
    const uint32_t seed = 77u + episode * 101u;
    auto inArena = [&](float x, float y) { return x > left && x < right && y > top; };
    switch (episode) {
    case EP_ARCADE: {
        VerticalGradient(img, Hex(0x12052E), Hex(0x06021A));
        Prng rng(seed);
        for (int i = 0; i < size / 2; ++i) {
            float x = rng.range(0, S), y = rng.range(0, S), r = rng.range(0.4f, 1.4f);
            if (inArena(x, y)) continue;
            FillCircle(img, x, y, r, Mix(MakeRgb(1, 1, 1), Accent(episode), rng.unit() * 0.5f));
        }
        const float step = S / 16;
        for (int i = 0; i <= 16; ++i) {
            Rgba line = i % 4 == 0 ? Hex(0x2AF0FF) : Hex(0xB03CD8);
            float k = i % 4 == 0 ? 0.75f : 0.45f;
            Line(img, i * step, 0, i * step, S, 1.6f, Scale(line, k));
            Line(img, 0, i * step, S, i * step, 1.6f, Scale(line, k));
        }
        // Neon sun behind the top rail.
        Glow(img, S * 0.5f, top * 0.55f, S * 0.12f, Hex(0xFF3C8C), 0.6f);
        for (int i = 0; i < 5; ++i)
            Line(img, left - 30, top * 0.3f + i * 10.0f, right + 30, top * 0.3f + i * 10.0f, 2.0f,
                 Scale(Hex(0xFFB03C), 0.5f));
        break;
    }
    case EP_JUNGLE: {
        // Leaves everywhere, a wooden deck in the arena.
        VerticalGradient(img, Hex(0x0E2A10), Hex(0x08180A));
        Prng rng(seed);
        for (int i = 0; i < 420; ++i) {
            float x = rng.range(-10, S + 10), y = rng.range(-10, S + 10);
            float len = rng.range(14, 38), wid = len * rng.range(0.28f, 0.42f);
            float a = rng.range(0, 2 * PI);
            Rgba leaf = Mix(Hex(0x1E6B22), Hex(0x7FBF3A), rng.unit());
            leaf = Scale(leaf, 0.45f + 0.5f * rng.unit());
            float ca = std::cos(a), sa = std::sin(a);
            for (int yy = static_cast<int>(y - len); yy <= static_cast<int>(y + len); ++yy)
                for (int xx = static_cast<int>(x - len); xx <= static_cast<int>(x + len); ++xx) {
                    float dx = xx - x, dy = yy - y;
                    float u = dx * ca + dy * sa, v = -dx * sa + dy * ca;
                    float e = (u * u) / (len * len) + (v * v) / (wid * wid);
                    if (e < 1) {
                        Rgba c = std::fabs(v) < 0.8f ? Lighten(leaf, 0.3f) : leaf;
                        img.blend(xx, yy, c, Clamp01((1 - e) * 6));
                    }
                }
        }
        for (int y = static_cast<int>(top); y < size; ++y)
            for (int x = static_cast<int>(left); x < static_cast<int>(right); ++x) {
                int plank = static_cast<int>((x - left) / 25);
                float g = Fbm(x * 0.3f, y * 0.02f + plank * 7.0f, 4, seed + plank);
                float ring = 0.5f + 0.5f * std::sin(y * 0.06f + g * 10);
                Rgba wood = Mix(Hex(0x3A2412), Hex(0x6A4424), 0.4f * ring + 0.6f * g);
                float edge = std::fmod(x - left, 25.0f);
                if (edge < 1.5f) wood = Darken(wood, 0.6f);
                img.at(x, y) = Scale(wood, 0.8f);
            }
        // Vines hanging over the deck.
        for (int i = 0; i < 7; ++i) {
            float x = left + (right - left) * (i + 0.5f) / 7 + rng.range(-8, 8);
            float len = rng.range(40, 120);
            for (float t = 0; t < len; t += 1.0f)
                FillCircle(img, x + 4 * std::sin(t * 0.08f + i), top + t, 1.6f, Hex(0x2E7A2A));
        }
        break;
    }
    case EP_OCEAN: {
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                float fy = y / S;
                Rgba water = Mix(Hex(0x0B4D7A), Hex(0x041C3A), fy);
                float n = TileFbm(x / S * 6, y / S * 6, 6, 3, seed);
                float caustic = std::pow(1 - std::fabs(std::sin(n * 18.0f)), 10.0f);
                img.at(x, y) = Lighten(water, 0.25f * caustic * (1.1f - fy));
            }
        // Sand at the foot of the field and coral on both sides.
        for (int y = static_cast<int>(S * 0.86f); y < size; ++y)
            for (int x = 0; x < size; ++x) {
                float t = SmoothStep(S * 0.86f, S * 0.9f, y + 6 * std::sin(x * 0.05f));
                Rgba sand = Scale(Hex(0xC8A86A), 0.6f + 0.3f * Hash2(x, y, seed));
                img.at(x, y) = Mix(img.at(x, y), sand, t * 0.8f);
            }
        Prng rng(seed);
        const uint32_t coral[4] = {0xE8505B, 0xF39C4A, 0xE86FB0, 0x8A6FD8};
        for (int i = 0; i < 14; ++i) {
            bool leftSide = i % 2 == 0;
            float x = leftSide ? rng.range(10, left - 20) : rng.range(right + 20, S - 10);
            float y = rng.range(S * 0.35f, S * 0.98f);
            Rgba c = Hex(coral[rng.below(4)]);
            // A few forking branches.
            for (int b = 0; b < 6; ++b) {
                float a = -PI / 2 + rng.range(-0.9f, 0.9f), len = rng.range(20, 55);
                float x1 = x + std::cos(a) * len, y1 = y + std::sin(a) * len;
                Line(img, x, y, x1, y1, rng.range(3, 6), c);
                FillCircle(img, x1, y1, 3.5f, Lighten(c, 0.3f));
                Line(img, x1, y1, x1 + rng.range(-14, 14), y1 - rng.range(8, 20), 2.5f, c);
            }
        }
        for (int i = 0; i < 60; ++i)
            Ring(img, rng.range(0, S), rng.range(0, S), rng.range(1.5f, 5), 1.0f,
                 Rgba{0.8f, 0.95f, 1, 0.6f});
        break;
    }
    default: {
        // Asphalt in the arena, a painted brick wall around it.
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                float n = Fbm(x * 0.05f, y * 0.05f, 4, seed);
                float grit = Hash2(x, y, seed);
                float g = 0.16f + 0.1f * n + 0.06f * grit;
                Rgba c = MakeRgb(g, g, g * 1.05f);
                if (!inArena(x + 0.5f, y + 0.5f)) {
                    int row = static_cast<int>(y / 16);
                    float off = (row % 2) * 20.0f;
                    bool mortar = std::fmod(y, 16.0f) < 2 || std::fmod(x + off, 40.0f) < 2;
                    Rgba brick = Mix(Hex(0x6A2A1E), Hex(0x8A3E28),
                                     Hash2(static_cast<int>((x + off) / 40), row, seed));
                    c = mortar ? MakeRgb(0.3f, 0.3f, 0.28f) : Scale(brick, 0.7f + 0.3f * n);
                }
                img.at(x, y) = c;
            }
        // Road markings and paint splats.
        for (float y = top + 10; y < S; y += 48)
            FillRect(img, S * 0.5f - 3, y, S * 0.5f + 3, y + 26, Rgba{0.85f, 0.7f, 0.15f, 0.55f});
        FillRect(img, left + 8, top, left + 12, S, Rgba{0.9f, 0.9f, 0.9f, 0.4f});
        FillRect(img, right - 12, top, right - 8, S, Rgba{0.9f, 0.9f, 0.9f, 0.4f});
        Prng rng(seed);
        const uint32_t paint[5] = {0xFF3A6A, 0x35B4C8, 0xF2C530, 0x9CC83C, 0xA04FE0};
        for (int i = 0; i < 26; ++i) {
            float x = rng.range(0, S), y = rng.range(0, S);
            Rgba c = Hex(paint[rng.below(5)]);
            c.a = inArena(x, y) ? 0.35f : 0.85f;
            FillCircle(img, x, y, rng.range(6, 16), c);
            for (int d = 0; d < 7; ++d) {
                float a = rng.range(0, 2 * PI), r = rng.range(10, 26);
                FillCircle(img, x + std::cos(a) * r, y + std::sin(a) * r, rng.range(1.5f, 4), c);
            }
            if (!inArena(x, y)) FillRect(img, x - 1.5f, y, x + 1.5f, y + rng.range(10, 40), c);
        }
        const int tag = size * 36 / 512;
        DrawOutlinedText(img, "K3D", S * 0.15f, S * 0.1f, tag, Hex(0xFF3A6A), Hex(0x101010),
                         tag / 12.0f, FONT_SANS_BOLD);
        DrawOutlinedText(img, "K3D", S * 0.85f, S * 0.1f, tag, Hex(0x35B4C8), Hex(0x101010),
                         tag / 12.0f, FONT_SANS_BOLD);
        break;
    }
    }
    // The stage messages and the name entry are black and lie over the
    // arena: its floor keeps the episode's pattern but never gets darker
    // than a black text can stand on.
    const uint32_t floorTint[EPISODE_COUNT] = {0x9A88D8, 0xC8A878, 0x6AB8E8, 0xA8A8AC};
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (inArena(x + 0.5f, y + 0.5f))
                img.at(x, y) = LiftToLuminance(img.at(x, y), Hex(floorTint[episode]), ARENA_FLOOR_LUMINANCE);
    // Beyond the top rail lies what the default camera shows at the top of
    // the screen, under the black and gold score texts: a mid-light board
    // keeps both readable.
    const uint32_t* const board = BOARD_TINT;
    const float boardBottom = top - S / 64;
    for (int y = 0; y < static_cast<int>(boardBottom); ++y)
        for (int x = 0; x < size; ++x) {
            float n = Fbm(x * 16.0f / S, y * 16.0f / S, 3, seed + 5);
            Rgba c = Scale(Hex(board[episode]), 0.9f + 0.15f * n);
            img.at(x, y) = LiftToLuminance(Mix(img.at(x, y), c, 0.85f), Hex(board[episode]),
                                           BOARD_LUMINANCE);
        }
    // The steepest camera shows the field's outer sides under the small
    // lives and stage lines: the board runs a little way down both sides.
    const float sideBottom = top + SIDE_BOARD_DEPTH * S;
    for (int y = static_cast<int>(boardBottom); y < static_cast<int>(sideBottom); ++y)
        for (int x = 0; x < size; ++x) {
            const float outside = std::max(left - S / 32 - x, x - right - S / 32);
            if (outside <= 0) continue;
            float n = Fbm(x * 16.0f / S, y * 16.0f / S, 3, seed + 5);
            Rgba c = Scale(Hex(board[episode]), 0.9f + 0.15f * n);
            const float edge = Clamp01(outside / (S / 64)) * Clamp01((sideBottom - y) / (S / 64));
            img.at(x, y) = Mix(img.at(x, y),
                               LiftToLuminance(c, Lighten(Hex(board[episode]), 0.3f), BOARD_LUMINANCE),
                               0.95f * edge);
        }
    BevelXY(img, -S, 0, 2 * S, boardBottom, S, S / 64, 0.8f);
    for (float x = S / 32; x < S; x += S / 16)
        FillCircle(img, x, boardBottom - S / 40, S / 200 + 0.6f, Lighten(Accent(episode), 0.5f));
    // A soft shadow line under the rails.
    for (int y = static_cast<int>(top); y < size; ++y) {
        for (int d = 0; d < 10; ++d) {
            float k = 0.5f * (1 - d / 10.0f);
            int xl = static_cast<int>(left) + d, xr = static_cast<int>(right) - d;
            if (xl >= 0 && xl < size) img.at(xl, y) = Darken(img.at(xl, y), k);
            if (xr >= 0 && xr < size) img.at(xr, y) = Darken(img.at(xr, y), k);
        }
    }
    return img;
}

// The rails' picture at (x, y) of a 128 x 64 band: u along their length,
// v from the floor (0) to the top (1).
static Rgba RailArt(int episode, int x, int y, float v) {
    Rgba c;
    switch (episode) {
    case EP_ARCADE:
        c = Mix(Hex(0x1A0A3A), Hex(0x3A1A6A), v);
        if (v > 0.82f)
            c = Mix(Hex(0x2AF0FF), MakeRgb(1, 1, 1), (v - 0.82f) * 3);
        else if (std::fabs(v - 0.45f) < 0.04f)
            c = Hex(0xFF3CD8);
        break;
    case EP_JUNGLE: {
        float g = Fbm(x * 0.04f, y * 0.4f, 4, 5);
        c = Mix(Hex(0x4A2C14), Hex(0x8A5A2C), g);
        if (std::fmod(x, 32.0f) < 2) c = Darken(c, 0.5f);
        if (v > 0.85f) c = Mix(c, Hex(0x3E8E41), 0.7f);
        break;
    }
    case EP_OCEAN: {
        // Sandstone with a band of coral along the top.
        float n = Fbm(x * 0.1f, y * 0.1f, 3, 9);
        c = Mix(Hex(0x8A7A5A), Hex(0xD8C8A0), n);
        if (v > 0.9f)
            c = Mix(Hex(0xE8505B), Hex(0xF39C4A), Fbm(x * 0.2f, 0, 2, 3));
        else if (Hash2(x / 5, y / 5, 4) > 0.96f)
            c = Hex(0xF2F4F8);
        break;
    }
    default: {
        float n = Fbm(x * 0.1f, y * 0.1f, 3, 3);
        c = MakeRgb(0.45f + 0.2f * n, 0.45f + 0.2f * n, 0.43f + 0.2f * n);
        if (v > 0.55f && v < 0.85f)
            c = std::fmod(x + y, 24.0f) < 12 ? Hex(0xF2C530) : Hex(0x202020);
        break;
    }
    }
    return c;
}

// The rails: 128 x 128. The upper half is the rails' picture; the lower
// half is the far wall's inner face, which the cameras show at the top of
// the screen behind the black and gold score labels: the same picture,
// calmed toward the light board beyond it and never darker than a black
// label can stand on.
Image PaintRails(int episode) {
    const int W = 128, H = 128, BAND = 64;
    Image img(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const int by = y % BAND;
            const float v = 1 - (by + 0.5f) / BAND;
            Rgba c = RailArt(episode, x, by, v);
            if (y >= BAND) {
                const Rgba board = Hex(BOARD_TINT[episode]);
                c = LiftToLuminance(Mix(c, board, 0.6f), Lighten(board, 0.3f), FAR_WALL_LUMINANCE);
            }
            img.at(x, y) = c;
        }
    return img;
}

// The ball: u from pole to pole, v around (twice). A reflected sky above a
// dark horizon reads as polished metal while it spins.
Image PaintBall(int episode) {
    const int W = 128, H = 64;
    const uint32_t sky[EPISODE_COUNT] = {0xFFB0F0, 0xFFE7A0, 0xC8F4FF, 0xDDE4EE};
    const uint32_t ground[EPISODE_COUNT] = {0x4A1A6A, 0x5A3A10, 0x0A4A6A, 0x3A3E44};
    Image img(W, H);
    for (int x = 0; x < W; ++x) {
        float u = (x + 0.5f) / W;
        Rgba c;
        if (u < 0.47f)
            c = Mix(Hex(sky[episode]), MakeRgb(1, 1, 1), u / 0.47f);
        else if (u < 0.53f)
            c = Mix(MakeRgb(1, 1, 1), Hex(ground[episode]), (u - 0.47f) / 0.06f);
        else
            c = Mix(Hex(ground[episode]), Lighten(Hex(ground[episode]), 0.5f), (u - 0.53f) / 0.47f);
        for (int y = 0; y < H; ++y)
            img.at(x, y) = c;
    }
    for (int i = 0; i < 2; ++i)
        Glow(img, W * 0.3f, H * (0.25f + 0.5f * i), 6, MakeRgb(1, 1, 1), 0.9f);
    return img;
}

// 24-bit on purpose: black turns transparent and brightness into opacity,
// so the additive bumper glows.
Image PaintBumper(int episode) {
    const int S = 128;
    Image img(S, S, MakeRgb(0, 0, 0));
    Rgba a = Accent(episode);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) {
            float r = std::hypot(x + 0.5f - S / 2.0f, y + 0.5f - S / 2.0f) / (S / 2.0f);
            float ring = std::exp(-std::pow((r - 0.8f) / 0.07f, 2.0f));
            float core = std::exp(-std::pow(r / 0.35f, 2.0f)) * 0.8f;
            float spokes = 0.5f + 0.5f * std::cos(std::atan2(y - S / 2.0f, x - S / 2.0f) * 6);
            float k = ring + core + (r < 0.75f ? 0.12f * spokes * (1 - r) : 0);
            if (r > 1.0f) k = 0;
            Rgba c = Mix(a, MakeRgb(1, 1, 1), Clamp01(core + ring * 0.4f));
            img.at(x, y) = Scale(c, Clamp01(k));
        }
    return img;
}

// The ship: the left half is the hull (u along it, v around: 0.5 faces the
// player, 0.75 is the top); the right half is the cannon barrels.
Image PaintShip(int episode) {
    const int W = 256, H = 64;
    const uint32_t hull[EPISODE_COUNT] = {0xE8E8F4, 0xC89A5A, 0xF0F6FA, 0x5A5E66};
    const uint32_t stripe[EPISODE_COUNT] = {0xFF3CD8, 0x3E8E41, 0x2A9FD8, 0xFF8A20};
    Image img(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W / 2; ++x) {
            float u = (x + 0.5f) / (W / 2), v = 1 - (y + 0.5f) / H;
            // Fake light from above: bright top, dark belly.
            float light = 0.55f + 0.45f * std::sin((v - 0.5f) * PI);
            Rgba c = Scale(Hex(hull[episode]), 0.35f + 0.75f * light);
            float xs = std::fabs(u - 0.5f) * 52; // mesh units from the centre
            if (xs > 20.5f)
                c = Mix(Hex(0xFF4020), Hex(0xFFE060), (xs - 20.5f) / 5.5f);
            else if (xs > 19.0f)
                c = Darken(c, 0.6f);
            if (std::fabs(v - 0.58f) < 0.025f || std::fabs(v - 0.42f) < 0.025f)
                if (xs < 19) c = Hex(stripe[episode]);
            img.at(x, y) = c;
        }
    // Cockpit window on the front.
    for (int i = 0; i < 3; ++i)
        FillRoundRect(img, 64 - 12 + i, 26 + i * 0.5f, 64 + 12 - i, 38 - i * 0.5f, 5,
                      Mix(Hex(0x0A1A3A), Hex(0x6AD8FF), i / 2.0f));
    Glow(img, 60, 29, 3, MakeRgb(1, 1, 1), 0.8f);
    for (int y = 0; y < H; ++y)
        for (int x = W / 2; x < W; ++x) {
            float v = 1 - (y + 0.5f) / H, u = (x - W * 0.55f) / (W * 0.45f);
            float light = 0.5f + 0.5f * std::cos(u * 2 * PI);
            Rgba c = Scale(Hex(0x50545C), 0.5f + 0.6f * light);
            if (v > 0.85f)
                c = Mix(Hex(0xFF3020), Hex(0xFFF080), (v - 0.85f) / 0.15f);
            else if (std::fabs(v - 0.3f) < 0.04f)
                c = Hex(stripe[episode]);
            img.at(x, y) = c;
        }
    return img;
}

Image PaintMissile(int episode) {
    const int W = 32, H = 64;
    Image img(W, H);
    Rgba a = Accent(episode);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float v = 1 - (y + 0.5f) / H;
            img.at(x, y) = v > 0.6f ? Mix(Lighten(a, 0.6f), MakeRgb(1, 1, 1), (v - 0.6f) * 2.5f)
                                    : Mix(Hex(0xFF6020), Lighten(a, 0.6f), v / 0.6f);
        }
    return img;
}

// Capsules: u along the capsule (ends 0..0.24 and 0.76..1 are the chrome
// caps), v around it; the letter is painted twice so one always shows.
Image PaintCapsule(int kind) {
    const int W = 128, H = 64;
    // Blue, yellow, grey, red, orange, green, pink, gold, violet.
    const uint32_t colour[9] = {0x2A5AE8, 0xF2D21A, 0x9AA0A8, 0xE0282A, 0xFF8A1A,
                                0x2AC84A, 0xFF6AC0, 0xFFC020, 0x9A3CE0};
    const char* letter[9] = {"S", "L", "F", "N", "R", "E", "M", "$", "B"};
    Rgba base = Hex(colour[kind]);
    Image img(W, H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float u = (x + 0.5f) / W, v = 1 - (y + 0.5f) / H;
            // Two light bands, one on each side the letter shows.
            float band = 0.5f + 0.5f * std::cos((v - 0.75f) * 4 * PI);
            Rgba c;
            if (u < 0.24f || u > 0.76f) {
                c = Scale(Hex(0xC8CCD4), 0.55f + 0.55f * band);
            } else {
                c = Scale(base, 0.6f + 0.5f * band);
                if (u < 0.27f || u > 0.73f) c = Lighten(c, 0.6f);
            }
            img.at(x, y) = c;
        }
    for (int i = 0; i < 2; ++i)
        DrawOutlinedText(img, letter[kind], W * 0.5f, H * (0.25f + 0.5f * i), 24, MakeRgb(1, 1, 1),
                         Hex(0x101018), 1.8f, FONT_SANS_BOLD);
    return img;
}

// An episode board: its own world in a frame, with its name.
Image PaintBoard(int ep) {
    const int S = 256;
    Image art = PaintPlayground(ep, S);
    Image img(S, S);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x)
            img.at(x, y) = art.at(x, y);
    const char* name[EPISODE_COUNT] = {"ARCADE", "JUNGLE", "OCEAN", "STREET"};
    // A sample of the episode's bricks across the top, like a stage.
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 6; ++c) {
            Rgba b = BrickColour(ep, (r * 4 + c) % 12);
            float x0 = 38 + c * 30.0f, y0 = 46 + r * 18.0f;
            FillRect(img, x0, y0, x0 + 27, y0 + 14, b);
            BevelXY(img, x0, y0, x0 + 27, y0 + 14, 3, 3, 0.8f);
        }
    FillCircle(img, 128, 150, 8, MakeRgb(0.95f, 0.95f, 1));
    FillRoundRect(img, 98, 196, 158, 206, 5, MakeRgb(0.85f, 0.85f, 0.9f));
    FillRoundRect(img, 14, 208, S - 14, S - 10, 10, Rgba{0, 0, 0, 0.55f});
    DrawOutlinedText(img, name[ep], S * 0.5f, 228, 34, Accent(ep), Hex(0x000000), 2.5f,
                     FONT_SANS_BOLD);
    BevelXY(img, 0, 0, S, S, 5.0f / 126 * S, 5.0f / 126 * S, 0.9f);
    return img;
}

// Menu boxes are tinted white, then gold under the pointer, and carry black
// labels: the face stays light. Bevel 9 x 24 of 190 x 212 mesh units.
Image PaintMenuBox(int episode) {
    const int W = 256, H = 128;
    const uint32_t top[EPISODE_COUNT] = {0xF4F0FF, 0xF4ECD8, 0xEEF8FF, 0xEEEEEE};
    const uint32_t bottom[EPISODE_COUNT] = {0xC8C0E8, 0xD8C49C, 0xB8DCF0, 0xBEBEC0};
    Image img(W, H);
    VerticalGradient(img, Hex(top[episode]), Hex(bottom[episode]));
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float n = Fbm(x * 0.05f, y * 0.05f, 3, 31u + episode);
            img.at(x, y) = Scale(img.at(x, y), 0.94f + 0.08f * n);
        }
    const float bx = 9.0f / 190 * W, by = 24.0f / 212 * H;
    Rgba rim = Accent(episode);
    FillRect(img, bx + 2, by + 2, W - bx - 2, by + 4, Rgba{rim.r, rim.g, rim.b, 0.8f});
    FillRect(img, bx + 2, H - by - 4, W - bx - 2, H - by - 2, Rgba{rim.r, rim.g, rim.b, 0.8f});
    BevelXY(img, 0, 0, W, H, bx, by, 0.9f);
    return img;
}

// Setup plates: bevel 6 x 16 of 224 x 240 mesh units.
Image PaintPlate(int episode) {
    const int W = 256, H = 128;
    Image img(W, H);
    VerticalGradient(img, MakeRgb(0.97f, 0.97f, 0.98f), MakeRgb(0.78f, 0.8f, 0.84f));
    Rgba rim = Accent(episode);
    Ring(img, 18, H * 0.5f, 6, 2, rim);
    Ring(img, W - 18.0f, H * 0.5f, 6, 2, rim);
    BevelXY(img, 0, 0, W, H, 6.0f / 224 * W, 16.0f / 240 * H, 0.9f);
    return img;
}

// Arrows are tinted orange by the setup screen: paint them light.
Image PaintSelectArrow() {
    const int S = 64;
    Image img(S, S);
    VerticalGradient(img, MakeRgb(1, 1, 1), MakeRgb(0.7f, 0.7f, 0.72f));
    BevelXY(img, 0, 0, S, S, 6, 6, 0.8f);
    return img;
}

// 32-bit: the surround is transparent, and every stroke is first laid down
// wider in near-black, so the pointer keeps a dark rim on the white menu
// boxes and its light strokes on dark screens. The pointer is drawn about
// 17 pixels across at 640 x 480, four texels to a pixel: strokes and rim
// are six texels or more so that they survive the minification.
Image PaintCursor(int episode) {
    const int S = 64;
    Image img(S, S, Rgba{0, 0, 0, 0});
    const Rgba rim = Rgba{0.04f, 0.04f, 0.06f, 0.95f};
    const Rgba white = MakeRgb(1, 1, 1);
    auto strokes = [&](float grow, Rgba ring, Rgba core) {
        Ring(img, 32, 32, 16, 8 + 2 * grow, ring);
        for (int i = 0; i < 4; ++i) {
            float ang = i * PI / 2;
            float c = std::cos(ang), s = std::sin(ang);
            Line(img, 32 + c * 5, 32 + s * 5, 32 + c * 22, 32 + s * 22, 6 + 2 * grow, core);
        }
        FillCircle(img, 32, 32, 4 + grow, core);
    };
    strokes(6, rim, rim);
    strokes(0, Lighten(Accent(episode), 0.3f), white);
    Ring(img, 32, 32, 16, 3, white);
    return img;
}

bool WriteEpisodeMaterials(const std::string& dir, int ep) {
    bool ok = true;
    auto put = [&](const std::string& name, const Image& img, int bits) {
        ok = WriteTarga(dir + "/" + name + ".tga", img, bits) && ok;
    };
    put("playground", PaintPlayground(ep, 512), 24);
    put("bordure", PaintRails(ep), 24);
    for (int k = 0; k < 12; ++k) {
        char name[32];
        snprintf(name, sizeof name, "brique%d", k + 1);
        put(name, PaintBrick(ep, k), 24);
    }
    put("boule", PaintBall(ep), 24);
    put("bumper", PaintBumper(ep), 24);
    put("raquette", PaintShip(ep), 24);
    put("missile", PaintMissile(ep), 24);
    for (int k = 0; k < 9; ++k) {
        char name[32];
        snprintf(name, sizeof name, "bonus%d", k + 1);
        put(name, PaintCapsule(k), 24);
    }
    // The boards show their own episode in every directory: the episode
    // menu is drawn with whichever set was loaded last.
    put("arcade", PaintBoard(EP_ARCADE), 24);
    put("jungle", PaintBoard(EP_JUNGLE), 24);
    put("ocean", PaintBoard(EP_OCEAN), 24);
    put("street", PaintBoard(EP_STREET), 24);
    put("menubox", PaintMenuBox(ep), 24);
    put("plaque", PaintPlate(ep), 24);
    put("select", PaintSelectArrow(), 24);
    put("cursor", PaintCursor(ep), 32);
    return ok;
}
