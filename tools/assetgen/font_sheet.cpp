// Texture/font.tga: the 16 x 16 glyph sheet, one cell per character code,
// row 0 (codes 0..15) at the top of the picture.
#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/fs_util.h"
#include "tools/assetgen/image.h"

#include <cstdio>

namespace {

// 32-pixel cells: sharp up to the 64-pixel titles, still legible at 10.
const int CELL = 32;
const int SHEET = CELL * 16;
// The printer draws a square quad per glyph but moves the pen half of it,
// so the glyph lives in the left half of its cell.
const int GLYPH_WIDTH = CELL / 2;
const int FONT_PIXELS = 26; // the mono face's advance is then 15.7 pixels
const int BASELINE_FROM_BOTTOM = 7;

bool Printable(int code) {
    return (code > 32 && code < 127) || code > 160;
}

} // namespace

bool WriteFont(const std::string& gameDir) {
    if (!UsableGameDir(gameDir)) return false;
    if (!MakeDirs(gameDir + "/Texture")) return false;
    // White everywhere, alpha carries the glyph: the text colour comes from
    // the drawing, and filtering at glyph edges never darkens it.
    Image sheet(SHEET, SHEET, Rgba{1, 1, 1, 0});
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
                if (px < cellX || px >= cellX + GLYPH_WIDTH || py <= cellY ||
                    py >= cellY + CELL - 1)
                    continue;
                float k = g.coverage[static_cast<size_t>(y) * g.width + x] / 255.0f;
                Rgba& p = sheet.at(px, py);
                if (k > p.a) p.a = k;
            }
    }
    if (!fontOk) fprintf(stderr, "k3d-assetgen: some glyphs could not be rendered\n");
    return WriteTarga(gameDir + "/Texture/font.tga", sheet, 32) && fontOk;
}
