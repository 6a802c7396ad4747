// Mouse and keys turned into what the game reads each frame: the steering
// pair, the key word and the two button flags. All polled, once per frame.
#pragma once

#include <cstdint>

// Key-word bits: each set while its key is down.
enum : uint32_t {
    KW_DOWN = 0x0002,
    KW_LEFT = 0x0004,
    KW_RIGHT = 0x0008,
    KW_UP = 0x0010,
    KW_SPACE = 0x0020,
    KW_V = 0x0040,
    KW_ESCAPE = 0x0080,
    KW_RETURN = 0x0100,
    KW_B = 0x0200,
    KW_C = 0x0400,
    KW_F = 0x0800,
    KW_S = 0x1000,
    KW_SPACE2 = 0x2000, // Space again: the fire test looks at this one
};

extern int SteerX, SteerY; // pixels from the screen centre
extern uint32_t KeyWord;   // this frame's key bits, cleared after the dispatcher
extern bool FireHeld;      // left button, Space or Return
extern bool RightHeld;     // right button

bool InitGameInput();
uint32_t ReadKeyWord();
void UpdateSteering();
// Clamps the pair to the menu range and puts the pointer object where the
// steered pixel is seen, in the plane it floats in.
void UpdateMenuPointer();
void ReleaseGameInput();

// The clamp limits of the steering pair for a screen size (exposed for the
// pointer and for tests).
int SteerLimitX(int screenWidth);
int SteerLimitY(int screenHeight);
