// The end of a stage, of a life and of a game.
#include "gameplay/gameplay_local.h"

#include "audio/sound_bank.h"
#include "scores/scores.h"
#include "shell/game_state.h"
#include "shell/shell.h"

// Stops the stage clock and awards the time bonus: 10^9 / the best stage
// time of the game in ms. A stage whose clock never ran (cleared without a
// launch) gives nothing and leaves the best time alone.
static void AwardTimeBonus() {
    const bool ran = stageClockRunning && stageTime > 0;
    stageClockRunning = false;
    if (ran && stageTime < bestStageTime) bestStageTime = stageTime;
    stageTime = 0;
    if (ran) pendingScore = (int32_t)(1.0 / (bestStageTime / 1000.0) * 1000000.0);
}

void CheckStageEnd() {
    if (GameState != GS_PLAYING) return;
    // Read the clock now: the hold that follows is not stage time.
    if (stageClockRunning) stageTime = StageTime();
    if (StageCleared()) {
        lives += 1;
        GameState = GS_STAGE_CLEARED;
        // The jingle plays alone, and the bonus rolls up during the hold;
        // clearing the last stage ends the game without one.
        StopMusic();
        if (currentStage + 1 < STAGE_COUNT) AwardTimeBonus();
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
        // Whatever the hold did not roll of the bonus is paid before the
        // next stage's build clears the pending amount.
        score += pendingScore;
        pendingScore = 0;
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
        // The clock goes on from where the lost ball left it.
        if (stageClockRunning) stageStart = (int32_t)GameClockMs() - stageTime;
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
