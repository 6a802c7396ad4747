// The bitmap font and the text layout: one 16 x 16 glyph sheet, one square
// per character drawn over the scene in window pixels, and three layout
// helpers on the 640 x 480 design grid that every screen is written with.
#pragma once

#include <cstdint>

enum {
    GLYPH_COUNT = 256,
    GLYPH_COLUMNS = 16,
    GLYPH_ROWS = 16,
    PRINT_BUFFER_SIZE = 1024, // formatted text beyond 1023 characters is cut
    DESIGN_WIDTH = 640,
    DESIGN_HEIGHT = 480,
    DEFAULT_TEXT_SIZE = 12,
};

// Colour codes of the layout helpers; any other value is black.
enum {
    TEXT_WHITE = -5, // PrintAt only
    TEXT_GOLD = -4,
    TEXT_BLUE = -3,
    TEXT_GREEN = -2,
    TEXT_RED = -1,
    TEXT_BLACK = 0,
};

struct GlyphCell {
    float u, v; // lower-left texture coordinate of the cell
};

// The attributes of the next Print; Print resets them to the defaults, so
// every caller sets size, colour and shadow right before it prints.
struct TextStyleState {
    float colour[4]; // default 1, 1, 1, 1
    float shadow[4]; // default 0.5, 0.5, 0.5, 1
    int32_t size;    // glyph size in pixels, default 12
    int32_t shadowOn;
};

// ---------------------------------------------------------------------------
// Process-wide state (written by render/text.cpp only)
// ---------------------------------------------------------------------------
extern GlyphCell GlyphTable[GLYPH_COUNT];
extern float GlyphStepU, GlyphStepV; // 1/16 each
extern TextStyleState TextStyle;

// ---------------------------------------------------------------------------
// Low level: window pixels, origin at the lower left
// ---------------------------------------------------------------------------

// Fills GlyphTable from the sheet's 16 columns and rows; LoadTextures calls it.
void BuildGlyphTable();
// Gives the uploaded sheet its mipmap levels, so small text keeps its
// strokes; LoadTextures calls it right after loading the sheet.
void MipmapFontSheet();
void ResetTextStyle();
void SetTextSize(int pixels);
void SetTextColour(float r, float g, float b);
void SetShadowColour(float r, float g, float b);
void EnableTextShadow();
// Formats printf-style and draws with the first glyph's lower-left corner at
// (x, y), clipped to the text's own box and to the viewport's right edge.
void Print(int x, int y, const char* format, ...) __attribute__((format(printf, 3, 4)));

// ---------------------------------------------------------------------------
// Layout on the 640 x 480 grid; rows and columns in units of the size
// ---------------------------------------------------------------------------

// text is a format with one int conversion (or none) fed by arg.
void PrintAt(const char* text, int size, int arg, int row, int col, int colour);
// value picks the colour (-3 blue, -2 green, -1 red, each printing 0) or, for
// any other value, prints itself in black.
void PrintValueAt(const char* text, int size, int value, int row, int col);
// Centred across the window; colour is also the format argument.
void PrintCentered(const char* text, int size, int colour, int row);

// The layout arithmetic, exposed so the tests can check it without GL.
int LayoutGlyphSize(int size);
int LayoutX(int size, int col);
int LayoutY(int size, int row);
int CenteredX(int length, int size);
// The colour of a code (alpha 1); gold and white only where allowed.
void TextColourOf(int code, bool whiteAllowed, float rgb[3]);
