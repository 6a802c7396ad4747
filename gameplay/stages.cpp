// The episode file, the stage order and the building of stages and games.
#include "gameplay/gameplay_local.h"

#include <cstdio>
#include <cstring>

#include "audio/sound_bank.h"
#include "frontend/frontend.h"
#include "platform/platform.h"
#include "render/render.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "shell/steering.h"

char EpisodeText[EPISODE_TEXT_SIZE];
int32_t StageOrder[STAGE_COUNT];
int32_t episode = EPISODE_ARCADE;

void LoadEpisodeFile(const char* path) {
    logTagged("Loading: ", path);
    memset(EpisodeText, 0, sizeof EpisodeText);
    FILE* f = fopen(pathJoin(path), "rb");
    // Without the file every stage stays empty, and the order is not touched.
    if (f == nullptr) return;
    // Text-mode reading: a CR LF pair is one character of the limit, so a
    // CR LF file reaches as far into the records as its LF twin.
    size_t n = 0;
    int c;
    while (n < EPISODE_TEXT_SIZE && (c = getc(f)) != EOF) {
        if (c == '\r') {
            const int next = getc(f);
            if (next == '\n')
                c = next;
            else if (next != EOF)
                ungetc(next, f);
        }
        EpisodeText[n++] = (char)c;
    }
    fclose(f);
    // Drop every control byte and every byte of 128 or more (negative as
    // a signed char): line ends of either kind and tabs go with them.
    size_t out = 0;
    for (size_t i = 0; i < n; i++)
        if ((signed char)EpisodeText[i] >= 32) EpisodeText[out++] = EpisodeText[i];
    memset(EpisodeText + out, 0, EPISODE_TEXT_SIZE - out);
    ShuffleStageOrder();
}

void ShuffleStageOrder() {
    for (int i = 0; i < STAGE_COUNT; i++)
        StageOrder[i] = i;
    for (int pass = 0; pass < 2; pass++) {
        for (int p = 0; p < STAGE_COUNT; p++) {
            const int r = RandomInt(0, STAGE_COUNT);
            const int32_t keep = StageOrder[p];
            StageOrder[p] = StageOrder[r];
            StageOrder[r] = keep;
        }
    }
}

int StageCell(int record, int row, int column) {
    if (record < 0 || record >= STAGE_COUNT || row < 0 || row >= STAGE_GRID || column < 0 ||
        column >= STAGE_GRID)
        return 0;
    const int c = (unsigned char)
        EpisodeText[STAGE_RECORD_SIZE * record + STAGE_GRID_OFFSET + STAGE_GRID * row + column];
    // Characters below "0" (and the zero bytes of a short file) are empty.
    if (c <= '0') return 0;
    const int code = c - '0';
    return code > 12 ? 12 : code;
}

void BuildStage() {
    const int w = ScreenWidth(), h = ScreenHeight();
    pendingScore = 0;
    combo = 0;
    SteerX = SteerY = 0;
    ClearEntities();

    EntityTransform t;
    EntityLook look;
    DefaultTransform(&t);
    t.rotation[0] = -90.0f;
    t.position[1] = -ScreenYToWorld(h / 1.92f);
    SpawnEntity(MESH_SHIP, t, *DefaultLook(&look));

    SpawnStageBall(ballSpeed / 200.0f);

    DefaultTransform(&t);
    t.scale[0] = 4.5f;
    t.scale[1] = 3.5f;
    t.scale[2] = 1.0f;
    t.position[2] = -1.5f;
    SpawnEntity(MESH_PLAYGROUND, t, *DefaultLook(&look));

    if (UseBumper) {
        const int count = RandomInt(0, 4);
        for (int i = 0; i < count; i++) {
            DefaultLook(&look);
            look.additive = 1;
            look.life = 1.0f;
            DefaultTransform(&t);
            t.rotation[0] = (float)-ViewAngle;
            t.rotation[2] = 90.0f;
            const int r = RandomInt(4, 16);
            t.scale[0] = t.scale[1] = r * 0.25f;
            t.position[0] = ScreenXToWorld((float)RandomInt(-w / 2, w / 2));
            t.position[1] = ScreenYToWorld((float)RandomInt(-h / 2, h / 2));
            SpawnEntity(MESH_BUMPER, t, look);
        }
    }

    const int record = StageOrder[currentStage % STAGE_COUNT];
    DefaultLook(&look);
    DefaultTransform(&t);
    t.scale[0] = 0.6f;
    t.scale[1] = 2.0f;
    t.scale[2] = 2.0f;
    for (int c = 0; c < STAGE_GRID; c++) {
        for (int r = 0; r < STAGE_GRID; r++) {
            const int code = StageCell(record, r, c);
            if (code == 0) continue;
            t.position[0] = c / 3.3f - ScreenXToWorld(w / 2.2f);
            t.position[1] = ScreenYToWorld(h / 2.5f) - r * 0.25f;
            t.scale[2] = IsDelirium() ? (float)code : 2.0f;
            SpawnEntity(code + 35, t, look);
        }
    }
}

void StartEpisode() {
    LoadMeshTable();
    cannonShip = false;
    ballLaunched = false;
    flyingShip = false;
    ClearDisplayFlags();
    HudVisible = 1;
    ClearEntities();
    BuildStage();
    CurrentCamera = 1;
    ApplyCamera();
    bestStageTime = 10000000;
    stageTime = 0;
    stageClockRunning = false;
    stageStart = (int32_t)GameClockMs();
    ballSpeed = 1.5f;
    capsuleSpeed = 1.5f;
    score = 0;
    currentStage = 1;
    lives = START_LIVES;
    GameState = GS_PLAYING;
    StopMusic();
}
