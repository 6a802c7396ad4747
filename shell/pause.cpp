#include "shell/pause.h"

#include "audio/sound_bank.h"
#include "gameplay/gameplay.h"
#include "platform/platform.h"
#include "shell/game_state.h"
#include "shell/shell.h"

bool Paused = false;
bool PauseOnFocusLoss = false;
static double PausedAtMs = 0.0;
static bool PauseKeyWasDown = false;

static const int PauseKey = K_A + ('P' - 'A');

bool CanPause(int state) {
    return state == GS_PLAYING || state == GS_STAGE_CLEARED || state == GS_LIFE_LOST;
}

void SetPaused(bool on, double nowMs) {
    if (on == Paused) return;
    Paused = on;
    if (on) {
        PausedAtMs = nowMs;
    } else {
        const double length = nowMs > PausedAtMs ? nowMs - PausedAtMs : 0.0;
        if (stageClockRunning) stageStart += (int32_t)length;
        if (HeldTarget >= 0) HeldUntilMs += length;
    }
    PauseMusic(on);
}

bool UpdatePause() {
    // Both are taken every frame, so a key or a focus loss seen in the menus
    // does not pause the next game.
    const bool keyDown = isKeyDown(PauseKey);
    const bool pressed = keyDown && !PauseKeyWasDown;
    PauseKeyWasDown = keyDown;
    const bool focusLost = takeFocusLoss() && PauseOnFocusLoss;

    if (!CanPause(GameState)) {
        SetPaused(false, GameClockMs());
        return false;
    }
    if (pressed)
        SetPaused(!Paused, GameClockMs());
    else if (focusLost)
        SetPaused(true, GameClockMs());
    return Paused;
}
