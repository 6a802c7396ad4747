// The front-end: the menu screens (3D scenes hit-tested with the cursor
// object), the text overlay with the HUD, and the setup screen that edits
// the configuration table.
#pragma once

#include <cstdint>

// ---------------------------------------------------------------------------
// Overlay: display flags, one byte each, set by the screen enter routines
// (and HudVisible by the stage start); DrawTextOverlay tests them in order.
// ---------------------------------------------------------------------------
extern uint8_t HudVisible;
extern uint8_t MenuLabelsVisible;
extern uint8_t TopTenVisible;
extern uint8_t CreditsVisible;
extern uint8_t ConfigVisible;
extern uint8_t EpisodeLabelsVisible;
extern uint8_t HelpVisible;

// Clears every display flag above (the screens set theirs again after).
void ClearDisplayFlags();
// Once per frame after DrawScene: every text the current screen shows.
void DrawTextOverlay();
// "GAME OVER" in red, drawn every frame of the name entry.
void DrawGameOverMessage();
// The text of a held play state: a cleared stage or a lost ball. Both sit
// below the HUD's top line so neither covers the combo or the score.
void DrawHeldStateMessage(bool stageCleared);
// "PAUSED" in the middle of the window, every frame of a pause.
void DrawPausedMessage();
// One complete frame with a wait message, flipped at once, right before a
// blocking network request.
void ShowSendingScoreMessage();
void ShowReceivingScoresMessage();

// ---------------------------------------------------------------------------
// Menus
// ---------------------------------------------------------------------------
enum {
    MENU_ITEM_COUNT = 4,    // PLAY, SETUP, HELP, QUIT / the four episode boards
    HELP_CAPSULE_COUNT = 9, // bonus1 .. bonus9
};

enum { MENU_PLAY = 0, MENU_SETUP = 1, MENU_HELP = 2, MENU_QUIT = 3 };

// The menu highlight colour.
extern const float MenuGold[3];

extern uint8_t MainMenuHover[MENU_ITEM_COUNT]; // at most one set
extern uint8_t EpisodeHover[MENU_ITEM_COUNT];  // arcade, jungle, ocean, street
// Set by the press that acted; cleared only while an item is pointed at with
// the button up, so sweeping with the button held acts once.
extern uint8_t MenuClickLatch;

void EnterMainMenu();
// Back to the main menu keeping the scene (the help screen's right button).
void ReturnToMainMenu();
void EnterEpisodeSelect();
// Adds the nine legend capsules to the main menu scene; the caller sets GS_HELP.
void EnterHelp();
void EnterQuitScreen();
void UpdateMainMenu();
void UpdateEpisodeSelect();
void RemoveHelpCapsules();
// The highlight fades of every face's tint, scaled by FrameMs.
void FadeToColour(int slot, float r, float g, float b);
void FadeToWhite(int slot);
// Spawns the menu pointer object (mesh 24) that every pointer screen ends with.
void SpawnMenuCursor();
// True when the pointer object is seen over the item: the pixel under the
// pointer's centre lies in the rectangle the item's box covers on the
// screen. Judged on the picture, since the pointer floats in front of the
// items and a test in their plane would miss what the player sees.
bool PointerOver(int pointer, int item);

// ---------------------------------------------------------------------------
// Setup screen
// ---------------------------------------------------------------------------
enum {
    CONFIG_PAGES = 6,
    CONFIG_ROWS = 6,    // row 0: title and current choices, rows 1-5: items
    CONFIG_STRINGS = 6, // string 0: name, strings 1-5: choice labels
    CONFIG_DIGITS = 6,
    SETUP_CONTROL_COUNT = 9, // six arrows, three plates
};

// Controls in hit-test order.
enum {
    SETUP_PAGE_DOWN = 0,
    SETUP_PAGE_UP = 1,
    SETUP_ITEM_DOWN = 2,
    SETUP_ITEM_UP = 3,
    SETUP_CHOICE_DOWN = 4,
    SETUP_CHOICE_UP = 5,
    SETUP_ACCEPT = 6,
    SETUP_REINIT = 7,
    SETUP_CANCEL = 8,
};

// ConfigTable[page][0][1..5] are the current choices, each one of the
// ConfigDigits strings: exactly what the configuration file stores.
extern const char* ConfigTable[CONFIG_PAGES][CONFIG_ROWS][CONFIG_STRINGS];
extern const char* const ConfigDigits[CONFIG_DIGITS]; // "0" .. "5"

extern int ConfigPage;   // 0-5
extern int ConfigItem;   // 1-5
extern int ConfigChoice; // 1-5
// Set by the GS_SETUP handler once the opening click is let go.
extern bool SetupArmed;
extern uint8_t SetupHover[SETUP_CONTROL_COUNT];
extern uint8_t SetupPending[SETUP_CONTROL_COUNT];

// Stored digit of page p, item i (1-5), as a number; 0 when not a digit.
int ConfigDigit(int page, int item);
void SetConfigDigit(int page, int item, int value);

// Reloads the table from the file, page 0 item 1, builds the scene.
void EnterSetup();
// level 0 page, 1 item, 2 choice; skips empty names with wrap-around.
void StepConfig(int level, bool forward);
// Per frame once armed: hover, pulse, fades, and the click on release.
void UpdateSetupScreen();
