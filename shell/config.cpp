// The settings file "Orvi/quon.cfg": 30 digits, the current choice of each
// setup-screen cell, and ApplyConfig that turns them into the settings.
#include "shell/shell.h"

#include <cstdio>

#include "audio/sound_bank.h"
#include "frontend/frontend.h"
#include "platform/platform.h"
#include "render/render.h"
#include "shell/game_state.h"

const char ConfigFileName[] = "Orvi\\quon.cfg";
const char DefaultConfig[31] = "221123531122111321111111111111";

int VideoModeIndex = 0;
int DepthIndex = 0;
bool FullScreen = true;
int MusicVolume = 0;
int ViewAngle = 0;
int BonusChanceDivisor = 8;
bool ShowFpsOption = true;
int16_t UseBumper = 0;

static const int MusicVolumes[5] = {0, 10, 30, 50, 70};
static const int ViewAngles[5] = {0, -25, -50, -75, -90};
static const int BonusDivisors[4] = {10, 20, 30, 3};

// Cell of page p, item i (1..5) as it lies in the file.
static int CellIndex(int page, int item) {
    return CONFIG_ITEMS * page + (item - 1);
}

static int CellDigit(int page, int item) {
    const char* cell = ConfigTable[page][0][item];
    if (cell == nullptr || cell[0] < '0' || cell[0] > '5') return -1;
    return cell[0] - '0';
}

int ReadConfigBytes(const char* bytes, int count) {
    int kept = 0;
    for (int page = 0; page < CONFIG_PAGES; ++page) {
        for (int item = 1; item <= CONFIG_ITEMS; ++item) {
            const int at = CellIndex(page, item);
            if (at >= count || bytes[at] < '0' || bytes[at] > '5') {
                ++kept;
                continue;
            }
            ConfigTable[page][0][item] = ConfigDigits[bytes[at] - '0'];
        }
    }
    return kept;
}

void WriteConfigBytes(char out[CONFIG_BYTES]) {
    for (int at = 0; at < CONFIG_BYTES; ++at)
        out[at] = ' ';
    for (int page = 0; page < CONFIG_PAGES; ++page) {
        for (int item = 1; item <= CONFIG_ITEMS; ++item) {
            const char* cell = ConfigTable[page][0][item];
            if (cell != nullptr && cell[0] != '\0') out[CellIndex(page, item)] = cell[0];
        }
    }
}

void LoadConfig() {
    logTagged("Loading: ", "Orvi/quon.cfg");
    std::FILE* file = std::fopen(writablePathJoin(ConfigFileName), "rb");
    if (file == nullptr) return;
    char bytes[CONFIG_BYTES];
    const int count = (int)std::fread(bytes, 1, sizeof(bytes), file);
    std::fclose(file);
    // A short or damaged file keeps the cells it cannot give; one line says so.
    if (ReadConfigBytes(bytes, count) > 0) {
        char line[320];
        std::snprintf(line, sizeof(line), "CONFIG bad or short settings file, kept defaults: %s\n",
                      "Orvi/quon.cfg");
        if (MainLog) MainLog->write(LOG_WARNING, line);
    }
}

void SaveConfig() {
    char bytes[CONFIG_BYTES];
    WriteConfigBytes(bytes);
    std::FILE* file = std::fopen(writablePathJoin(ConfigFileName), "wb");
    if (file == nullptr) return;
    std::fwrite(bytes, 1, sizeof(bytes), file);
    std::fclose(file);
}

void WriteDefaultConfig() {
    std::FILE* file = std::fopen(writablePathJoin(ConfigFileName), "wb");
    if (file) {
        std::fwrite(DefaultConfig, 1, CONFIG_BYTES, file);
        std::fclose(file);
    }
    LoadConfig();
}

void ApplyVideoChange() {
    if (GameState == GS_STARTUP) return;
    DestroyGameWindow();
    CreateGameWindow(ScreenWidth(), ScreenHeight(), ScreenDepth(), !FullScreen);
    // The new context has none of the old one's textures: reload them and the meshes.
    LoadMeshTable();
}

void ApplyConfig() {
    logTagged("SYSTEM", "Applying game config");

    int d = CellDigit(0, 1);
    if (d >= 1 && d <= 5 && VideoModeIndex != d - 1) {
        VideoModeIndex = d - 1;
        ApplyVideoChange();
    }
    logTagged("SYSTEM", "Screen size set");

    d = CellDigit(0, 2);
    if (d >= 1 && d <= 2 && DepthIndex != d - 1) {
        DepthIndex = d - 1;
        ApplyVideoChange();
    }
    logTagged("SYSTEM", "Screen depth set");

    d = CellDigit(0, 3);
    if (d == 1 && !FullScreen) {
        FullScreen = true;
        ApplyVideoChange();
    } else if (d == 2 && FullScreen) {
        FullScreen = false;
        ApplyVideoChange();
    }

    d = CellDigit(1, 1);
    if (d >= 1 && d <= 5) MusicVolume = MusicVolumes[d - 1];
    SetMusicVolume(MusicVolume);

    d = CellDigit(2, 2);
    if (d >= 1 && d <= 5) ViewAngle = ViewAngles[d - 1];
    logTagged("SYSTEM", "Game radius value set");
    InitCameras();
    if (GlReady) ApplyCamera();

    d = CellDigit(2, 1);
    if (d >= 1 && d <= 4) BonusChanceDivisor = BonusDivisors[d - 1];
    logTagged("SYSTEM", "stdfps rate set");

    ShowFpsOption = CellDigit(2, 3) != 1;
    logTagged("SYSTEM", "display/show fps option set");

    UseBumper = CellDigit(2, 4) == 1 ? 1 : 0;
}
