#include "shell/game_state.h"

#include "audio/sound_bank.h"
#include "frontend/frontend.h"
#include "gameplay/gameplay.h"
#include "render/render.h"
#include "scores/scores.h"
#include "shell/pause.h"
#include "shell/shell.h"
#include "shell/steering.h"

int GameState = GS_STARTUP;
bool QuitArmed = false;
int HeldTarget = -1;
double HeldUntilMs = 0.0;

// ---------------------------------------------------------------------------
// Transitions
// ---------------------------------------------------------------------------

void ChangeGameStateAfter(int delayMs, int newState) {
    // The cleared-stage and lost-life states are held so their texts are
    // seen; the held state's handler makes the change when the time is up.
    HeldTarget = newState;
    HeldUntilMs = GameClockMs() + delayMs;
}

// Back to the menus from play or a held state.
static void LeaveGameToMenu() {
    HeldTarget = -1;
    RemoveCapsules();
    PlayMusicPart(SoundBank.music, MUSIC_PART_MENU);
    GameState = GS_BACK_TO_MENU;
}

// States 10 and 11: roll the score, show the text, wait for the delay.
static void HeldStateFrame(bool stageCleared) {
    RollScore();
    DrawHeldStateMessage(stageCleared);
    if (KeyWord & KW_ESCAPE) {
        LeaveGameToMenu();
        return;
    }
    if (HeldTarget >= 0 && GameClockMs() >= HeldUntilMs) {
        const int target = HeldTarget;
        HeldTarget = -1;
        ChangeGameState(target);
    }
}

// ---------------------------------------------------------------------------
// The play step
// ---------------------------------------------------------------------------

void PlayStep() {
    RollScore();
    if (stageClockRunning) stageTime = StageTime();
    UpdateBalls();
    UpdateShip();
    SettleBricks();
    if (FireHeld) {
        if (!ballLaunched) {
            ballLaunched = true;
            if (!IsMusicPlaying()) {
                PlayMusicPart(SoundBank.music, TuneCounter % 3 + 1);
                TuneCounter++;
            }
            if (!stageClockRunning) {
                stageClockRunning = true;
                stageStart = (int)GameClockMs();
            }
        } else {
            FireMissile();
        }
    }
    if (KeyWord & KW_ESCAPE) LeaveGameToMenu();
}

// ---------------------------------------------------------------------------
// The dispatcher
// ---------------------------------------------------------------------------

static bool IsMenuState(int state) {
    switch (state) {
    case GS_MAIN_MENU:
    case GS_PLAY_CHOSEN:
    case GS_QUIT_SCREEN:
    case GS_EPISODE_SELECT:
    case GS_EPISODE_CHOSEN:
    case GS_SETUP:
    case GS_HELP:
    case GS_BACK_TO_MENU:
        return true;
    default:
        return false;
    }
}

static void RunStateHandler() {
    switch (GameState) {
    case GS_INTRO:
        if (KeyWord != 0 || FireHeld) EnterMainMenu();
        break;
    case GS_MAIN_MENU:
        UpdateMenuPointer();
        UpdateMainMenu();
        break;
    case GS_PLAY_CHOSEN:
        // The click that chose PLAY must be let go before a board can be hit.
        if (!FireHeld) GameState = GS_EPISODE_SELECT;
        break;
    case GS_QUIT_SCREEN:
        UpdateMenuPointer();
        if (KeyWord == 0 && !FireHeld) {
            QuitArmed = true;
        } else if (QuitArmed) {
            PlaySoundEffect(SoundBank.effects[SFX_CLICK]);
            GameState = GS_EXIT;
        }
        break;
    case GS_EPISODE_SELECT:
        if ((KeyWord & KW_ESCAPE) || RightHeld) GameState = GS_BACK_TO_MENU;
        UpdateMenuPointer();
        UpdateEpisodeSelect();
        break;
    case GS_EPISODE_CHOSEN:
        if (!FireHeld) StartEpisode();
        break;
    case GS_SETUP:
        if (KeyWord & KW_ESCAPE) GameState = GS_BACK_TO_MENU;
        UpdateMenuPointer();
        UpdateMainMenu();
        if (!FireHeld) {
            SetupArmed = true;
            UpdateSetupScreen();
        } else if (SetupArmed) {
            UpdateSetupScreen();
        }
        break;
    case GS_HELP:
        if (KeyWord & KW_ESCAPE) {
            RemoveHelpCapsules();
            GameState = GS_BACK_TO_MENU;
        }
        UpdateMenuPointer();
        UpdateMainMenu();
        if (RightHeld) {
            RemoveHelpCapsules();
            ReturnToMainMenu();
        }
        break;
    case GS_PLAYING:
        PlayStep();
        break;
    case GS_STAGE_CLEARED:
        HeldStateFrame(true);
        break;
    case GS_LIFE_LOST:
        HeldStateFrame(false);
        break;
    case GS_NEXT_STAGE:
        ballLaunched = false;
        BuildStage();
        GameState = GS_PLAYING;
        break;
    case GS_NAME_ENTRY:
        MenuClear = true;
        NameCursor = NameEntryFrame(NameCursor);
        break;
    case GS_RESPAWN:
        RespawnBall();
        GameState = GS_PLAYING;
        break;
    case GS_BACK_TO_MENU:
        HeldTarget = -1;
        combo = 0;
        currentStage = 1;
        SteerX = SteerY = 0;
        FireHeld = RightHeld = false;
        EnterMainMenu();
        break;
    case GS_EXIT:
        ExitGame();
    default:
        break; // 0, 13, 16, 17 and anything else only draw
    }
}

// A paused frame shows the field as it stands and moves nothing; Escape
// still leaves the game.
static void PausedFrame() {
    DrawScene(false);
    DrawTextOverlay();
    if (GameState == GS_STAGE_CLEARED || GameState == GS_LIFE_LOST)
        DrawHeldStateMessage(GameState == GS_STAGE_CLEARED);
    DrawPausedMessage();
    if (KeyWord & KW_ESCAPE) {
        SetPaused(false, GameClockMs());
        LeaveGameToMenu();
    }
}

void RunGameFrame() {
    if (UpdatePause()) {
        PausedFrame();
        KeyWord = 0;
        return;
    }
    if (IsMenuState(GameState)) DrawMenuBackground();
    HoldBallOnShip();
    if (GameState == GS_PLAYING) CheckStageEnd();
    DrawScene();
    DrawTextOverlay();
    DrawCursor();
    // Read again after drawing: the stage-end check picks this frame's handler.
    RunStateHandler();
    KeyWord = 0;
}
