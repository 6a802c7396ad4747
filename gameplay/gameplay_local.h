// What the gameplay files share among themselves.
#pragma once

#include "gameplay/gameplay.h"

// The highest difficulty, "Delirium!", is the one with divisor 3.
enum { DELIRIUM_DIVISOR = 3 };
bool IsDelirium();

// Spawns and returns the new slot, or ENTITY_NONE when the table is full.
// SpawnEntity takes the first free slot, so that slot is the new one.
int SpawnAndFind(int mesh, const EntityTransform& transform, const EntityLook& look);

// Plays effect number `sfx` of the sound bank.
void PlayEffect(int sfx);
void SpawnStageBall(float v);
