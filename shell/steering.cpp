#include "shell/steering.h"

#include "gameplay/entity.h"
#include "platform/platform.h"
#include "render/render.h"
#include "scores/scores.h"
#include "shell/shell.h"

int SteerX = 0, SteerY = 0;
uint32_t KeyWord = 0;
bool FireHeld = false;
bool RightHeld = false;

// Bits of the key word and the keys that set them, in bit order.
static const struct {
    uint32_t bit;
    int key;
} KeyWordKeys[] = {
    {KW_DOWN, K_DOWN},    {KW_LEFT, K_LEFT}, {KW_RIGHT, K_RIGHT},   {KW_UP, K_UP},
    {KW_SPACE, K_SPACE},  {KW_V, K_A + 21},  {KW_ESCAPE, K_ESCAPE}, {KW_RETURN, K_RETURN},
    {KW_B, K_A + 1},      {KW_C, K_A + 2},   {KW_F, K_A + 5},       {KW_S, K_A + 18},
    {KW_SPACE2, K_SPACE},
};

int SteerLimitX(int screenWidth) {
    return (int)(screenWidth / 1.9800000190734863);
}
int SteerLimitY(int screenHeight) {
    return (int)(screenHeight / 1.9800000190734863);
}

static int Clamp(int v, int lo, int hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

bool InitGameInput() {
    logf(MainLog, "Init mouse\n");
    initInput(GameWindow);
    hideSystemCursor();
    setRelativeMouse(FullScreen);
    ResetTextKeys();
    return true;
}

uint32_t ReadKeyWord() {
    uint32_t word = 0;
    for (const auto& k : KeyWordKeys)
        if (isKeyDown(k.key)) word |= k.bit;
    return word;
}

void UpdateSteering() {
    const int w = ScreenWidth(), h = ScreenHeight();
    const int cx = w / 2, cy = h / 2;
    if (FullScreen) {
        // Relative: the pointer is grabbed and hidden, and the pair adds up
        // its motion one to one in game pixels, whatever the desktop's size.
        setRelativeMouse(true);
        int dx = 0, dy = 0;
        getMouseMotion(&dx, &dy);
        SteerX += dx;
        SteerY += dy;
        hideSystemCursor();
    } else {
        setRelativeMouse(false);
        SteerX = getMouseX() - cx;
        SteerY = getMouseY() - cy;
    }
    KeyWord = ReadKeyWord();
    if (KeyWord & KW_RIGHT) SteerX += FrameMs;
    if (KeyWord & KW_LEFT) SteerX -= FrameMs;
    if (KeyWord & KW_UP) SteerY -= FrameMs;
    if (KeyWord & KW_DOWN) SteerY += FrameMs;
    const int limitX = SteerLimitX(w), limitY = SteerLimitY(h);
    SteerX = Clamp(SteerX, -limitX, limitX);
    SteerY = Clamp(SteerY, -limitY, limitY);
    FireHeld = isLeftButtonDown();
    RightHeld = isRightButtonDown();
    if (KeyWord & (KW_SPACE2 | KW_RETURN)) FireHeld = true;
}

void UpdateMenuPointer() {
    const int w = ScreenWidth(), h = ScreenHeight();
    // The pointer stays on the picture, every pixel of it in reach: the
    // menu boxes run down to the bottom rows.
    const int loX = -(w / 2), hiX = w - w / 2 - 1;
    const int loY = -(h / 2), hiY = h - h / 2 - 1;
    if (SteerX < loX) SteerX = loX;
    if (SteerX > hiX) SteerX = hiX;
    if (SteerY < loY) SteerY = loY;
    if (SteerY > hiY) SteerY = hiY;
    const int pointer = FindEntity(TYPE_CURSOR, 1);
    if (pointer == ENTITY_NONE) return;
    // The pointer floats in front of the menu, so it goes where the line of
    // sight through the steered pixel meets its own plane: drawn there, it
    // covers that pixel, and the hit tests look through the same pixel.
    // The pair counts whole pixels; the pointer is at the pixel's centre.
    Entity& e = EntityTable[pointer];
    const float x = w / 2 + SteerX + 0.5f, y = h / 2 + SteerY + 0.5f;
    float world[3];
    if (ScreenToWorld(x, y, e.position[2], world)) {
        e.position[0] = world[0];
        e.position[1] = world[1];
    }
}

void ReleaseGameInput() {
    showSystemCursor();
}
