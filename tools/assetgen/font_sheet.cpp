// Texture/font.tga: the 16 x 16 glyph sheet, one cell per character code,
// row 0 (codes 0..15) at the top of the picture.
#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/fs_util.h"
#include "tools/assetgen/image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// 32-pixel cells: sharp up to the 78-pixel titles; the printer's mipmaps
// keep the strokes when a glyph is drawn at 6.
const int CELL = 32;
const int SHEET = CELL * 16;
// The printer draws a square quad per glyph but moves the pen half of it,
// so the glyph lives in the left half of its cell.
const int GLYPH_WIDTH = CELL / 2;
// The mono face's advance is then 14.4 pixels: with the rim the glyph
// still fits its half cell, so a letter's rim never covers its neighbour.
const int FONT_PIXELS = 24;
const int BASELINE_FROM_BOTTOM = 8;
// A dark rim around every glyph: coloured text (gold, red) reads on any
// background, light or busy. The printer draws black text from the glyph
// colour alone, without the rim.
const float RIM = 3.0f;

bool Printable(int code) {
    return (code > 32 && code < 127) || code > 160;
}

// The rim's coverage at every texel of one cell: the glyph grown by RIM
// with a soft edge, inside the cell's one-texel border. It may reach into
// the right half: the next character is drawn later, over it.
void GrowCell(const std::vector<float>& core, std::vector<float>* grown, int cellX, int cellY) {
    const int reach = static_cast<int>(std::ceil(RIM)) + 1;
    for (int y = cellY + 1; y < cellY + CELL - 1; ++y)
        for (int x = cellX + 1; x < cellX + CELL - 1; ++x) {
            float best = 0;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx) {
                    const int qx = x + dx, qy = y + dy;
                    if (qx < cellX || qx >= cellX + CELL || qy < cellY || qy >= cellY + CELL)
                        continue;
                    const float k = core[static_cast<size_t>(qy) * SHEET + qx];
                    if (k <= best) continue;
                    const float d = std::sqrt(static_cast<float>(dx * dx + dy * dy));
                    const float edge = std::min(1.0f, std::max(0.0f, RIM + 0.5f - d));
                    best = std::max(best, k * edge);
                }
            (*grown)[static_cast<size_t>(y) * SHEET + x] = best;
        }
}

} // namespace

bool WriteFont(const std::string& gameDir) {
    if (!UsableGameDir(gameDir)) return false;
    if (!MakeDirs(gameDir + "/Texture")) return false;
    std::vector<float> core(static_cast<size_t>(SHEET) * SHEET, 0.0f);
    std::vector<float> grown(core.size(), 0.0f);
    bool fontOk = true;
    for (int code = 0; code < 256; ++code) {
        if (!Printable(code)) continue;
        GlyphBitmap g;
        if (!RenderGlyph(FONT_MONO_BOLD, FONT_PIXELS, static_cast<uint32_t>(code), &g)) {
            fontOk = false;
            continue;
        }
        const int cellX = (code % 16) * CELL, cellY = (code / 16) * CELL;
        const int penX = cellX + (GLYPH_WIDTH - g.advance) / 2;
        const int baseY = cellY + CELL - BASELINE_FROM_BOTTOM;
        for (int y = 0; y < g.rows; ++y)
            for (int x = 0; x < g.width; ++x) {
                int px = penX + g.left + x, py = baseY - g.top + y;
                // Keep one clear texel at the cell's edges against filtering.
                if (px <= cellX || px >= cellX + GLYPH_WIDTH - 1 || py <= cellY ||
                    py >= cellY + CELL - 1)
                    continue;
                float k = g.coverage[static_cast<size_t>(y) * g.width + x] / 255.0f;
                float& p = core[static_cast<size_t>(py) * SHEET + px];
                if (k > p) p = k;
            }
        GrowCell(core, &grown, cellX, cellY);
    }
    // Alpha is the glyph with its rim; the colour is the glyph's coverage
    // (white on it, black on the rim), so the text colour tints the glyph
    // alone and the colour by itself is the rim-less glyph.
    Image sheet(SHEET, SHEET, Rgba{1, 1, 1, 0});
    for (int y = 0; y < SHEET; ++y)
        for (int x = 0; x < SHEET; ++x) {
            const size_t i = static_cast<size_t>(y) * SHEET + x;
            const float a = std::max(core[i], grown[i]);
            // Black where nothing is drawn: black text darkens by this.
            const float white = a > 0 ? core[i] / a : 0.0f;
            sheet.at(x, y) = Rgba{white, white, white, a};
        }
    if (!fontOk) fprintf(stderr, "k3d-assetgen: some glyphs could not be rendered\n");
    return WriteTarga(gameDir + "/Texture/font.tga", sheet, 32) && fontOk;
}
