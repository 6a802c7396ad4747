// The end of a stage, of a life and of a game.
#include "gameplay/gameplay_local.h"

#include "audio/sound_bank.h"
#include "scores/scores.h"
#include "shell/game_state.h"
#include "shell/shell.h"

void CheckStageEnd() {
    if (GameState != GS_PLAYING) return;
    if (StageCleared()) {
        lives += 1;
        GameState = GS_STAGE_CLEARED;
        ChangeGameStateAfter(3000, GS_NEXT_STAGE);
        PlayEffect(RandomInt(0, 10) % 2 == 1 ? SFX_WIN : SFX_STAGEUP);
    } else if (BallsLost()) {
        GameState = GS_LIFE_LOST;
        ChangeGameStateAfter(2000, GS_RESPAWN);
        PlayEffect(SFX_LOST);
    }
}

static void EndOfGame() {
    StopMusic();
    PlayMusicPart(SoundBank.music, MUSIC_PART_END);
    EnterNameEntry();
    GameState = GS_NAME_ENTRY;
    PlayEffect(SFX_GAMEOVER);
}

void ChangeGameState(int newState) {
    switch (GameState) {
    case GS_MAIN_MENU:
    case GS_SETUP:
    case GS_HELP:
        return; // these screens keep their state
    case GS_STAGE_CLEARED:
        StopMusic();
        currentStage += 1;
        if (currentStage >= STAGE_COUNT) {
            EndOfGame();
            return;
        }
        stageClockRunning = false;
        if (stageTime < bestStageTime) bestStageTime = stageTime;
        stageTime = 0;
        // 10^9 / best time in ms; a best time of 0 would divide by zero.
        pendingScore =
            bestStageTime > 0 ? (int32_t)(1.0 / (bestStageTime / 1000.0) * 1000000.0) : 1000000000;
        flyingShip = false;
        SwitchToNormalShip();
        GameState = newState;
        return;
    case GS_LIFE_LOST: {
        flyingShip = false;
        SwitchToNormalShip();
        if (lives <= 0) {
            EndOfGame();
            return;
        }
        lives -= 1;
        const int ship = ShipSlot();
        if (ship != ENTITY_NONE)
            EntityTable[ship].position[1] = -ScreenYToWorld(ScreenHeight() / 1.92f);
        GameState = newState;
        return;
    }
    default:
        GameState = newState;
        return;
    }
}
