#include "shell/steering.h"

int SteerX = 0, SteerY = 0;
uint32_t KeyWord = 0;
bool FireHeld = false;
bool RightHeld = false;

bool InitGameInput() { return true; }
uint32_t ReadKeyWord() { return 0; }
void UpdateSteering() {}
void UpdateMenuPointer() {}
void ReleaseGameInput() {}
int SteerLimitX(int screenWidth) { return (int)(screenWidth / 1.9800000190734863); }
int SteerLimitY(int screenHeight) { return (int)(screenHeight / 1.9800000190734863); }
