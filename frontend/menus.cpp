// The menu screens: small scenes of boxes, boards and capsules that the
// cursor object points at, with their fades and clicks.
#include "frontend/frontend_local.h"

const float MenuGold[3] = {0.952f, 0.713f, 0.07f};

uint8_t MainMenuHover[MENU_ITEM_COUNT];
uint8_t EpisodeHover[MENU_ITEM_COUNT];
uint8_t MenuClickLatch;

static void ClearMenuHover() {
    for (int i = 0; i < MENU_ITEM_COUNT; i++)
        MainMenuHover[i] = EpisodeHover[i] = 0;
    MenuClickLatch = 0;
}

static void SelectMenuCamera() {
    CurrentCamera = CAMERA_MENU;
    ApplyCamera();
}

static void SpawnAt(int mesh, float x, float y, float z, float sx, float sy, float sz,
                    EntityTransform* transform, EntityLook* look) {
    transform->position[0] = x;
    transform->position[1] = y;
    transform->position[2] = z;
    transform->scale[0] = sx;
    transform->scale[1] = sy;
    transform->scale[2] = sz;
    SpawnEntity(mesh, *transform, *look);
}

void SpawnMenuCursor() {
    EntityTransform transform;
    EntityLook look;
    DefaultTransform(&transform);
    DefaultLook(&look);
    transform.rotation[2] = 90.0f;
    look.additive = 1;
    look.life = 1.0f;
    SpawnAt(MESH_CURSOR, 0, 0, 0.8f, 2, 2, 1, &transform, &look);
}

static void BuildMainMenuScene() {
    static const float boxX[MENU_ITEM_COUNT] = {-1.2f, -0.4f, 0.4f, 1.2f};
    for (int i = 0; i < MENU_ITEM_COUNT; i++) {
        EntityTransform transform;
        EntityLook look;
        DefaultTransform(&transform);
        DefaultLook(&look);
        look.flags[3] = 1;
        look.tint[0] = look.tint[1] = look.tint[2] = 1.0f;
        SpawnAt(MESH_MENU_BOX, boxX[i], -1.334f, 0.7f, 0.28f, 0.1f, 1, &transform, &look);
    }
    SpawnMenuCursor();
}

void EnterMainMenu() {
    ReleaseIntroTextures(); // the intro is behind
    ClearDisplayFlags();
    MenuLabelsVisible = 1;
    TopTenVisible = 1;
    ClearMenuHover();
    MenuClear = false;
    ClearEntities();
    BuildMainMenuScene();
    SelectMenuCamera();
    RemoveHelpCapsules();
    GameState = GS_MAIN_MENU;
}

void ReturnToMainMenu() {
    ClearDisplayFlags();
    MenuLabelsVisible = 1;
    TopTenVisible = 1;
    GameState = GS_MAIN_MENU;
}

void EnterEpisodeSelect() {
    // Boards in the order FindEntity numbers them: arcade, jungle, ocean, street.
    static const int boardMesh[MENU_ITEM_COUNT] = {MESH_ARCADE, MESH_JUNGLE, MESH_OCEAN,
                                                   MESH_STREET};
    static const float boardX[MENU_ITEM_COUNT] = {0.8f, -0.8f, -0.8f, 0.8f};
    static const float boardY[MENU_ITEM_COUNT] = {-0.8f, -0.8f, 0.8f, 0.8f};
    ClearDisplayFlags();
    EpisodeLabelsVisible = 1;
    ClearMenuHover();
    ClearEntities();
    for (int i = 0; i < MENU_ITEM_COUNT; i++) {
        EntityTransform transform;
        EntityLook look;
        DefaultTransform(&transform);
        DefaultLook(&look);
        SpawnAt(boardMesh[i], boardX[i], boardY[i], 0, 0.6f, 0.6f, 1, &transform, &look);
    }
    SpawnMenuCursor();
    SelectMenuCamera();
    GameState = GS_EPISODE_SELECT;
}

void EnterHelp() {
    for (int k = 0; k < HELP_CAPSULE_COUNT; k++) {
        EntityTransform transform;
        EntityLook look;
        DefaultTransform(&transform);
        DefaultLook(&look);
        transform.spin[0] = 1.5f;
        SpawnAt(MESH_BONUS_FIRST + k, 1.0f, 0.48f - 0.2f * k, 0, 1, 1, 1, &transform, &look);
    }
    ClearDisplayFlags();
    MenuLabelsVisible = 1;
    HelpVisible = 1;
    SelectMenuCamera();
}

void EnterQuitScreen() {
    ClearDisplayFlags();
    CreditsVisible = 1;
    ClearMenuHover();
    MenuClear = false;
    ClearEntities();
    SpawnMenuCursor();
    SelectMenuCamera();
    GameState = GS_QUIT_SCREEN;
}

void RemoveHelpCapsules() {
    for (int i = 0; i < HELP_CAPSULE_COUNT; i++) {
        const int slot = FindEntity(TYPE_CAPSULE, 1);
        if (slot == ENTITY_NONE || slot == 0) break;
        KillEntity(slot);
    }
}

bool PointerOver(int pointer, int item) {
    if (pointer <= 0 || pointer >= MAX_ENTITIES || !EntityTable[pointer].inUse) return false;
    float x, y, rect[4];
    if (!WorldToScreen(EntityTable[pointer].position, &x, &y)) return false;
    if (!EntityScreenRect(item, rect)) return false;
    return x >= rect[0] && x < rect[2] && y >= rect[1] && y < rect[3];
}

static bool ValidSlot(int slot) {
    return slot > 0 && slot < MAX_ENTITIES && EntityTable[slot].inUse;
}

// Faces of a live object; an object spawned from an empty mesh has none.
static int FaceCountOf(const Entity& e) {
    return e.faces != nullptr ? e.faceCount : 0;
}

void FadeToWhite(int slot) {
    if (!ValidSlot(slot)) return;
    Entity& e = EntityTable[slot];
    const float step = 0.001f * FrameMs;
    for (int f = 0; f < FaceCountOf(e); f++) {
        float* tint = e.faces[f].tint;
        for (int c = 0; c < 3; c++) {
            if (tint[c] < 1.0f) {
                tint[c] += step;
                if (tint[c] > 1.0f) tint[c] = 1.0f;
            }
        }
    }
    e.rotation[1] = 0.0f;
    e.spin[1] = 0.0f;
}

void FadeToColour(int slot, float r, float g, float b) {
    if (!ValidSlot(slot)) return;
    Entity& e = EntityTable[slot];
    const float target[3] = {r, g, b};
    for (int f = 0; f < FaceCountOf(e); f++) {
        float* tint = e.faces[f].tint;
        for (int c = 0; c < 3; c++) {
            const float step = FrameMs * target[c] * 0.04f;
            if (tint[c] < target[c]) {
                tint[c] += step;
                if (tint[c] > target[c]) tint[c] = target[c];
            } else if (tint[c] > target[c]) {
                tint[c] -= step;
                if (tint[c] < target[c]) tint[c] = target[c];
            }
        }
    }
}

// The setup screen's arrows and plates left behind when the main menu's
// boxes are used from a screen that still holds them.
static void KillSetupLeftovers() {
    for (int i = 0; i < 6; i++) {
        const int slot = FindEntity(MESH_SELECTOR, 1);
        if (slot != ENTITY_NONE && slot != 0) KillEntity(slot);
    }
    for (int i = 0; i < 3; i++) {
        const int slot = FindEntity(MESH_PLATE, 1);
        if (slot != ENTITY_NONE && slot != 0) KillEntity(slot);
    }
}

static void MainMenuAction(int item) {
    switch (item) {
    case MENU_PLAY:
        EnterEpisodeSelect();
        GameState = GS_PLAY_CHOSEN;
        RemoveHelpCapsules();
        break;
    case MENU_SETUP:
        KillSetupLeftovers();
        SetupArmed = false;
        EnterSetup();
        GameState = GS_SETUP;
        RemoveHelpCapsules();
        break;
    case MENU_HELP:
        KillSetupLeftovers();
        SetupArmed = false;
        RemoveHelpCapsules();
        EnterHelp();
        GameState = GS_HELP;
        break;
    case MENU_QUIT:
        EnterQuitScreen();
        RemoveHelpCapsules();
        break;
    default:
        break;
    }
}

void UpdateMainMenu() {
    int box[MENU_ITEM_COUNT];
    for (int i = 0; i < MENU_ITEM_COUNT; i++)
        box[i] = FindEntity(MESH_MENU_BOX, i + 1);
    const int cursor = FindEntity(TYPE_CURSOR, 1);

    int pointed = -1;
    if (cursor != ENTITY_NONE) {
        for (int i = 0; i < MENU_ITEM_COUNT && pointed < 0; i++)
            if (box[i] != ENTITY_NONE && PointerOver(cursor, box[i])) pointed = i;
    }

    if (pointed < 0) {
        for (int i = 0; i < MENU_ITEM_COUNT; i++) {
            if (box[i] != ENTITY_NONE) FadeToWhite(box[i]);
            MainMenuHover[i] = 0;
        }
        return;
    }

    if (!MainMenuHover[pointed]) PlayMenuSound(SFX_ROLLOVER);
    for (int i = 0; i < MENU_ITEM_COUNT; i++) {
        MainMenuHover[i] = i == pointed;
        if (i != pointed && box[i] != ENTITY_NONE) FadeToWhite(box[i]);
    }
    FadeToColour(box[pointed], MenuGold[0], MenuGold[1], MenuGold[2]);

    if (!FireHeld) {
        MenuClickLatch = 0;
    } else if (!MenuClickLatch) {
        MenuClickLatch = 1;
        PlayMenuSound(SFX_CLICK);
        MainMenuAction(pointed);
        // The action may have cleared the latch with the scene; the press
        // that made it must not act again on the new screen.
        MenuClickLatch = 1;
    }
}

void UpdateEpisodeSelect() {
    static const int boardType[MENU_ITEM_COUNT] = {MESH_ARCADE, MESH_JUNGLE, MESH_OCEAN,
                                                   MESH_STREET};
    int board[MENU_ITEM_COUNT];
    for (int i = 0; i < MENU_ITEM_COUNT; i++)
        board[i] = FindEntity(boardType[i], 1);
    const int cursor = FindEntity(TYPE_CURSOR, 1);

    int pointed = -1;
    if (cursor != ENTITY_NONE) {
        for (int i = 0; i < MENU_ITEM_COUNT && pointed < 0; i++)
            if (board[i] != ENTITY_NONE && PointerOver(cursor, board[i])) pointed = i;
    }

    if (pointed < 0) {
        for (int i = 0; i < MENU_ITEM_COUNT; i++) {
            if (board[i] != ENTITY_NONE) FadeToWhite(board[i]);
            EpisodeHover[i] = 0;
        }
        return;
    }

    if (!EpisodeHover[pointed]) PlayMenuSound(SFX_ROLLOVER);
    for (int i = 0; i < MENU_ITEM_COUNT; i++) {
        EpisodeHover[i] = i == pointed;
        if (i != pointed && board[i] != ENTITY_NONE) FadeToWhite(board[i]);
    }
    EntityTable[board[pointed]].spin[1] = 1.0f;

    if (!FireHeld) {
        MenuClickLatch = 0;
        return;
    }
    if (MenuClickLatch) return;
    MenuClickLatch = 1;
    PlayMenuSound(SFX_CLICK);
    episode = pointed;
    GameState = GS_EPISODE_CHOSEN;
    ShuffleStageOrder();
}
