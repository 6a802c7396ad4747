// What the front-end reads from the other subsystems, in one place.
#pragma once

#include "frontend/frontend.h"
#include "gameplay/entity.h"
#include "render/render.h"
#include "render/text.h"
#include "audio/sound_bank.h"
#include "gameplay/gameplay.h"
#include "shell/game_state.h"
#include "shell/steering.h"

#include "platform/platform.h"
#include "scores/scores.h"
#include "shell/shell.h"

// The millisecond clock the arrow pulse follows.
inline double SetupClockMs() {
    return getClockMs();
}

// Plays one effect of the bank; nothing when the bank has none.
inline void PlayMenuSound(int effect) {
    PlaySoundEffect(SoundBank.effects[effect]);
}
