#include "tools/assetgen/image.h"

#include "tools/assetgen/fs_util.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>

static float Clamp01(float v) {
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

Rgba Mix(Rgba a, Rgba b, float t) {
    return Rgba{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
                a.a + (b.a - a.a) * t};
}

Rgba Scale(Rgba c, float k) {
    return Rgba{c.r * k, c.g * k, c.b * k, c.a};
}

Image::Image(int w, int h, Rgba fill) : w_(w), h_(h), px_(static_cast<size_t>(w) * h, fill) {}

void Image::blend(int x, int y, Rgba c, float k) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    k = Clamp01(k * c.a);
    Rgba& p = at(x, y);
    p.r += (c.r - p.r) * k;
    p.g += (c.g - p.g) * k;
    p.b += (c.b - p.b) * k;
    p.a += (1.0f - p.a) * k;
}

// ---------------------------------------------------------------------------
// Noise
// ---------------------------------------------------------------------------
uint32_t HashU32(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

float Hash2(int x, int y, uint32_t seed) {
    uint32_t h = HashU32(static_cast<uint32_t>(x) * 0x8da6b343U ^
                         HashU32(static_cast<uint32_t>(y) * 0xd8163841U ^ seed));
    return (h >> 8) * (1.0f / 16777216.0f);
}

static float Smooth(float t) {
    return t * t * (3.0f - 2.0f * t);
}

static float LatticeNoise(float x, float y, int period, uint32_t seed) {
    int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
    float fx = Smooth(x - xi), fy = Smooth(y - yi);
    int x0 = xi, x1 = xi + 1, y0 = yi, y1 = yi + 1;
    if (period > 0) {
        x0 = ((x0 % period) + period) % period;
        x1 = ((x1 % period) + period) % period;
        y0 = ((y0 % period) + period) % period;
        y1 = ((y1 % period) + period) % period;
    }
    float a = Hash2(x0, y0, seed), b = Hash2(x1, y0, seed);
    float c = Hash2(x0, y1, seed), d = Hash2(x1, y1, seed);
    return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

float ValueNoise(float x, float y, uint32_t seed) {
    return LatticeNoise(x, y, 0, seed);
}

float Fbm(float x, float y, int octaves, uint32_t seed) {
    float sum = 0.0f, amp = 0.5f, norm = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * LatticeNoise(x, y, 0, seed + 977u * i);
        norm += amp;
        x *= 2.0f;
        y *= 2.0f;
        amp *= 0.5f;
    }
    return sum / norm;
}

float TileFbm(float x, float y, int period, int octaves, uint32_t seed) {
    float sum = 0.0f, amp = 0.5f, norm = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * LatticeNoise(x, y, period, seed + 977u * i);
        norm += amp;
        x *= 2.0f;
        y *= 2.0f;
        period *= 2;
        amp *= 0.5f;
    }
    return sum / norm;
}

uint32_t Prng::next() {
    s_ ^= s_ << 13;
    s_ ^= s_ >> 17;
    s_ ^= s_ << 5;
    return s_;
}

// ---------------------------------------------------------------------------
// Shapes
// ---------------------------------------------------------------------------
void FillRect(Image& img, float x0, float y0, float x1, float y1, Rgba c) {
    int ix0 = std::max(0, static_cast<int>(std::floor(x0)));
    int iy0 = std::max(0, static_cast<int>(std::floor(y0)));
    int ix1 = std::min(img.width() - 1, static_cast<int>(std::ceil(x1)));
    int iy1 = std::min(img.height() - 1, static_cast<int>(std::ceil(y1)));
    for (int y = iy0; y <= iy1; ++y) {
        float cy = Clamp01(std::min(y + 1.0f, y1) - std::max(static_cast<float>(y), y0));
        for (int x = ix0; x <= ix1; ++x) {
            float cx = Clamp01(std::min(x + 1.0f, x1) - std::max(static_cast<float>(x), x0));
            img.blend(x, y, c, cx * cy);
        }
    }
}

void FillRoundRect(Image& img, float x0, float y0, float x1, float y1, float radius, Rgba c) {
    int ix0 = std::max(0, static_cast<int>(x0) - 1), iy0 = std::max(0, static_cast<int>(y0) - 1);
    int ix1 = std::min(img.width() - 1, static_cast<int>(x1) + 1);
    int iy1 = std::min(img.height() - 1, static_cast<int>(y1) + 1);
    float hx = (x1 - x0) * 0.5f, hy = (y1 - y0) * 0.5f, mx = (x0 + x1) * 0.5f,
          my = (y0 + y1) * 0.5f;
    for (int y = iy0; y <= iy1; ++y)
        for (int x = ix0; x <= ix1; ++x) {
            float qx = std::fabs(x + 0.5f - mx) - (hx - radius);
            float qy = std::fabs(y + 0.5f - my) - (hy - radius);
            float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
            float d = std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
            img.blend(x, y, c, Clamp01(0.5f - d));
        }
}

void FillCircle(Image& img, float cx, float cy, float radius, Rgba c) {
    int ix0 = std::max(0, static_cast<int>(cx - radius) - 1);
    int iy0 = std::max(0, static_cast<int>(cy - radius) - 1);
    int ix1 = std::min(img.width() - 1, static_cast<int>(cx + radius) + 1);
    int iy1 = std::min(img.height() - 1, static_cast<int>(cy + radius) + 1);
    for (int y = iy0; y <= iy1; ++y)
        for (int x = ix0; x <= ix1; ++x) {
            float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) - radius;
            img.blend(x, y, c, Clamp01(0.5f - d));
        }
}

void Ring(Image& img, float cx, float cy, float radius, float width, Rgba c) {
    float r = radius + width;
    int ix0 = std::max(0, static_cast<int>(cx - r) - 1),
        iy0 = std::max(0, static_cast<int>(cy - r) - 1);
    int ix1 = std::min(img.width() - 1, static_cast<int>(cx + r) + 1);
    int iy1 = std::min(img.height() - 1, static_cast<int>(cy + r) + 1);
    for (int y = iy0; y <= iy1; ++y)
        for (int x = ix0; x <= ix1; ++x) {
            float d = std::fabs(std::hypot(x + 0.5f - cx, y + 0.5f - cy) - radius) - width * 0.5f;
            img.blend(x, y, c, Clamp01(0.5f - d));
        }
}

void Line(Image& img, float x0, float y0, float x1, float y1, float width, Rgba c) {
    float hw = width * 0.5f;
    int ix0 = std::max(0, static_cast<int>(std::min(x0, x1) - hw) - 1);
    int iy0 = std::max(0, static_cast<int>(std::min(y0, y1) - hw) - 1);
    int ix1 = std::min(img.width() - 1, static_cast<int>(std::max(x0, x1) + hw) + 1);
    int iy1 = std::min(img.height() - 1, static_cast<int>(std::max(y0, y1) + hw) + 1);
    float dx = x1 - x0, dy = y1 - y0, len2 = dx * dx + dy * dy;
    for (int y = iy0; y <= iy1; ++y)
        for (int x = ix0; x <= ix1; ++x) {
            float px = x + 0.5f - x0, py = y + 0.5f - y0;
            float t = len2 > 0 ? Clamp01((px * dx + py * dy) / len2) : 0.0f;
            float d = std::hypot(px - t * dx, py - t * dy) - hw;
            img.blend(x, y, c, Clamp01(0.5f - d));
        }
}

void VerticalGradient(Image& img, Rgba top, Rgba bottom) {
    for (int y = 0; y < img.height(); ++y) {
        Rgba c = Mix(top, bottom, img.height() > 1 ? y / (img.height() - 1.0f) : 0.0f);
        for (int x = 0; x < img.width(); ++x)
            img.at(x, y) = c;
    }
}

void Bevel(Image& img, int x0, int y0, int x1, int y1, int bw, float strength) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            int dl = x - x0, dr = x1 - 1 - x, dt = y - y0, db = y1 - 1 - y;
            int m = std::min(std::min(dl, dr), std::min(dt, db));
            if (m >= bw) continue;
            float k;
            if (m == dt)
                k = 0.55f; // top edge faces the light
            else if (m == dl)
                k = 0.3f; // left edge
            else if (m == dr)
                k = -0.3f; // right edge
            else
                k = -0.55f; // bottom edge in shadow
            k *= strength * (1.0f - 0.35f * m / static_cast<float>(bw));
            Rgba& p = img.at(x, y);
            if (k > 0) {
                p.r += (1 - p.r) * k;
                p.g += (1 - p.g) * k;
                p.b += (1 - p.b) * k;
            } else {
                p.r *= 1 + k;
                p.g *= 1 + k;
                p.b *= 1 + k;
            }
        }
}

void BevelXY(Image& img, float x0, float y0, float x1, float y1, float bwx, float bwy,
             float strength) {
    int ix0 = std::max(0, static_cast<int>(x0)), iy0 = std::max(0, static_cast<int>(y0));
    int ix1 = std::min(img.width(), static_cast<int>(std::ceil(x1)));
    int iy1 = std::min(img.height(), static_cast<int>(std::ceil(y1)));
    for (int y = iy0; y < iy1; ++y)
        for (int x = ix0; x < ix1; ++x) {
            // Distances to each edge in units of that edge's bevel width.
            float px = x + 0.5f, py = y + 0.5f;
            float dl = (px - x0) / bwx, dr = (x1 - px) / bwx, dt = (py - y0) / bwy,
                  db = (y1 - py) / bwy;
            float m = std::min(std::min(dl, dr), std::min(dt, db));
            if (m >= 1.0f) continue;
            float k;
            if (m == dt)
                k = 0.5f;
            else if (m == dl)
                k = 0.25f;
            else if (m == dr)
                k = -0.3f;
            else
                k = -0.5f;
            k *= strength * (1.0f - 0.4f * m);
            Rgba& p = img.at(x, y);
            if (k > 0) {
                p.r += (1 - p.r) * k;
                p.g += (1 - p.g) * k;
                p.b += (1 - p.b) * k;
            } else {
                p.r *= 1 + k;
                p.g *= 1 + k;
                p.b *= 1 + k;
            }
        }
}

void Glow(Image& img, float cx, float cy, float radius, Rgba c, float strength) {
    float r = radius * 3.0f;
    int ix0 = std::max(0, static_cast<int>(cx - r)), iy0 = std::max(0, static_cast<int>(cy - r));
    int ix1 = std::min(img.width() - 1, static_cast<int>(cx + r));
    int iy1 = std::min(img.height() - 1, static_cast<int>(cy + r));
    for (int y = iy0; y <= iy1; ++y)
        for (int x = ix0; x <= ix1; ++x) {
            float d = std::hypot(x + 0.5f - cx, y + 0.5f - cy) / radius;
            float k = strength * std::exp(-d * d);
            Rgba& p = img.at(x, y);
            p.r = std::min(1.0f, p.r + c.r * k);
            p.g = std::min(1.0f, p.g + c.g * k);
            p.b = std::min(1.0f, p.b + c.b * k);
        }
}

// ---------------------------------------------------------------------------
// FreeType text
// ---------------------------------------------------------------------------
static const char* FontPath(FontFace face) {
    switch (face) {
    case FONT_MONO_BOLD:
        return "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";
    case FONT_SERIF_BOLD:
        return "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf";
    case FONT_CONDENSED_BOLD:
        return "/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf";
    case FONT_SANS_BOLD:
    default:
        return "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
    }
}

static FT_Library FreeTypeLibrary() {
    static FT_Library lib = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (FT_Init_FreeType(&lib) != 0) {
            fprintf(stderr, "k3d-assetgen: FreeType does not start\n");
            lib = nullptr;
        }
    }
    return lib;
}

static FT_Face LoadFace(FontFace face) {
    static FT_Face faces[4] = {nullptr, nullptr, nullptr, nullptr};
    static bool tried[4] = {false, false, false, false};
    int i = static_cast<int>(face);
    if (!tried[i]) {
        tried[i] = true;
        FT_Library lib = FreeTypeLibrary();
        if (!lib || FT_New_Face(lib, FontPath(face), 0, &faces[i]) != 0) {
            fprintf(stderr, "k3d-assetgen: cannot load font %s\n", FontPath(face));
            faces[i] = nullptr;
        }
    }
    return faces[i];
}

bool RenderGlyph(FontFace face, int pixelSize, uint32_t code, GlyphBitmap* out) {
    FT_Face f = LoadFace(face);
    if (!f) return false;
    FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(pixelSize));
    if (FT_Load_Char(f, code, FT_LOAD_RENDER) != 0) return false;
    FT_GlyphSlot g = f->glyph;
    out->width = static_cast<int>(g->bitmap.width);
    out->rows = static_cast<int>(g->bitmap.rows);
    out->left = g->bitmap_left;
    out->top = g->bitmap_top;
    out->advance = static_cast<int>(g->advance.x >> 6);
    out->coverage.assign(static_cast<size_t>(out->width) * out->rows, 0);
    for (int y = 0; y < out->rows; ++y)
        for (int x = 0; x < out->width; ++x)
            out->coverage[static_cast<size_t>(y) * out->width + x] =
                g->bitmap.buffer[y * g->bitmap.pitch + x];
    return true;
}

bool FaceMetrics(FontFace face, int pixelSize, int* ascender, int* descender) {
    FT_Face f = LoadFace(face);
    if (!f) return false;
    FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(pixelSize));
    *ascender = static_cast<int>(f->size->metrics.ascender >> 6);
    *descender = static_cast<int>(-(f->size->metrics.descender >> 6));
    return true;
}

bool DrawText(Image& img, const std::string& text, float cx, float cy, int pixelHeight, Rgba c,
              FontFace face) {
    FT_Face f = LoadFace(face);
    if (!f) return false;
    // Cap height centring: measure the ink of the whole string first.
    int total = 0, top = -100000, bottom = 100000;
    GlyphBitmap g;
    for (char ch : text) {
        if (!RenderGlyph(face, pixelHeight, static_cast<unsigned char>(ch), &g)) continue;
        total += g.advance;
        if (g.rows > 0) {
            top = std::max(top, g.top);
            bottom = std::min(bottom, g.top - g.rows);
        }
    }
    if (top < bottom) return true; // only blanks
    float penX = cx - total * 0.5f;
    float baseline = cy + (top + bottom) * 0.5f;
    for (char ch : text) {
        if (!RenderGlyph(face, pixelHeight, static_cast<unsigned char>(ch), &g)) continue;
        int ox = static_cast<int>(std::lround(penX)) + g.left;
        int oy = static_cast<int>(std::lround(baseline)) - g.top;
        for (int y = 0; y < g.rows; ++y)
            for (int x = 0; x < g.width; ++x) {
                uint8_t k = g.coverage[static_cast<size_t>(y) * g.width + x];
                if (k) img.blend(ox + x, oy + y, c, k / 255.0f);
            }
        penX += g.advance;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Targa
// ---------------------------------------------------------------------------
static uint8_t ToByte(float v) {
    return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f));
}

bool WriteTarga(const std::string& path, const Image& img, int bits) {
    const int w = img.width(), h = img.height(), bpp = bits / 8;
    std::vector<uint8_t> out(18 + static_cast<size_t>(w) * h * bpp);
    out[2] = 2; // uncompressed true colour
    out[12] = static_cast<uint8_t>(w & 255);
    out[13] = static_cast<uint8_t>(w >> 8);
    out[14] = static_cast<uint8_t>(h & 255);
    out[15] = static_cast<uint8_t>(h >> 8);
    out[16] = static_cast<uint8_t>(bits);
    out[17] = bits == 32 ? 8 : 0; // alpha bits; origin bits clear: bottom-up
    size_t o = 18;
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const Rgba& p = img.at(x, y);
            out[o++] = ToByte(p.b);
            out[o++] = ToByte(p.g);
            out[o++] = ToByte(p.r);
            if (bpp == 4) out[o++] = ToByte(p.a);
        }
    return WriteFileBytes(path, out.data(), out.size());
}

bool DrawOutlinedText(Image& img, const std::string& text, float cx, float cy, int pixelHeight,
                      Rgba fill, Rgba rim, float rimWidth, FontFace face) {
    bool ok = true;
    const int steps = 12;
    for (int i = 0; i < steps; ++i) {
        float a = 6.2831853f * i / steps;
        ok = DrawText(img, text, cx + rimWidth * std::cos(a), cy + rimWidth * std::sin(a),
                      pixelHeight, rim, face) &&
             ok;
    }
    return DrawText(img, text, cx, cy, pixelHeight, fill, face) && ok;
}
