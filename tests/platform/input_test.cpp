#include <gtest/gtest.h>

#include <SDL.h>

#include <set>

#include "platform/platform.h"

TEST(KeyTable, LookupsByCodeAndScancode) {
    EXPECT_EQ(keyOfVirtualKey(0x7B), 21);
    EXPECT_EQ(keyOfVirtualKey(0x70), K_F1);
    EXPECT_EQ(keyOfVirtualKey(0x07), KEY_NONE);
    EXPECT_EQ(keyOfVirtualKey(0x6C), KEY_NONE);
    EXPECT_EQ(keyOfVirtualKey(9999), KEY_NONE);
    EXPECT_EQ(keyOfScancode(SDL_SCANCODE_F12), K_F12);
    EXPECT_EQ(keyOfScancode(SDL_SCANCODE_LSHIFT), K_LSHIFT);
    EXPECT_EQ(keyOfScancode(SDL_SCANCODE_0), K_0);
    EXPECT_EQ(keyOfScancode(SDL_SCANCODE_KP_0), K_NUMPAD0);
    EXPECT_EQ(keyOfScancode(SDL_SCANCODE_RALT), K_ALT);
    // The keys of play come from their own keys of the keyboard.
    const int play[][2] = {{SDL_SCANCODE_LEFT, K_LEFT},     {SDL_SCANCODE_RIGHT, K_RIGHT},
                           {SDL_SCANCODE_UP, K_UP},         {SDL_SCANCODE_DOWN, K_DOWN},
                           {SDL_SCANCODE_RETURN, K_RETURN}, {SDL_SCANCODE_SPACE, K_SPACE},
                           {SDL_SCANCODE_ESCAPE, K_ESCAPE}};
    for (const auto& row : play)
        EXPECT_EQ(keyOfScancode((SDL_Scancode)row[0]), row[1]) << row[0];
    EXPECT_EQ(keyOfScancode(SDL_SCANCODE_UNKNOWN), KEY_NONE);
    EXPECT_EQ(keyOfScancode(SDL_SCANCODE_F24), KEY_NONE);
    // Every key has its own scancode, and the round trip holds.
    std::set<int> seen;
    for (int key = 0; key < KEY_COUNT; ++key) {
        const int scancode = scancodeOfKey(key);
        EXPECT_NE(scancode, SDL_SCANCODE_UNKNOWN) << key;
        EXPECT_TRUE(seen.insert(scancode).second) << key;
        EXPECT_EQ(keyOfScancode(scancode), key);
    }
    EXPECT_EQ(scancodeOfKey(-1), SDL_SCANCODE_UNKNOWN);
    EXPECT_EQ(scancodeOfKey(KEY_COUNT), SDL_SCANCODE_UNKNOWN);
}

TEST(CursorCount, HideAndShowFollowTheDisplayCount) {
    while (CursorDisplayCount < 0)
        changeCursorCount(true);
    while (CursorDisplayCount > 0)
        changeCursorCount(false);
    ASSERT_EQ(CursorDisplayCount, 0);
    hideSystemCursor();
    EXPECT_EQ(CursorDisplayCount, -1);
    hideSystemCursor();
    EXPECT_EQ(CursorDisplayCount, -2);
    showSystemCursor();
    EXPECT_EQ(CursorDisplayCount, 0);
    showSystemCursor();
    EXPECT_EQ(CursorDisplayCount, 1);
    hideSystemCursor();
    EXPECT_EQ(CursorDisplayCount, -1);
    showSystemCursor();
}

TEST(Latches, APressReadsDownUntilTheNextPump) {
    clearInputLatches();
    EXPECT_FALSE(isKeyDown(K_SPACE));
    latchKey(K_SPACE);
    latchButton(1);
    EXPECT_TRUE(isKeyDown(K_SPACE));
    EXPECT_TRUE(isLeftButtonDown());
    EXPECT_FALSE(isKeyDown(K_ESCAPE));
    clearInputLatches();
    EXPECT_FALSE(isKeyDown(K_SPACE));
    EXPECT_FALSE(isLeftButtonDown());
    // Out of the table: ignored, never written past it.
    latchKey(-1);
    latchKey(KEY_COUNT);
    latchButton(9);
    EXPECT_FALSE(isKeyDown(-1));
    EXPECT_FALSE(isKeyDown(KEY_COUNT));
}
