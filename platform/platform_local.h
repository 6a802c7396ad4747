// What the window and the input device share inside the platform layer.
#pragma once

#include "platform/platform.h"

// The window tells the input device where its picture lands on the real
// window, so mouse positions map back into the game's own size.
void SetInputMapping(int offsetX, int offsetY, int drawWidth, int drawHeight, int gameWidth,
                     int gameHeight);
// Writes BGRA pixels, bottom row first, in a SCREENSHOT_* format. The rows
// may be reordered in place.
bool WriteImageFile(const char* path, int format, uint8_t* bgra, int width, int height);
// The shared object the PNG and JPEG encoders are taken from. When it
// cannot be opened, such a shot is written as Targa beside the asked path
// (its extension made ".tga").
extern const char* ImageLibraryName;
bool WriteTargaFile(const char* path, const uint8_t* bgra, int width, int height);
// Motion in window pixels as the event pump sees it; counted only while
// relative mode is on.
void addMouseMotion(int dx, int dy);
