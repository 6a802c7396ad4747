// The bitmap font printer and the layout helpers on the design grid.
#include "render/text.h"

#include <GL/gl.h>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "render/draw_list.h"
#include "render/render.h"
#include "shell/shell.h"

GlyphCell GlyphTable[GLYPH_COUNT];
float GlyphStepU = 1.0f / GLYPH_COLUMNS;
float GlyphStepV = 1.0f / GLYPH_ROWS;
TextStyleState TextStyle = {{1, 1, 1, 1}, {0.5f, 0.5f, 0.5f, 1}, DEFAULT_TEXT_SIZE, 0};

// One formatting buffer for every print: no allocation per frame.
static char PrintBuffer[PRINT_BUFFER_SIZE];

// The glyph sheet is drawn from 6 to 78 pixels a glyph: minified five
// times, plain linear filtering samples between the strokes and drops
// them. The sheet gets its mipmap levels once per upload (explicit levels
// are plain GL 1.1), each the 2 x 2 average of the one above, drawn firmer.
// The levels (and the outline copy below) are built in one scratch block
// that lives only while they are: 2 MiB the game would otherwise hold.
enum { MAX_MIPMAPPED_SHEET = 512, SHEET_TEXELS = MAX_MIPMAPPED_SHEET * MAX_MIPMAPPED_SHEET };
enum { MIP_SCRATCH_BYTES = SHEET_TEXELS * 4 + SHEET_TEXELS + 3 * SHEET_TEXELS + SHEET_TEXELS / 4 };
static uint8_t* MipPixels; // the sheet, then each level as averaged
static uint8_t* MipLevel;  // the level as uploaded
// A smaller level is drawn firmer than a plain average: a stroke a third
// of a texel wide keeps most of its darkness instead of fading to grey.
static uint8_t Firm(int v) {
    const int firm = (v - 20) * 2;
    return (uint8_t)(firm < 0 ? 0 : (firm > 255 ? 255 : firm));
}

// The sheet's rim is three texels of a 32-texel cell: a pixel wide where a
// glyph is drawn 32 high, a fraction of one in the small HUD lines and the
// top ten at 400 x 300, where the ground then shows between the strokes
// of coloured text. From the level whose cells are 8 texels on, each
// level's alpha (the rim) grows by a texel inside its own cell, so the
// rim stays about a pixel wide however small the glyph is drawn. The
// colour, all that black text is drawn from, stays as averaged.
static uint8_t RimAlpha[(MAX_MIPMAPPED_SHEET / 4) * (MAX_MIPMAPPED_SHEET / 4)];
static void GrowRim(int w, int h) {
    const int cellW = w / GLYPH_COLUMNS, cellH = h / GLYPH_ROWS;
    if (cellW > 8 || cellH > 8 || cellW < 4 || cellH < 4) return;
    for (int i = 0; i < w * h; i++)
        RimAlpha[i] = MipLevel[i * 4 + 3];
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const int x0 = x - x % cellW, y0 = y - y % cellH;
            // A cell's left and right columns stay as they are: filtering
            // reads them at the sides of the neighbouring cells' quads, and
            // a grown rim there would stand as a grey bar beside a space.
            if (x == x0 || x == x0 + cellW - 1) continue;
            int a = RimAlpha[y * w + x];
            for (int dy = -1; dy <= 1; dy++)
                for (int dx = -1; dx <= 1; dx++) {
                    const int nx = x + dx, ny = y + dy;
                    if (nx < x0 || nx >= x0 + cellW || ny < y0 || ny >= y0 + cellH) continue;
                    if (RimAlpha[ny * w + nx] > a) a = RimAlpha[ny * w + nx];
                }
            MipLevel[(y * w + x) * 4 + 3] = (uint8_t)a;
        }
}

// Coloured text drawn small reads against any ground only inside a frame
// of solid black: a soft rim lets the ground through beside every stroke,
// and a stroke's own soft edge turns dark red or brown. Such text is drawn
// from a copy of the sheet whose alpha holds two levels, the outline at a
// half and the glyph at full, and cut with the alpha test twice: first the
// outline in black, then the glyph in its colour, both without blending.
// Every level of the copy carries an outline at least a texel wide around
// its glyph, so the frame is about a pixel wide at any size.
// Planes of a sheet's size (the level core a quarter of it), in the
// mipmaps' scratch block.
static uint8_t* OutlineCore;
static uint8_t* OutlineRim;
static uint8_t* OutlineAlpha;
static uint8_t* OutlineLevelCore;
// The sheet the copy was made from: text drawn with any other (a test's
// invisible sheet) takes the ordinary path.
static uint32_t OutlineSource = 0;

// One level of the copy from its averaged glyph and rim planes; the first
// level (mipmapped false) keeps them as the generator drew them.
static void OutlineLevel(int w, int h, bool mipmapped) {
    const int cellW = w / GLYPH_COLUMNS, cellH = h / GLYPH_ROWS;
    const bool grow = mipmapped && cellW >= 4 && cellH >= 4;
    // Strokes thinner than a texel are drawn firmer only in the levels
    // whose cells are four texels or less: above them a firm stroke closes
    // the counters of 0, 8 and e.
    if (mipmapped)
        for (int i = 0; i < w * h; i++)
            OutlineLevelCore[i] = cellW <= 4 ? Firm(OutlineCore[i]) : OutlineCore[i];
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const int i = y * w + x;
            const int core = mipmapped ? OutlineLevelCore[i] : OutlineCore[i];
            int outline = mipmapped ? Firm(OutlineRim[i]) : OutlineRim[i];
            const int x0 = grow ? x - x % cellW : x, y0 = grow ? y - y % cellH : y;
            // As in GrowRim: the cell's side columns are read beside the quad.
            if (grow && x != x0 && x != x0 + cellW - 1)
                for (int dy = -1; dy <= 1; dy++)
                    for (int dx = -1; dx <= 1; dx++) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx < x0 || nx >= x0 + cellW || ny < y0 || ny >= y0 + cellH) continue;
                        outline = std::max<int>(outline, OutlineLevelCore[ny * w + nx]);
                    }
            if (outline < core) outline = core;
            OutlineAlpha[i] = (uint8_t)((outline + core + 1) / 2);
        }
}

// The zero's inner mark fills its counter once the glyph is drawn a few
// pixels high, and 00 turns into two blots: the copy keeps only the ring
// (the largest piece of the glyph in the zero's cell).
static void OpenZero(int width, int height) {
    const int cellW = width / GLYPH_COLUMNS, cellH = height / GLYPH_ROWS;
    if (cellW > 64 || cellH > 64 || cellW < 8 || cellH < 8) return;
    const int code = '0';
    const int x0 = (code % GLYPH_COLUMNS) * cellW;
    const int y0 = (GLYPH_ROWS - 1 - code / GLYPH_COLUMNS) * cellH; // the sheet's rows run up
    static int16_t piece[64 * 64];
    static int16_t stack[64 * 64];
    int sizes[64 * 64 / 2 + 1] = {0};
    int pieces = 0;
    for (int i = 0; i < cellW * cellH; i++)
        piece[i] = -1;
    for (int start = 0; start < cellW * cellH; start++) {
        if (piece[start] >= 0 || OutlineCore[(y0 + start / cellW) * width + x0 + start % cellW] < 128)
            continue;
        if (pieces >= (int)(sizeof sizes / sizeof sizes[0])) return;
        int top = 0;
        stack[top++] = (int16_t)start;
        piece[start] = (int16_t)pieces;
        while (top > 0) {
            const int at = stack[--top];
            sizes[pieces]++;
            const int cx = at % cellW, cy = at / cellW;
            for (int d = 0; d < 4; d++) {
                const int nx = cx + (d == 0) - (d == 1), ny = cy + (d == 2) - (d == 3);
                if (nx < 0 || ny < 0 || nx >= cellW || ny >= cellH) continue;
                const int n = ny * cellW + nx;
                if (piece[n] >= 0 || OutlineCore[(y0 + ny) * width + x0 + nx] < 128) continue;
                piece[n] = (int16_t)pieces;
                stack[top++] = (int16_t)n;
            }
        }
        pieces++;
    }
    int ring = 0;
    for (int k = 1; k < pieces; k++)
        if (sizes[k] > sizes[ring]) ring = k;
    // Every texel nearer another piece than the ring is that piece's: its
    // soft edge goes with it.
    for (int y = 0; y < cellH; y++)
        for (int x = 0; x < cellW; x++) {
            int best = 1 << 30, owner = -1;
            for (int yy = std::max(0, y - 2); yy <= std::min(cellH - 1, y + 2); yy++)
                for (int xx = std::max(0, x - 2); xx <= std::min(cellW - 1, x + 2); xx++) {
                    const int p = piece[yy * cellW + xx];
                    const int d = (xx - x) * (xx - x) + (yy - y) * (yy - y);
                    if (p >= 0 && d < best) best = d, owner = p;
                }
            if (owner >= 0 && owner != ring) OutlineCore[(y0 + y) * width + x0 + x] = 0;
        }
}

// From the sheet's first level, read back into MipPixels: the glyph is its
// colour times its alpha, the rim its alpha. Uploads into the bound texture.
static void BuildOutlineSheet(int width, int height) {
    for (int i = 0; i < width * height; i++) {
        const int a = MipPixels[i * 4 + 3];
        OutlineRim[i] = (uint8_t)a;
        OutlineCore[i] = (uint8_t)((MipPixels[i * 4] * a + 127) / 255);
    }
    OpenZero(width, height);
    OutlineLevel(width, height, false);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA, width, height, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
                 OutlineAlpha);
    int level = 0;
    while (width > 1 || height > 1) {
        const int w = width > 1 ? width / 2 : 1, h = height > 1 ? height / 2 : 1;
        for (uint8_t* plane : {OutlineCore, OutlineRim})
            for (int y = 0; y < h; y++)
                for (int x = 0; x < w; x++) {
                    const int x1 = width > 1 ? 2 * x + 1 : x, y1 = height > 1 ? 2 * y + 1 : y;
                    const int sum = plane[2 * y * width + 2 * x] + plane[2 * y * width + x1] +
                                    plane[y1 * width + 2 * x] + plane[y1 * width + x1];
                    plane[y * w + x] = (uint8_t)((sum + 2) / 4);
                }
        width = w;
        height = h;
        OutlineLevel(w, h, true);
        glTexImage2D(GL_TEXTURE_2D, ++level, GL_ALPHA, w, h, 0, GL_ALPHA, GL_UNSIGNED_BYTE,
                     OutlineAlpha);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
}

// Straight GL, like the upload it follows: every state it touches (the
// binding, the pixel alignments) is put back as it was.
static void BuildFontMipmaps(GLuint name) {
    GLint bound = 0, pack = 4, unpack = 4;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    glBindTexture(GL_TEXTURE_2D, name);
    GLint filter = 0, width = 0, height = 0, format = GL_RGBA;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    // Every level keeps the upload's own format, or the chain is incomplete.
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    const bool usable = filter != GL_LINEAR_MIPMAP_LINEAR && width > 0 && height > 0 &&
                        width <= MAX_MIPMAPPED_SHEET && height <= MAX_MIPMAPPED_SHEET &&
                        (width & (width - 1)) == 0 && (height & (height - 1)) == 0;
    uint8_t* scratch = usable ? static_cast<uint8_t*>(std::malloc(MIP_SCRATCH_BYTES)) : nullptr;
    if (scratch != nullptr) {
        MipPixels = scratch;
        MipLevel = MipPixels + SHEET_TEXELS * 4;
        OutlineCore = MipLevel + SHEET_TEXELS;
        OutlineRim = OutlineCore + SHEET_TEXELS;
        OutlineAlpha = OutlineRim + SHEET_TEXELS;
        OutlineLevelCore = OutlineAlpha + SHEET_TEXELS;
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, MipPixels);
        if (FontOutlineName == 0) glGenTextures(1, reinterpret_cast<GLuint*>(&FontOutlineName));
        glBindTexture(GL_TEXTURE_2D, FontOutlineName);
        BuildOutlineSheet(width, height);
        OutlineSource = name;
        glBindTexture(GL_TEXTURE_2D, name);
        int level = 0;
        while (width > 1 || height > 1) {
            const int w = width > 1 ? width / 2 : 1, h = height > 1 ? height / 2 : 1;
            // In place: row y of the new level reads rows 2y and 2y+1, which
            // lie at or after where it is written.
            for (int y = 0; y < h; y++)
                for (int x = 0; x < w; x++)
                    for (int c = 0; c < 4; c++) {
                        const int x1 = width > 1 ? 2 * x + 1 : x, y1 = height > 1 ? 2 * y + 1 : y;
                        const int sum = MipPixels[((2 * y * width) + 2 * x) * 4 + c] +
                                        MipPixels[((2 * y * width) + x1) * 4 + c] +
                                        MipPixels[((y1 * width) + 2 * x) * 4 + c] +
                                        MipPixels[((y1 * width) + x1) * 4 + c];
                        MipPixels[(y * w + x) * 4 + c] = (uint8_t)((sum + 2) / 4);
                    }
            width = w;
            height = h;
            for (int i = 0; i < w * h * 4; i++)
                MipLevel[i] = Firm(MipPixels[i]);
            GrowRim(w, h);
            glTexImage2D(GL_TEXTURE_2D, ++level, format, width, height, 0, GL_RGBA,
                         GL_UNSIGNED_BYTE, MipLevel);
        }
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        std::free(scratch);
        MipPixels = MipLevel = OutlineCore = OutlineRim = OutlineAlpha = OutlineLevelCore = nullptr;
    }
    glPixelStorei(GL_PACK_ALIGNMENT, pack);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpack);
    glBindTexture(GL_TEXTURE_2D, (GLuint)bound);
}

void MipmapFontSheet() {
    if (FontTexture > 0 && FontTexture < MAX_TEXTURES && TextureNames[FontTexture] != 0)
        BuildFontMipmaps(TextureNames[FontTexture]);
}

void BuildGlyphTable() {
    GlyphStepU = 1.0f / GLYPH_COLUMNS;
    GlyphStepV = 1.0f / GLYPH_ROWS;
    // Row 0 is the top of the picture, so v counts down from the top cell;
    // sums of 1/16 are exact in float, which keeps the cells seam-free.
    int glyph = 0;
    float v = 1.0f - GlyphStepV;
    for (int row = 0; row < GLYPH_ROWS && v >= 0.0f; row++, v -= GlyphStepV) {
        float u = 0.0f;
        for (int col = 0; col < GLYPH_COLUMNS && u <= 1.0f - GlyphStepU; col++, u += GlyphStepU) {
            glyph = row * GLYPH_COLUMNS + col;
            GlyphTable[glyph].u = u;
            GlyphTable[glyph].v = v;
        }
    }
}

void ResetTextStyle() {
    TextStyle.colour[0] = TextStyle.colour[1] = TextStyle.colour[2] = TextStyle.colour[3] = 1.0f;
    TextStyle.shadow[0] = TextStyle.shadow[1] = TextStyle.shadow[2] = 0.5f;
    TextStyle.shadow[3] = 1.0f;
    TextStyle.size = DEFAULT_TEXT_SIZE;
    TextStyle.shadowOn = 0;
}

void SetTextSize(int pixels) {
    TextStyle.size = pixels;
}

void SetTextColour(float r, float g, float b) {
    TextStyle.colour[0] = r;
    TextStyle.colour[1] = g;
    TextStyle.colour[2] = b;
    TextStyle.colour[3] = 1.0f;
}

void SetShadowColour(float r, float g, float b) {
    TextStyle.shadow[0] = r;
    TextStyle.shadow[1] = g;
    TextStyle.shadow[2] = b;
    TextStyle.shadow[3] = 1.0f;
}

void EnableTextShadow() {
    TextStyle.shadowOn = 1;
}

// One glyph quad in colour: texture (u, v) at (x, y), counter-clockwise.
// Walks the pen along the text: a glyph every half size, a line end back
// to the starting x one size lower, nothing past the right edge.
template <class Glyph>
static void WalkPen(const char* text, int x, int y, int s, int advance, int rightEdge,
                    Glyph glyph) {
    int penX = x, penY = y;
    for (const char* p = text; *p; p++) {
        if (penX > rightEdge) break;
        if (*p == '\n') {
            penY -= s;
            // The advance below brings the pen back onto the starting x.
            penX = x - advance;
        } else {
            glyph((unsigned char)*p, penX, penY);
        }
        penX += advance;
    }
}

// Coloured text up to this many pixels high is drawn in a solid outline.
enum { OUTLINED_TEXT_MAX = 23 };

static FrameVertex* PutGlyphQuad(FrameVertex* out, unsigned char c, int x, int y, int s,
                                 const float* colour) {
    const GlyphCell& cell = GlyphTable[c];
    const float u0 = cell.u, v0 = cell.v;
    const float u1 = cell.u + GlyphStepU, v1 = cell.v + GlyphStepV;
    const float corners[4][4] = {{u0, v0, (float)x, (float)y},
                                 {u1, v0, (float)(x + s), (float)y},
                                 {u1, v1, (float)(x + s), (float)(y + s)},
                                 {u0, v1, (float)x, (float)(y + s)}};
    for (int n = 0; n < 4; ++n) {
        out[n].u = corners[n][0];
        out[n].v = corners[n][1];
        out[n].r = colour[0];
        out[n].g = colour[1];
        out[n].b = colour[2];
        out[n].a = colour[3];
        out[n].x = corners[n][2];
        out[n].y = corners[n][3];
        out[n].z = 0.0f;
    }
    return out + 4;
}

// The whole string as one draw of quads (shadow, then glyph, per character).
// The sheet's alpha carries a dark rim that keeps coloured text readable on
// light and busy ground; its colour is the glyph alone. Black text is drawn
// from that colour only, all shadows first (lightening by it), then all
// glyphs (darkening by it), so the rim never blots black letters.
static void DrawString(const char* text, int x, int y, int s, const GLint viewport[4]) {
    int length = 0, newlines = 0, tabs = 0;
    for (const char* p = text; *p; p++) {
        length++;
        if (*p == '\n') newlines++;
        if (*p == '\t') tabs++;
    }
    const int widthFactor = tabs > 0 ? 4 * tabs : 1;
    if (newlines == 0)
        DlScissor(x, y, widthFactor * s * length, s);
    else
        DlScissor(x, y - newlines * s, widthFactor * s * length, (newlines + 1) * s);

    const int advance = (int)(s * 0.5f);
    const int rightEdge = viewport[0] + viewport[2];
    const bool black =
        TextStyle.colour[0] == 0.0f && TextStyle.colour[1] == 0.0f && TextStyle.colour[2] == 0.0f;
    if (black) {
        static const float White[4] = {1, 1, 1, 1};
        bool drewGlyph = false;
        for (int pass = TextStyle.shadowOn ? 0 : 1; pass < 2; pass++) {
            FrameVertex* const first = DlVertices(length * 4);
            FrameVertex* out = first;
            WalkPen(text, x, y, s, advance, rightEdge, [&](unsigned char c, int penX, int penY) {
                if (pass == 0)
                    out = PutGlyphQuad(out, c, penX + 1, penY + 1, s, TextStyle.shadow);
                else
                    out = PutGlyphQuad(out, c, penX, penY, s, White);
            });
            DlBlendFunc(pass == 0 ? GL_ONE : GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
            DlDraw(GL_QUADS, (int)(out - first));
            drewGlyph = drewGlyph || out != first;
        }
        // The recorder sends state only with a draw: one empty quad in the
        // usual blend, so the frame ends in the state it began with.
        FrameVertex* none = DlVertices(4);
        PutGlyphQuad(none, ' ', x, y, 0, White);
        DlBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        DlDraw(GL_QUADS, 4);
        // Text leaves the last glyph's colour current, as one quad at a time did.
        if (drewGlyph) DlColor(0.0f, 0.0f, 0.0f, 1.0f);
        return;
    }
    if (s <= OUTLINED_TEXT_MAX && FontOutlineName != 0 && FontTexture > 0 &&
        FontTexture < MAX_TEXTURES && TextureNames[FontTexture] == OutlineSource) {
        // The outline frames the glyph wider than a shadow one pixel off
        // would show, so the shadow is left out.
        static const float Frame[4] = {0, 0, 0, 1};
        DlBindTexture(FontOutlineName);
        DlEnable(GL_ALPHA_TEST);
        DlBlendFunc(GL_ONE, GL_ZERO);
        bool drewGlyph = false;
        for (int pass = 0; pass < 2; pass++) {
            FrameVertex* const first = DlVertices(length * 4);
            FrameVertex* out = first;
            WalkPen(text, x, y, s, advance, rightEdge, [&](unsigned char c, int penX, int penY) {
                out = PutGlyphQuad(out, c, penX, penY, s, pass == 0 ? Frame : TextStyle.colour);
            });
            // Half is the outline's level in the sheet, full the glyph's: the
            // glyph is cut where its coverage passes 0.4, the outline at 0.5.
            DlAlphaFunc(GL_GREATER, pass == 0 ? 0.25f : 0.7f);
            DlDraw(GL_QUADS, (int)(out - first));
            drewGlyph = drewGlyph || out != first;
        }
        DlDisable(GL_ALPHA_TEST);
        DlAlphaFunc(GL_ALWAYS, 0.0f);
        DlBindTexture(TextureNames[FontTexture]);
        DlBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        FrameVertex* none = DlVertices(4);
        PutGlyphQuad(none, ' ', x, y, 0, TextStyle.colour);
        DlDraw(GL_QUADS, 4);
        if (drewGlyph)
            DlColor(TextStyle.colour[0], TextStyle.colour[1], TextStyle.colour[2], TextStyle.colour[3]);
        return;
    }
    const int perGlyph = TextStyle.shadowOn ? 8 : 4;
    FrameVertex* const first = DlVertices(length * perGlyph);
    FrameVertex* out = first;
    const float* lastColour = nullptr;
    WalkPen(text, x, y, s, advance, rightEdge, [&](unsigned char c, int penX, int penY) {
        if (TextStyle.shadowOn) out = PutGlyphQuad(out, c, penX + 1, penY + 1, s, TextStyle.shadow);
        out = PutGlyphQuad(out, c, penX, penY, s, TextStyle.colour);
        lastColour = TextStyle.colour;
    });
    DlDraw(GL_QUADS, (int)(out - first));
    // Text leaves the last glyph's colour current, as one quad at a time did.
    if (lastColour != nullptr) DlColor(lastColour[0], lastColour[1], lastColour[2], lastColour[3]);
}

void Print(int x, int y, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(PrintBuffer, sizeof PrintBuffer, format, args);
    va_end(args);

    GLint viewport[4];
    DlGetViewport(viewport);

    // Text mode: remember everything changed so the scene state comes back.
    GLint polygonMode[2];
    DlGetPolygonMode(polygonMode);
    const GLint matrixMode = (GLint)DlGetMatrixMode();
    const bool hadTexture = DlIsEnabled(GL_TEXTURE_2D);
    const bool hadDepth = DlIsEnabled(GL_DEPTH_TEST);
    const bool hadLighting = DlIsEnabled(GL_LIGHTING);
    const bool hadScissor = DlIsEnabled(GL_SCISSOR_TEST);
    const bool hadBlend = DlIsEnabled(GL_BLEND);
    GLint blendSrc, blendDst;
    DlGetBlendFunc(&blendSrc, &blendDst);

    DlPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    DlEnable(GL_TEXTURE_2D);
    DlDisable(GL_DEPTH_TEST);
    DlDisable(GL_LIGHTING);
    DlEnable(GL_SCISSOR_TEST);
    DlEnable(GL_BLEND);
    DlBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);

    DlMatrixMode(GL_PROJECTION);
    DlPushMatrix();
    DlLoadIdentity();
    DlOrtho(0.0f, (float)viewport[2], 0.0f, (float)viewport[3], -1.0f, 1.0f);
    DlMatrixMode(GL_MODELVIEW);
    DlPushMatrix();
    DlLoadIdentity();
    if (FontTexture >= 0 && FontTexture < MAX_TEXTURES) DlBindTexture(TextureNames[FontTexture]);

    DrawString(PrintBuffer, x, y, TextStyle.size, viewport);

    DlMatrixMode(GL_PROJECTION);
    DlPopMatrix();
    DlMatrixMode(GL_MODELVIEW);
    DlPopMatrix();

    DlPolygonMode(GL_FRONT, (GLenum)polygonMode[0]);
    DlPolygonMode(GL_BACK, (GLenum)polygonMode[1]);
    if (!hadTexture) DlDisable(GL_TEXTURE_2D);
    if (hadDepth) DlEnable(GL_DEPTH_TEST);
    if (hadLighting) DlEnable(GL_LIGHTING);
    if (!hadScissor) DlDisable(GL_SCISSOR_TEST);
    if (hadBlend)
        DlBlendFunc((GLenum)blendSrc, (GLenum)blendDst);
    else
        DlDisable(GL_BLEND);
    DlMatrixMode((GLenum)matrixMode);

    ResetTextStyle();
}

// ---------------------------------------------------------------------------
// Layout on the design grid
// ---------------------------------------------------------------------------

static float ScaleX() {
    return (float)ScreenWidth() / DESIGN_WIDTH;
}
static float ScaleY() {
    return (float)ScreenHeight() / DESIGN_HEIGHT;
}

int LayoutGlyphSize(int size) {
    return (int)(size * ScaleX());
}
int LayoutX(int size, int col) {
    return (int)(size * col * ScaleX());
}
int LayoutY(int size, int row) {
    return (int)(ScreenHeight() - (row + 1) * size * ScaleY());
}

int CenteredX(int length, int size) {
    const int width = ScreenWidth();
    int w = (int)(length * size * ScaleX());
    if (w > width) w = width;
    // Each character advances half its size, so the drawn text is w / 2 wide.
    return (width - w) / 2 + w / 4;
}

void TextColourOf(int code, bool whiteAllowed, float rgb[3]) {
    rgb[0] = rgb[1] = rgb[2] = 0.0f;
    switch (code) {
    case TEXT_WHITE:
        if (whiteAllowed) rgb[0] = rgb[1] = rgb[2] = 1.0f;
        break;
    case TEXT_GOLD:
        rgb[0] = 0.952f;
        rgb[1] = 0.713f;
        rgb[2] = 0.07f;
        break;
    case TEXT_BLUE:
        rgb[2] = 1.0f;
        break;
    case TEXT_GREEN:
        rgb[1] = 1.0f;
        break;
    case TEXT_RED:
        rgb[0] = 1.0f;
        break;
    default:
        break;
    }
}

static void SetLayoutStyle(int size, const float rgb[3]) {
    SetTextSize(LayoutGlyphSize(size));
    SetTextColour(rgb[0], rgb[1], rgb[2]);
    EnableTextShadow();
    SetShadowColour(1.0f, 1.0f, 1.0f);
}

// The layout texts are the game's own formats with at most one int.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"

void PrintAt(const char* text, int size, int arg, int row, int col, int colour) {
    float rgb[3];
    TextColourOf(colour, true, rgb);
    SetLayoutStyle(size, rgb);
    Print(LayoutX(size, col), LayoutY(size, row), text, arg);
}

void PrintValueAt(const char* text, int size, int value, int row, int col) {
    float rgb[3];
    int arg = value;
    if (value == TEXT_BLUE || value == TEXT_GREEN || value == TEXT_RED) {
        TextColourOf(value, false, rgb);
        arg = 0;
    } else {
        TextColourOf(TEXT_BLACK, false, rgb);
    }
    SetLayoutStyle(size, rgb);
    Print(LayoutX(size, col), LayoutY(size, row), text, arg);
}

void PrintCentered(const char* text, int size, int colour, int row) {
    float rgb[3];
    TextColourOf(colour, false, rgb);
    SetLayoutStyle(size, rgb);
    Print(CenteredX((int)std::strlen(text), size), LayoutY(size, row), text, colour);
}

#pragma GCC diagnostic pop
