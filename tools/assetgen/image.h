// A small software canvas for painting textures: float RGBA, row 0 at the
// top of the picture, plus the Targa writer and FreeType text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Rgba {
    float r, g, b, a;
};

inline Rgba MakeRgb(float r, float g, float b) {
    return Rgba{r, g, b, 1.0f};
}
inline Rgba Hex(uint32_t rgb) {
    return Rgba{((rgb >> 16) & 255) / 255.0f, ((rgb >> 8) & 255) / 255.0f, (rgb & 255) / 255.0f,
                1.0f};
}
Rgba Mix(Rgba a, Rgba b, float t);
Rgba Scale(Rgba c, float k); // rgb times k, alpha kept

class Image {
  public:
    Image(int w, int h, Rgba fill = Rgba{0, 0, 0, 1});
    int width() const { return w_; }
    int height() const { return h_; }
    Rgba& at(int x, int y) { return px_[static_cast<size_t>(y) * w_ + x]; }
    const Rgba& at(int x, int y) const { return px_[static_cast<size_t>(y) * w_ + x]; }
    // Blends colour c over pixel (x, y) with coverage k (0..1); clipped.
    void blend(int x, int y, Rgba c, float k);

  private:
    int w_, h_;
    std::vector<Rgba> px_;
};

// --- deterministic noise -------------------------------------------------
uint32_t HashU32(uint32_t x);
float Hash2(int x, int y, uint32_t seed);                                // 0..1
float ValueNoise(float x, float y, uint32_t seed);                       // smooth, 0..1
float Fbm(float x, float y, int octaves, uint32_t seed);                 // 0..1
float TileFbm(float x, float y, int period, int octaves, uint32_t seed); // wraps at period

// Fixed-seed generator for scattering things (xorshift).
class Prng {
  public:
    explicit Prng(uint32_t seed) : s_(seed ? seed : 0x9e3779b9u) {}
    uint32_t next();
    float unit() { return (next() >> 8) * (1.0f / 16777216.0f); }
    float range(float lo, float hi) { return lo + (hi - lo) * unit(); }
    int below(int n) { return static_cast<int>(next() % static_cast<uint32_t>(n)); }

  private:
    uint32_t s_;
};

// --- shapes (coordinates in pixels, anti-aliased edges) -------------------
void FillRect(Image& img, float x0, float y0, float x1, float y1, Rgba c);
void FillRoundRect(Image& img, float x0, float y0, float x1, float y1, float radius, Rgba c);
void FillCircle(Image& img, float cx, float cy, float radius, Rgba c);
void Ring(Image& img, float cx, float cy, float radius, float width, Rgba c);
void Line(Image& img, float x0, float y0, float x1, float y1, float width, Rgba c);
void VerticalGradient(Image& img, Rgba top, Rgba bottom);
// Light from the upper left on a border of width bw: the bevel of a tile.
void Bevel(Image& img, int x0, int y0, int x1, int y1, int bw, float strength);
// The same over a rectangle with different border widths across and down
// (a texture stretched over a slab whose bevel is not square in uv).
void BevelXY(Image& img, float x0, float y0, float x1, float y1, float bwx, float bwy,
             float strength);
// Soft glow: adds c with a falloff around a circle.
void Glow(Image& img, float cx, float cy, float radius, Rgba c, float strength);

// --- text ---------------------------------------------------------------
enum FontFace { FONT_SANS_BOLD, FONT_MONO_BOLD, FONT_SERIF_BOLD, FONT_CONDENSED_BOLD };
// Draws text centred on (cx, cy) with the given pixel height. Returns false
// when the face cannot be loaded (the text is then missing, not the image).
bool DrawText(Image& img, const std::string& text, float cx, float cy, int pixelHeight, Rgba c,
              FontFace face);
// Outlined text: a dark rim under the letters keeps them legible on any colour.
bool DrawOutlinedText(Image& img, const std::string& text, float cx, float cy, int pixelHeight,
                      Rgba fill, Rgba rim, float rimWidth, FontFace face);
// Coverage of one glyph into an 8-bit buffer (for the font sheet).
struct GlyphBitmap {
    int width = 0, rows = 0, left = 0, top = 0, advance = 0;
    std::vector<uint8_t> coverage;
};
bool RenderGlyph(FontFace face, int pixelSize, uint32_t code, GlyphBitmap* out);
// Ascender and descender of the face at that size, in pixels.
bool FaceMetrics(FontFace face, int pixelSize, int* ascender, int* descender);

// --- Targa ----------------------------------------------------------------
// Uncompressed true-colour Targa, stored bottom-up (the first stored row is
// the bottom of the picture, which the game's loader uploads as v = 0).
// bits is 24 or 32.
bool WriteTarga(const std::string& path, const Image& img, int bits);
