#include "scores/scores.h"

ScoreEntry ScoreTable[SCORE_TABLE_SIZE];
char PlayerName[MAX_PLAYER_NAME + 1] = "__________";
int32_t NameCursor = 0;
const char KeyCharTable[TEXT_KEY_COUNT] = {0};
bool KeyLatches[TEXT_KEY_COUNT];
int32_t KeyCharQueue[KEY_QUEUE_SIZE] = {-1, -1, -1, -1, -1, -1, -1, -1};
bool BackspaceLatch = false;
bool TypingStarted = false;
uint8_t ScoreBlock[SCORE_BLOCK_SIZE];

void ResetTextKeys() {}
int32_t PollTextKeys() {
    return 0;
}
void EnterNameEntry() {}
int32_t NameEntryFrame(int32_t cursor) {
    return cursor;
}
void ClearScoreTable() {}
int ScoreTablePosition(int32_t) {
    return SCORE_TABLE_SIZE;
}
void RecordScore() {}
int InsertScore(const char*, int32_t) {
    return SCORE_TABLE_SIZE;
}
void CleanPlayerName(const char*, char out[SCORE_NAME_SIZE]) {
    out[0] = 0;
}
uint8_t ScoreCheckByte(uint32_t sum) {
    return (uint8_t)sum;
}
void SaveScoreFile() {}
bool LoadScoreFile() {
    return false;
}
bool ParseScoreFile(const uint8_t*, int) {
    return false;
}
void SaveScoreBlock() {}
void LoadScoreBlock() {}
const char* ScoreServer() {
    return "";
}
void SetScoreServer(const char*) {}
bool FetchOnlineScores() {
    return false;
}
void ParseOnlineScores(const char*) {}
void BuildScoreMessage(const char*, int32_t, char out[SCORE_MESSAGE_BUFFER]) {
    out[0] = 0;
}
int ScoreMessageCheck(const char*) {
    return 40;
}
bool SendScoreOnline(const char*, int32_t) {
    return false;
}
char EncodeReplyChar(char c) {
    return c;
}
char DecodeReplyChar(char c) {
    return c;
}
