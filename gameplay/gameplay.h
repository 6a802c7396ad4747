// The gameplay rules: balls, bricks, bonus capsules, the episode file and
// the building of stages, the ship, lives, score and combo, and the end of
// a stage, a life and a game. No SDL or GL here.
#pragma once

#include <cstdint>

#include "gameplay/entity.h"

enum {
    STAGE_COUNT = 52,          // records in the episode file
    STAGE_GRID = 16,           // 16 x 16 cells
    STAGE_RECORD_SIZE = 323,   // 3 unread, 256 cells, 64 unread
    STAGE_GRID_OFFSET = 3,
    EPISODE_TEXT_SIZE = 16848, // 52 lines of 323 characters and a line end
    LAST_STAGE = 51,
    MAX_COLLIDING_BALLS = 31,
    START_LIVES = 4,
    CAPSULE_KIND_COUNT = 9,
};

enum { EPISODE_ARCADE = 0, EPISODE_JUNGLE = 1, EPISODE_OCEAN = 2, EPISODE_STREET = 3 };

// Capsule kinds (mesh bonus1.asc + kind).
enum {
    CAPSULE_STOP_BRICKS = 0,
    CAPSULE_BULLET_SHIP = 1,
    CAPSULE_FLY_SHIP = 2,
    CAPSULE_NORMAL_SHIP = 3,
    CAPSULE_REDUCE_SHIP = 4,
    CAPSULE_ENLARGE_SHIP = 5,
    CAPSULE_MULTI_BALL = 6,
    CAPSULE_SCORE_UP = 7,
    CAPSULE_BIG_BALLS = 8,
};

// ---------------------------------------------------------------------------
// Process-wide state (written by gameplay/ and, for the launch and the stage
// clock, by the play step of the state machine)
// ---------------------------------------------------------------------------

// Player side
extern int32_t score;
extern int32_t pendingScore; // the last award, still rolling into score
extern int32_t combo;
extern int32_t lives;
extern int32_t currentStage; // 1..51
extern bool cannonShip;
extern bool flyingShip;
extern int32_t missileCooldown;
extern bool stageClockRunning;
extern int32_t stageStart;    // ms of the game clock
extern int32_t stageTime;     // ms
extern int32_t bestStageTime; // ms, 10 000 000 at the start of a game

// Balls and capsules
extern bool ballLaunched; // the ball left the ship in this life
extern float ballSpeed;   // S, 1.5 at the start and after every lost ball
extern float capsuleSpeed;
extern bool bricksSettling;

// Stages
extern char EpisodeText[EPISODE_TEXT_SIZE];
extern int32_t StageOrder[STAGE_COUNT];
extern int32_t episode; // EPISODE_*

// ---------------------------------------------------------------------------
// Balls
// ---------------------------------------------------------------------------
void HoldBallOnShip();
void UpdateBalls();
bool BallsLost();
void RespawnBall();
// The ship's slot: the cannon form while it is on, else the normal one.
int ShipSlot();

// ---------------------------------------------------------------------------
// Bricks
// ---------------------------------------------------------------------------
void HitBrick(int slot);
bool StageCleared();
void HitBricksWithMissiles(int brick);

// ---------------------------------------------------------------------------
// Bonuses
// ---------------------------------------------------------------------------
extern const char* const CapsuleNames[CAPSULE_KIND_COUNT];    // help-screen names
extern const char* const CapsuleLogWords[CAPSULE_KIND_COUNT]; // null: no log line
void CatchCapsules(int ship);
void ShakeBricks(int count);
void DriftBricks(float amount);
void StopBricks();
void ScaleBalls(float factor);
void MultiBall();
void SettleBricks();
void RemoveCapsules();

// ---------------------------------------------------------------------------
// Episode file and stages
// ---------------------------------------------------------------------------
void LoadEpisodeFile(const char* path);
void ShuffleStageOrder();
// Cell code 0..12 of record `record` at (row, column); 0 is empty.
int StageCell(int record, int row, int column);
void BuildStage();
void StartEpisode();

// ---------------------------------------------------------------------------
// Ship, lives, score, combo, end of stage
// ---------------------------------------------------------------------------
void UpdateShip(); // ship follows the steering, then CatchCapsules
void ScaleShipWidth(int ship, float factor);
int SwitchToCannonShip();
int SwitchToNormalShip();
void FireMissile();
void RollScore();
int32_t StageTime();
void CheckStageEnd();
// The transition out of GS_STAGE_CLEARED or GS_LIFE_LOST, with its
// bookkeeping; from any other state it only sets the state (2, 7 and 8 stay).
void ChangeGameState(int newState);
