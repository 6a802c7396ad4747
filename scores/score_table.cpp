#include "scores/scores_local.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

ScoreEntry ScoreTable[SCORE_TABLE_SIZE];
uint8_t ScoreBlock[SCORE_BLOCK_SIZE];

static const char* const ScoreFileName = "scores.txt";
static const char* const ScoreBlockName = "Orvi\\scores.dat";

void ClearScoreTable() {
    std::memset(ScoreTable, 0, sizeof ScoreTable);
}

void CleanPlayerName(const char* typed, char out[SCORE_NAME_SIZE]) {
    int n = 0;
    for (; typed[n] && n < MAX_PLAYER_NAME && n < SCORE_NAME_SIZE - 1; n++) {
        if (typed[n] == '_') break;
        out[n] = typed[n] == ' ' ? '_' : typed[n];
    }
    // The text file separates name and score by a blank: an empty name
    // would read back as the score, so it is kept as one underscore.
    if (n == 0) out[n++] = '_';
    out[n] = 0;
}

int ScoreTablePosition(int32_t points) {
    int position = SCORE_TABLE_SIZE;
    while (position > 0 && ScoreTable[position - 1].score <= points)
        position--;
    // Nothing strictly below stops an entry from entering at 9 or above;
    // position 10 only when the tenth entry is strictly greater.
    return position;
}

int InsertScore(const char* name, int32_t points) {
    int position = ScoreTablePosition(points);
    if (position >= SCORE_TABLE_SIZE) return SCORE_TABLE_SIZE;
    for (int i = SCORE_TABLE_SIZE - 1; i > position; i--)
        ScoreTable[i] = ScoreTable[i - 1];
    CleanPlayerName(name, ScoreTable[position].name);
    ScoreTable[position].score = points;
    return position;
}

void RecordScore() {
    int position = InsertScore(PlayerName, score);
    if (position >= SCORE_TABLE_SIZE) return;
    ShowSendingScoreMessage();
    SendScoreOnline(ScoreTable[position].name, ScoreTable[position].score);
}

uint8_t ScoreCheckByte(uint32_t sum) {
    if (sum <= 255) return (uint8_t)sum;
    return (uint8_t)((sum - 1) % 255 + 1);
}

void SaveScoreFile() {
    uint8_t text[SCORE_FILE_BUFFER];
    std::memset(text, 0, sizeof text);
    int used = 0;
    for (int i = 0; i < SCORE_TABLE_SIZE; i++) {
        char name[SCORE_NAME_SIZE];
        std::memcpy(name, ScoreTable[i].name, SCORE_NAME_SIZE);
        name[SCORE_NAME_SIZE - 1] = 0;
        int n = std::snprintf((char*)text + used, sizeof text - 1 - (size_t)used, "%s %d\n", name,
                              (int)ScoreTable[i].score);
        if (n < 0 || used + n >= (int)sizeof text - 1) break; // cannot happen: 10 x 24 bytes
        used += n;
    }
    uint32_t sum = 0;
    for (int i = 0; i < used; i++) {
        text[i] = (uint8_t)((text[i] + SCORE_FILE_OFFSET) % 254 + 1);
        sum += text[i];
    }
    text[used] = ScoreCheckByte(sum);

    // Written beside the old file and renamed over it, so that a crash half
    // way leaves the previous table rather than none.
    char path[MAX_PATH_CHARS];
    char temporary[MAX_PATH_CHARS + 8];
    std::snprintf(path, sizeof path, "%s", writablePathJoin(ScoreFileName));
    std::snprintf(temporary, sizeof temporary, "%s.tmp", path);
    FILE* file = std::fopen(temporary, "wb");
    if (!file) return;
    bool written = std::fwrite(text, 1, (size_t)used + 1, file) == (size_t)used + 1;
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    if (!written || std::rename(temporary, path) != 0) {
        logTagged("Error Saving! ", ScoreFileName);
        std::remove(temporary);
    }
}

// Reads a blank-free word of at most size - 1 characters (the rest of a
// longer word is skipped) and returns the position after it.
static int ReadWord(const char* text, int at, char* word, int size) {
    int n = 0;
    while (text[at] && !std::isspace((unsigned char)text[at])) {
        if (n < size - 1) word[n++] = text[at];
        at++;
    }
    word[n] = 0;
    return at;
}

static int SkipBlanks(const char* text, int at) {
    while (text[at] == ' ' || text[at] == '\t' || text[at] == '\r')
        at++;
    return at;
}

bool ParseScoreFile(const uint8_t* bytes, int count) {
    if (count < 2 || count > SCORE_FILE_BUFFER - 1) return false;
    char text[SCORE_FILE_BUFFER];
    uint32_t sum = 0;
    for (int i = 0; i < count - 1; i++) {
        sum += bytes[i];
        text[i] = (char)((bytes[i] + 253 - SCORE_FILE_OFFSET) % 254);
    }
    text[count - 1] = 0;
    if (ScoreCheckByte(sum) != bytes[count - 1]) return false;
    // A NUL inside the text would end it early: such a file is no table.
    if ((int)std::strlen(text) != count - 1) return false;

    ScoreEntry parsed[SCORE_TABLE_SIZE];
    std::memset(parsed, 0, sizeof parsed);
    int at = 0;
    for (int i = 0; i < SCORE_TABLE_SIZE && text[at]; i++) {
        // One line per entry. An entry never filled has no name: its line
        // holds the score alone.
        int lineEnd = at;
        while (text[lineEnd] && text[lineEnd] != '\n')
            lineEnd++;
        int first = SkipBlanks(text, at);
        char word[MAX_PLAYER_NAME + 1];
        int afterWord = ReadWord(text, first, word, sizeof word);
        int second = SkipBlanks(text, afterWord);
        const char* number = text + first;
        if (second < lineEnd) {
            std::snprintf(parsed[i].name, sizeof parsed[i].name, "%s", word);
            number = text + second;
        }
        char* end = nullptr;
        long value = std::strtol(number, &end, 10);
        if (end == number || end > text + lineEnd || value < 0 || value > INT32_MAX) {
            return false; // not a table the game wrote
        }
        parsed[i].score = (int32_t)value;
        at = text[lineEnd] ? lineEnd + 1 : lineEnd;
    }
    std::memcpy(ScoreTable, parsed, sizeof parsed);
    return true;
}

bool LoadScoreFile() {
    FILE* file = std::fopen(writablePathJoin(ScoreFileName), "rb");
    if (!file) return false;
    uint8_t bytes[SCORE_FILE_BUFFER];
    size_t count = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    if (count >= sizeof bytes) {
        logTagged("Ignoring oversized", ScoreFileName);
        return false;
    }
    if (!ParseScoreFile(bytes, (int)count)) {
        logTagged("Ignoring damaged", ScoreFileName);
        return false;
    }
    return true;
}

void SaveScoreBlock() {
    FILE* file = std::fopen(writablePathJoin(ScoreBlockName), "wt");
    if (!file) return;
    std::fwrite(ScoreBlock, 1, sizeof ScoreBlock, file);
    std::fclose(file);
}

void LoadScoreBlock() {
    logTagged("Loading: ", "Orvi/scores.dat");
    FILE* file = std::fopen(writablePathJoin(ScoreBlockName), "rt");
    if (!file) return;
    size_t got = std::fread(ScoreBlock, 1, sizeof ScoreBlock, file);
    (void)got; // a short file leaves the rest as it was
    std::fclose(file);
}
