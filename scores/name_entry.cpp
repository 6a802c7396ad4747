#include "scores/scores_local.h"

#include <cstring>

char PlayerName[MAX_PLAYER_NAME + 1] = "__________";
int32_t NameCursor = 0;
bool KeyLatches[TEXT_KEY_COUNT];
int32_t KeyCharQueue[KEY_QUEUE_SIZE] = {-1, -1, -1, -1, -1, -1, -1, -1};
bool BackspaceLatch = false;
bool TypingStarted = false;
bool NameEntryArmed = false;

// Indexed by engine key number (see KeyTable): Space, the letters, both
// rows of digits, the keypad operators and the comma key.
const char KeyCharTable[TEXT_KEY_COUNT] = {
    0,   0,   0,   0,   ' ', 0,   0,   0,   0,   0,                  // 0-9
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,                  // 10-19 F1..F10
    0,   0,   0,   0,   0,                                           // 20-24
    'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', // 25-37
    'n', 'o', 'p', 'q', 'r', 's', 't', 'u', 'v', 'w', 'x', 'y', 'z', // 38-50
    '0', '1', '2', '3', '4', '5', '6', '7', '8', '9',                // 51-60
    '0', '1', '2', '3', '4', '5', '6', '7', '8', '9',                // 61-70 keypad
    '*', '+', '-', 0,   '/',                                         // 71-75 keypad
    0,   0,   0,   0,   0,   0,                                      // 76-81
    0,   0,   ',', 0,   0,   0,   0,                                 // 82-88 (0xBC is the comma)
    0,   0,   0,   0,                                                // 89-92
};

void ResetTextKeys() {
    for (int i = 0; i < KEY_QUEUE_SIZE; i++)
        KeyCharQueue[i] = -1;
    std::memset(KeyLatches, 0, sizeof KeyLatches);
}

int32_t PollTextKeys() {
    if (isKeyDown(NAME_KEY_ESCAPE)) return TEXT_KEY_ESCAPE;
    if (isKeyDown(NAME_KEY_RETURN)) return TEXT_KEY_RETURN;
    if (isKeyDown(NAME_KEY_BACKSPACE)) return TEXT_KEY_BACKSPACE;
    bool shift = isKeyDown(NAME_KEY_LSHIFT) || isKeyDown(NAME_KEY_RSHIFT);
    bool held = false;
    for (int key = 0; key < TEXT_KEY_COUNT; key++) {
        if (!isKeyDown(key)) {
            KeyLatches[key] = false;
            continue;
        }
        if (key == NAME_KEY_LSHIFT || key == NAME_KEY_RSHIFT || KeyCharTable[key] == 0) continue;
        char c = KeyCharTable[key];
        if (shift && c >= 'a' && c <= 'z') c = (char)(c - 'a' + 'A');
        held = true;
        if (KeyLatches[key]) continue;
        int slot = 0;
        while (slot < KEY_QUEUE_SIZE && KeyCharQueue[slot] != -1)
            slot++;
        if (slot == KEY_QUEUE_SIZE) return TEXT_KEY_HELD; // full: the press waits
        KeyLatches[key] = true;
        KeyCharQueue[slot] = (unsigned char)c;
    }
    return held ? TEXT_KEY_HELD : 0;
}

void EnterNameEntry() {
    std::memcpy(PlayerName, "__________", MAX_PLAYER_NAME + 1);
    NameCursor = 0;
    // The game ends in the middle of play: a key still held from it (fire
    // on Space or Return, Escape) must be let go before it counts here.
    NameEntryArmed = false;
    for (int key = 0; key < TEXT_KEY_COUNT; key++)
        KeyLatches[key] = isKeyDown(key);
    GameState = GS_NAME_ENTRY;
}

int32_t NameEntryFrame(int32_t cursor) {
    if (cursor < 0) cursor = 0;
    if (cursor > MAX_PLAYER_NAME) cursor = MAX_PLAYER_NAME;
    DrawGameOverMessage();
    PrintCentered("CONGRATULATIONS!", 24, TEXT_BLACK, 7);
    PrintCentered("please enter your name", 24, TEXT_BLACK, 8);
    PrintCentered(PlayerName, 24, TEXT_BLACK, 10);

    int32_t r = PollTextKeys();
    if (r == TEXT_KEY_ESCAPE || r == TEXT_KEY_RETURN) {
        if (!NameEntryArmed) return cursor;
    } else {
        NameEntryArmed = true;
    }
    if (r == TEXT_KEY_ESCAPE) {
        GameState = GS_BACK_TO_MENU;
        return cursor;
    }
    if (r == TEXT_KEY_RETURN) {
        RecordScore();
        SaveScoreBlock();
        GameState = GS_BACK_TO_MENU;
        return cursor;
    }
    if (r == TEXT_KEY_BACKSPACE) {
        if (!BackspaceLatch) {
            BackspaceLatch = true;
            if (cursor > 0) PlayerName[--cursor] = '_';
        }
    } else if (r == 0) {
        BackspaceLatch = false;
    }

    if (r == 0 || !TypingStarted) {
        TypingStarted = true;
        for (int slot = 0; slot < KEY_QUEUE_SIZE; slot++) {
            if (KeyCharQueue[slot] == -1) continue;
            char c = (char)KeyCharQueue[slot];
            KeyCharQueue[slot] = -1;
            if (cursor < MAX_PLAYER_NAME) PlayerName[cursor++] = c;
            break;
        }
    }
    return cursor;
}
