#include "shell/game_state.h"

int GameState = GS_STARTUP;
bool QuitArmed = false;
int HeldTarget = -1;
double HeldUntilMs = 0.0;

void RunGameFrame() {}
void ChangeGameStateAfter(int, int) {}
void PlayStep() {}
