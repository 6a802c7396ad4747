#include "shell/steering.h"

#include "gameplay/entity.h"
#include "platform/platform.h"
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
    if (FullScreen) setMousePosition(50, 50);
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
    const int mx = getMouseX(), my = getMouseY();
    if (FullScreen) {
        // Relative: the pair accumulates motion one to one and the cursor is
        // put back at the centre, so it never reaches a screen edge.
        SteerX += mx - cx;
        SteerY += my - cy;
        setMousePosition(cx, cy);
        hideSystemCursor();
    } else {
        SteerX = mx - cx;
        SteerY = my - cy;
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
    // The pointer range is not centred: the boxes sit right of the middle.
    const int loX = (int)(-0.4449999928474426 * w), hiX = (int)(0.46000000834465027 * w);
    const int loY = (int)(-0.32600000500679016 * h), hiY = (int)(0.3499999940395355 * h);
    if (SteerX < loX) SteerX = loX;
    if (SteerX > hiX) SteerX = hiX;
    if (SteerY < loY) SteerY = loY;
    if (SteerY > hiY) SteerY = hiY;
    const int pointer = FindEntity(TYPE_CURSOR, 1);
    if (pointer == ENTITY_NONE) return;
    EntityTable[pointer].position[0] = 5.0f * SteerX / w;
    EntityTable[pointer].position[1] = -5.0f * SteerY / h;
}

void ReleaseGameInput() {
    showSystemCursor();
}
