// What the score code reads from the other subsystems, in one place.
#pragma once

#include "scores/scores.h"
#include "scores/khttp_fetch.h"
#include "platform/platform.h"
#include "shell/shell.h"
#include "shell/game_state.h"
#include "frontend/frontend.h"
#include "render/text.h"

// The game's score counter lives with the gameplay rules; until their
// header lands it is declared here by its name.
#if __has_include("gameplay/gameplay.h")
#include "gameplay/gameplay.h"
#else
extern int32_t score;
#endif

// The scrambling offset of "scores.txt": it keeps every byte the writer
// produces clear of white space and of 0.
enum { SCORE_FILE_OFFSET = 100 };
// The character shift shared with the score server.
enum { REPLY_SHIFT = 17, REPLY_FIRST_CODE = 32, REPLY_CODE_COUNT = 94 };

// The engine key numbers the name entry tests by name (rows of KeyTable).
enum {
    NAME_KEY_LSHIFT = 5,
    NAME_KEY_RSHIFT = 6,
    NAME_KEY_RETURN = 7,
    NAME_KEY_BACKSPACE = 22,
    NAME_KEY_ESCAPE = 24,
};
