// What the front-end reads from the other subsystems, in one place.
#pragma once

#include "frontend/frontend.h"
#include "gameplay/entity.h"
#include "render/render.h"
#include "render/text.h"
#include "audio/sound_bank.h"
#include "shell/game_state.h"
#include "shell/steering.h"

// Headers still being written by their owners are declared by name until
// they land, so this folder keeps compiling meanwhile.
#if __has_include("shell/shell.h")
#include "shell/shell.h"
#define K3D_HAVE_SHELL 1
#else
extern int FrameMs, FpsEstimate;
extern bool ShowFpsOption;
int ScreenWidth();
int ScreenHeight();
void LoadConfig();
void SaveConfig();
void ApplyConfig();
void WriteDefaultConfig();
#endif

#if __has_include("gameplay/gameplay.h")
#include "gameplay/gameplay.h"
#else
extern int32_t score, combo, lives, currentStage, episode;
void ShuffleStageOrder();
#endif

#if __has_include("scores/scores.h")
#include "scores/scores.h"
#define K3D_HAVE_SCORES 1
#endif

#if __has_include("platform/platform.h")
#include "platform/platform.h"
#define K3D_HAVE_PLATFORM 1
#endif

// The millisecond clock the arrow pulse follows.
#ifdef K3D_HAVE_PLATFORM
inline double SetupClockMs() {
    return getClockMs();
}
#else
double GameClockMs();
inline double SetupClockMs() {
    return GameClockMs();
}
#endif

// Plays one effect of the bank; nothing when the bank has none.
inline void PlayMenuSound(int effect) {
    PlaySoundEffect(SoundBank.effects[effect]);
}
