// The top-ten table with its two files, the name entry typed after every
// game, and the online exchange of the table with the score server.
#pragma once

#include <cstdint>

enum {
    SCORE_TABLE_SIZE = 10,
    SCORE_NAME_SIZE = 12,    // the name field, NUL included
    MAX_PLAYER_NAME = 10,    // characters a player can type
    MAX_ONLINE_NAME = 9,     // a fetched name keeps this many characters
    TEXT_KEY_COUNT = 93,     // engine keys 0..92 are polled for text
    KEY_QUEUE_SIZE = 8,      // typed characters waiting to be taken
    SCORE_BLOCK_SIZE = 270,  // "Orvi\scores.dat"
    SCORE_FILE_BUFFER = 512, // "scores.txt", text plus check byte
    SCORE_REPLY_BUFFER = 1024,
    SCORE_MESSAGE_BUFFER = 128,
    MAX_ONLINE_SCORE = 100000000,
};

// Keys of PollTextKeys' result besides "none" (0).
enum {
    TEXT_KEY_ESCAPE = -1,
    TEXT_KEY_RETURN = -2,
    TEXT_KEY_BACKSPACE = -3,
    TEXT_KEY_HELD = -4,
};

struct ScoreEntry {
    int32_t score;
    char name[SCORE_NAME_SIZE]; // NUL-terminated, never holds a blank
};

// ---------------------------------------------------------------------------
// Process-wide state (written by scores/ only)
// ---------------------------------------------------------------------------
extern ScoreEntry ScoreTable[SCORE_TABLE_SIZE]; // best first
extern char PlayerName[MAX_PLAYER_NAME + 1];    // "_" marks a position not typed yet
extern int32_t NameCursor;                      // 0..10 characters typed
// The character each engine key types, 0 for none.
extern const char KeyCharTable[TEXT_KEY_COUNT];
extern bool KeyLatches[TEXT_KEY_COUNT];      // this press is already queued
extern int32_t KeyCharQueue[KEY_QUEUE_SIZE]; // -1 marks a free slot
extern bool BackspaceLatch;
extern bool TypingStarted; // set at the first take, never cleared
// Escape and Return were seen up since the name entry began; until then
// neither acts, so a key held from play neither records nor gives up.
extern bool NameEntryArmed;
extern uint8_t ScoreBlock[SCORE_BLOCK_SIZE];

// ---------------------------------------------------------------------------
// Name entry
// ---------------------------------------------------------------------------

// Frees the queue and clears every latch (the input set-up calls it).
void ResetTextKeys();
// One keyboard poll: TEXT_KEY_* or 0. Queues each new press once.
int32_t PollTextKeys();
// Ten underscores, cursor 0, GameState = GS_NAME_ENTRY; keys held now
// type nothing and Escape and Return wait to be let go.
void EnterNameEntry();
// One frame of the name-entry screen; returns the new cursor. Escape and
// Return leave to GS_BACK_TO_MENU, Return after recording the score.
int32_t NameEntryFrame(int32_t cursor);

// ---------------------------------------------------------------------------
// The table and its files
// ---------------------------------------------------------------------------

// Every entry score 0 with an empty name, as at program start.
void ClearScoreTable();
// Where a score would enter the table (0..9), SCORE_TABLE_SIZE when it does
// not: equal scores go above older ones.
int ScoreTablePosition(int32_t points);
// Inserts `score` with the cleaned PlayerName; when it enters, shows the
// sending screen, sends it online and saves "scores.txt".
void RecordScore();
// The same with an explicit name (cleaned the same way) and score; returns
// the position taken or SCORE_TABLE_SIZE.
int InsertScore(const char* name, int32_t points);
// Cuts a typed name at its first "_", turns blanks into "_", and makes an
// empty name "_" so that the text file can carry it.
void CleanPlayerName(const char* typed, char out[SCORE_NAME_SIZE]);

// The check byte of a scrambled text whose bytes sum to sum: 1..255 (0 only
// for an empty text).
uint8_t ScoreCheckByte(uint32_t sum);
// "scores.txt" in the game directory, written through a temporary file.
void SaveScoreFile();
// False (table unchanged) when missing, oversized or failing its check.
bool LoadScoreFile();
// The reader on bytes in memory (the file and the fuzz target use it).
bool ParseScoreFile(const uint8_t* bytes, int count);

void SaveScoreBlock();
void LoadScoreBlock();

// ---------------------------------------------------------------------------
// Online exchange
// ---------------------------------------------------------------------------

// "host:port" of the score server; the build sets it. Tests point the game
// at a server of their own through SetScoreServer.
const char* ScoreServer();
void SetScoreServer(const char* hostPort);

// Start-up: the table from the server, else from "scores.txt". True when
// the server answered.
bool FetchOnlineScores();
// Decodes a table reply (reversed, shifted) into ScoreTable.
void ParseOnlineScores(const char* reply);
// The message for a name and score: M = "name@score" reversed, then the
// check character. out holds SCORE_MESSAGE_BUFFER bytes.
void BuildScoreMessage(const char* name, int32_t points, char out[SCORE_MESSAGE_BUFFER]);
// The check character of a message text (40..120).
int ScoreMessageCheck(const char* text);
// The whole request URL that sends one score (HTTP_URL_BUFFER bytes). False
// when it does not fit.
bool BuildScoreUrl(const char* name, int32_t points, char* out);
// Sends one score, then saves "scores.txt" whatever the outcome. True when
// the server took it.
bool SendScoreOnline(const char* name, int32_t points);

// The game's character code of the reply: a shift within codes 32..125.
char EncodeReplyChar(char c);
char DecodeReplyChar(char c);
