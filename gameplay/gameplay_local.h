// What the gameplay files share among themselves.
#pragma once

#include "gameplay/gameplay.h"

// The highest difficulty, "Delirium!", is the one with divisor 3.
enum { DELIRIUM_DIVISOR = 3 };
bool IsDelirium();

// Plays effect number `sfx` of the sound bank.
void PlayEffect(int sfx);
void SpawnStageBall(float v);
