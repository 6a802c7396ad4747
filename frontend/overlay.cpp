// The text overlay: the HUD, the menu and setup texts, the score table, the
// credits, and the wait frames around the online score exchange.
#include "frontend/frontend_local.h"

#include <cstdio>
#include <cstring>

#include "render/draw_list.h"

uint8_t HudVisible;
uint8_t MenuLabelsVisible;
uint8_t TopTenVisible;
uint8_t CreditsVisible;
uint8_t ConfigVisible;
uint8_t EpisodeLabelsVisible;
uint8_t HelpVisible;

void ClearDisplayFlags() {
    HudVisible = 0;
    MenuLabelsVisible = 0;
    TopTenVisible = 0;
    CreditsVisible = 0;
    ConfigVisible = 0;
    EpisodeLabelsVisible = 0;
    HelpVisible = 0;
}

// Texts are formats; a name from the score file or the server must not be
// read as one, so its '%' signs are doubled into a fixed buffer.
static const char* AsLiteral(const char* text, char* out, int size) {
    int n = 0;
    for (const char* p = text; *p && n < size - 2; p++) {
        if (*p == '%') out[n++] = '%';
        out[n++] = *p;
    }
    out[n] = '\0';
    return out;
}

static void DrawHud() {
    if (GameState != GS_GAME_OVER && GameState != GS_NAME_ENTRY) {
        PrintAt("COMBO", 32, 0, 0, 3, TEXT_BLACK);
        PrintAt("+%d", 32, combo, 0, 6, TEXT_GOLD);
    }
    PrintAt("SCORE", 32, 0, 0, 11, TEXT_BLACK);
    PrintAt("%d", 32, score, 0, 14, TEXT_GOLD);
    PrintValueAt("    Life %.2d", 10, lives != 0 ? lives : TEXT_RED, 3, 0);
    PrintValueAt("   Stage %.2d", 10, currentStage, 4, 0);
}

static void DrawMainMenuLabels() {
    PrintValueAt("P L A Y\nG A M E", 12, 0, 34, 11);
    PrintValueAt("S E T U P\nG A M E", 12, 0, 34, 20);
    PrintValueAt("H E L P\nG A M E", 12, 0, 34, 29);
    PrintValueAt("Q U I T\nG A M E", 12, 0, 34, 38);
}

static void DrawTopTen() {
    PrintCentered("** TOP TEN PLAYERS **", 26, TEXT_BLACK, 6);
    char number[16];
    char name[2 * SCORE_NAME_SIZE + 1];
    for (int i = 1; i <= SCORE_TABLE_SIZE; i++) {
        const ScoreEntry& entry = ScoreTable[i - 1];
        std::snprintf(number, sizeof number, "%d", i);
        PrintAt(number, 18, 0, 10 + i, 12, TEXT_GOLD);
        // The field may arrive full, without its terminator.
        char safeName[SCORE_NAME_SIZE + 1];
        const size_t length = strnlen(entry.name, SCORE_NAME_SIZE);
        std::memcpy(safeName, entry.name, length);
        safeName[length] = '\0';
        PrintAt(AsLiteral(safeName, name, sizeof name), 18, 0, 10 + i, 14, TEXT_GOLD);
        std::snprintf(number, sizeof number, "%d", (int)entry.score);
        PrintAt(number, 18, 0, 10 + i, 20, TEXT_GOLD);
    }
}

static void DrawCredits() {
    PrintCentered("K3D TELVANOR TEAM", 26, TEXT_BLACK, 6);
    // What the game stands on. Column 13 of size 18 is 86 pixels left of
    // the centre, so lines of about 19 characters sit centred under the title.
    PrintAt("Video  - SDL2/OpenGL", 18, 0, 12, 13, TEXT_BLACK);
    PrintAt("Music  - DUMB player", 18, 0, 13, 13, TEXT_BLACK);
    PrintAt("Sounds - Ogg Vorbis", 18, 0, 14, 13, TEXT_BLACK);
    PrintAt("Server - SQLite", 18, 0, 15, 13, TEXT_BLACK);
}

static void DrawConfigTexts() {
    PrintCentered("GAME CONFIGURATION", 32, TEXT_GOLD, 0);
    const int page = ConfigPage >= 0 && ConfigPage < CONFIG_PAGES ? ConfigPage : 0;
    const int item = ConfigItem >= 1 && ConfigItem < CONFIG_ROWS ? ConfigItem : 1;
    const int choice = ConfigChoice >= 1 && ConfigChoice < CONFIG_STRINGS ? ConfigChoice : 1;
    const char* title = ConfigTable[page][0][0];
    const char* name = ConfigTable[page][item][0];
    const char* label = ConfigTable[page][item][choice];
    PrintCentered(title ? title : "", 39, TEXT_BLACK, 8);
    PrintCentered(name ? name : "", 23, TEXT_BLACK, 12);
    PrintCentered(label ? label : "", 23, TEXT_BLACK, 9);
    PrintValueAt("A C C E P T\nC O N F I G", 12, 0, 35, 11);
    PrintValueAt("R E I N I T\nC O N F I G", 12, 0, 35, 24);
    PrintValueAt("C A N C E L\nC O N F I G", 12, 0, 35, 36);
}

static void DrawEpisodeLabels() {
    PrintCentered("SELECT EPISODE", 32, TEXT_GOLD, 0);
    PrintValueAt("O C E A N", 12, 0, 18, 16);
    PrintValueAt("S T R E E T", 12, 0, 18, 32);
    PrintValueAt("J U N G L E", 12, 0, 33, 16);
    PrintValueAt("A R C A D E", 12, 0, 33, 32);
}

static void DrawIntroLines() {
    // Short, in capitals: they must read at the smallest window too.
    PrintCentered("BREAK EVERY BRICK", 20, TEXT_BLACK, 21);
    PrintCentered("CLICK OR PRESS A KEY", 18, TEXT_BLACK, 25);
}

// One bonus name beside its capsule. The capsules stand one 24-unit row
// apart, but at size 24 the longest name ("EnlargeShip") runs past the
// splash into the side panel; size 18, centred on the capsule's row and
// started just right of it, keeps every name inside the splash.
static void PrintLegendLine(const char* name, int row) {
    const int rowTop = LayoutY(24, row - 1);
    const int rowBottom = LayoutY(24, row);
    const int glyph = LayoutGlyphSize(18);
    SetTextSize(glyph);
    SetTextColour(0.0f, 0.0f, 0.0f);
    EnableTextShadow();
    SetShadowColour(1.0f, 1.0f, 1.0f);
    Print(LayoutX(18, 26), (rowTop + rowBottom - glyph) / 2, "%s", name);
}

static void DrawHelpTexts() {
    static const char* const legend[HELP_CAPSULE_COUNT] = {
        "StopBriks",   "BulletShip", "FlyShip", "NormalShip", "ReduceShip",
        "EnlargeShip", "MultiBall",  "ScoreUp", "BigBalls"};
    for (int k = 0; k < HELP_CAPSULE_COUNT; k++)
        PrintLegendLine(legend[k], 7 + k);
    PrintCentered("HOW TO PLAY", 32, TEXT_GOLD, 0);
    PrintCentered("Krystalon3D", 15, TEXT_BLACK, 11);
    PrintValueAt("The Ultimate Arcade Game over the Univers", 15, 0, 13, 5);
    PrintValueAt("A game by Orvi Studio", 15, 0, 14, 5);
    PrintValueAt(" ", 15, 0, 15, 5);
    PrintValueAt("Use the mouse to move starship", 15, 0, 16, 5);
    PrintValueAt("Break each bricks and pick bonus", 15, 0, 17, 5);
    PrintValueAt(" ", 15, 0, 18, 5);
    PrintCentered("Have Fun !", 15, TEXT_BLACK, 24);
    PrintCentered("** The Krystalon3D team **", 15, TEXT_BLACK, 25);
}

void DrawTextOverlay() {
    if (ShowFpsOption && GameState == GS_PLAYING) PrintValueAt("%dFPS", 12, FpsEstimate, 0, 0);
    if (HudVisible)
        DrawHud();
    else if (MenuLabelsVisible)
        DrawMainMenuLabels();
    if (TopTenVisible) DrawTopTen();
    if (CreditsVisible) DrawCredits();
    if (ConfigVisible) DrawConfigTexts();
    if (EpisodeLabelsVisible) DrawEpisodeLabels();
    if (GameState == GS_INTRO) DrawIntroLines();
    if (HelpVisible) DrawHelpTexts();
}

void DrawGameOverMessage() {
    PrintValueAt("GAME OVER", 32, TEXT_RED, 0, 5);
}

void DrawHeldStateMessage(bool stageCleared) {
    if (stageCleared)
        PrintValueAt("Stage %d Cleared !!", 24, currentStage, 4, 5);
    else
        PrintValueAt("You lose", 24, lives, 4, 5);
}

// White with a dark rim drawn around it, so the word reads over any sky
// of any episode.
void DrawPausedMessage() {
    static const char Word[] = "PAUSED";
    const int size = 32;
    const int glyph = LayoutGlyphSize(size);
    const int x = CenteredX((int)sizeof Word - 1, size);
    // Centred on the middle line of the window.
    const int y = (ScreenHeight() - glyph) / 2;
    const int rim = glyph / 16 > 1 ? glyph / 16 : 1;
    for (int dy = -rim; dy <= rim; dy += rim) {
        for (int dx = -rim; dx <= rim; dx += rim) {
            if (dx == 0 && dy == 0) continue;
            SetTextSize(glyph);
            SetTextColour(0.0f, 0.0f, 0.0f);
            Print(x + dx, y + dy, "%s", Word);
        }
    }
    SetTextSize(glyph);
    SetTextColour(1.0f, 1.0f, 1.0f);
    Print(x, y, "%s", Word);
}

static void ShowWaitFrame(const char* text, int row) {
    // A frame of its own in the middle of one being recorded: what was
    // recorded goes to GL first, and the state is read again after the
    // window's own GL calls.
    FlushFrameRecord();
    if (GameWindow) {
        GameWindow->setView(0, 0, 0, 1.0f, true);
        GameWindow->resetView();
    }
    SetProjection(ScreenWidth(), ScreenHeight());
    ResyncFrameRecord();
    ApplyCamera();
    PrintCentered(text, 12, TEXT_BLACK, row);
    FlushFrameRecord();
    if (GameWindow) GameWindow->flipBackBuffer(false, true);
    ResyncFrameRecord();
}

void ShowSendingScoreMessage() {
    ShowWaitFrame("Wait while sending your score online", 8);
}

void ShowReceivingScoresMessage() {
    ShowWaitFrame("Wait while receiving latest online scores", 4);
}
