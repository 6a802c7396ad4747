// The game-state machine: one number decides what a frame does, and one
// dispatcher runs it.
#pragma once

#include <cstdint>

enum {
    GS_STARTUP = 0,
    GS_INTRO = 1,
    GS_MAIN_MENU = 2,
    GS_PLAY_CHOSEN = 3,
    GS_QUIT_SCREEN = 4,
    GS_EPISODE_SELECT = 5,
    GS_EPISODE_CHOSEN = 6,
    GS_SETUP = 7,
    GS_HELP = 8,
    GS_PLAYING = 9,
    GS_STAGE_CLEARED = 10,
    GS_LIFE_LOST = 11,
    GS_NEXT_STAGE = 12,
    GS_GAME_OVER = 13, // never entered
    GS_NAME_ENTRY = 14,
    GS_RESPAWN = 15,
    GS_ERROR = 16, // never entered
    GS_UNUSED_17 = 17,
    GS_BACK_TO_MENU = 18,
    GS_EXIT = 19,
};

// ---------------------------------------------------------------------------
// Process-wide state (written here, read everywhere)
// ---------------------------------------------------------------------------
extern int GameState;  // 0 at start-up
extern bool QuitArmed; // the quit screen saw every key let go

// The held transition of a cleared stage or a lost ball: the target state
// and when it is due on the game clock. HeldTarget is -1 when none is held.
extern int HeldTarget;
extern double HeldUntilMs;

// ---------------------------------------------------------------------------
// Operations
// ---------------------------------------------------------------------------

// Draws the frame (menu background, scene, overlay, pointer) and then runs
// the handler of the current state. Called once per frame by the main loop.
void RunGameFrame();

// Holds the current (transient) state for delayMs on the game clock, then
// calls ChangeGameState(newState). Escape during the hold leaves to the menu.
void ChangeGameStateAfter(int delayMs, int newState);

// The play step of GS_PLAYING: score roll, stage clock, balls, ship and
// capsules, brick settling, launch and missiles, Escape.
void PlayStep();
