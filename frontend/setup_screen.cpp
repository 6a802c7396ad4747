// The setup screen: one page title, item and choice at a time, stepped with
// arrow pairs; the choices live in the table as the digits the file stores.
#include "frontend/frontend_local.h"

#include <cmath>

const char* const ConfigDigits[CONFIG_DIGITS] = {"0", "1", "2", "3", "4", "5"};

// Row 0 of each page: title, then the current choice of items 1-5 (all "1"
// until a file is read). Empty strings end a list; the stepping skips them.
const char* ConfigTable[CONFIG_PAGES][CONFIG_ROWS][CONFIG_STRINGS] = {
    {
        {"VIDEO", "1", "1", "1", "1", "1"},
        {"Screen Size", "320x240", "640x480", "800x600", "1152x864", "1280x1024"},
        {"Screen Depth", "16", "32", "", "", ""},
        {"Full Screen", "ON", "OFF", "", "", ""},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
    },
    {
        {"SOUND", "1", "1", "1", "1", "1"},
        {"Music", "0", "25", "50", "75", "100"},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
    },
    {
        {"OPTIONS", "1", "1", "1", "1", "1"},
        {"Difficulty", "Slow", "Normal", "Fast", "Delirium!", ""},
        {"View Angle", "0", "25", "50", "", ""},
        {"Show FPS", "NO", "YES", "", "", ""},
        {"Use Bumper", "YES", "NO", "", "", ""},
        {"", "", "", "", "", ""},
    },
    {
        {"", "1", "1", "1", "1", "1"},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
    },
    {
        {"", "1", "1", "1", "1", "1"},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
    },
    {
        {"", "1", "1", "1", "1", "1"},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
        {"", "", "", "", "", ""},
    },
};

int ConfigPage;
int ConfigItem = 1;
int ConfigChoice = 1;
bool SetupArmed;
uint8_t SetupHover[SETUP_CONTROL_COUNT];
uint8_t SetupPending[SETUP_CONTROL_COUNT];

static bool Empty(const char* s) {
    return s == nullptr || s[0] == '\0';
}

int ConfigDigit(int page, int item) {
    if (page < 0 || page >= CONFIG_PAGES || item < 1 || item >= CONFIG_ROWS) return 0;
    const char* cell = ConfigTable[page][0][item];
    if (cell == nullptr || cell[0] < '0' || cell[0] > '5') return 0;
    return cell[0] - '0';
}

void SetConfigDigit(int page, int item, int value) {
    if (page < 0 || page >= CONFIG_PAGES || item < 1 || item >= CONFIG_ROWS) return;
    if (value < 0 || value >= CONFIG_DIGITS) return;
    ConfigTable[page][0][item] = ConfigDigits[value];
}

// A stored digit names a choice 1-5; anything else (0, a damaged file)
// shows the first choice instead of an empty label.
static int StoredChoice(int page, int item) {
    const int d = ConfigDigit(page, item);
    return d >= 1 && d < CONFIG_STRINGS ? d : 1;
}

void StepConfig(int level, bool forward) {
    if (level < 0 || level > 2) return;
    const int page = ConfigPage >= 0 && ConfigPage < CONFIG_PAGES ? ConfigPage : 0;
    const int item = ConfigItem >= 1 && ConfigItem < CONFIG_ROWS ? ConfigItem : 1;
    int v = level == 0 ? page : level == 1 ? item : ConfigChoice;
    // At most one full turn: a level with no names at all keeps its value.
    for (int tries = 0; tries < CONFIG_STRINGS; tries++) {
        if (forward) {
            v = (v + 1) % 6;
            if (level > 0 && v == 0) v = 1;
        } else {
            v = v - 1 < 0 ? 5 : v - 1;
            if (level > 0 && v == 0) v = 5;
        }
        const char* s = level == 0   ? ConfigTable[v][0][0]
                        : level == 1 ? ConfigTable[page][v][0]
                                     : ConfigTable[page][item][v];
        if (!Empty(s)) break;
    }
    if (level == 0) {
        if (Empty(ConfigTable[v][0][0])) return;
        ConfigPage = v;
        ConfigItem = 1;
        ConfigChoice = StoredChoice(v, 1);
    } else if (level == 1) {
        if (Empty(ConfigTable[page][v][0])) return;
        ConfigItem = v;
        ConfigChoice = StoredChoice(page, v);
    } else {
        if (Empty(ConfigTable[page][item][v])) return;
        ConfigChoice = v;
        SetConfigDigit(page, item, v);
    }
}

static void SpawnControl(int mesh, float rotationZ, float x, float y, float sx, float sy,
                         const float tint[3]) {
    EntityTransform transform;
    EntityLook look;
    DefaultTransform(&transform);
    DefaultLook(&look);
    transform.rotation[2] = rotationZ;
    transform.position[0] = x;
    transform.position[1] = y;
    transform.position[2] = 0.0f;
    transform.scale[0] = sx;
    transform.scale[1] = sy;
    transform.scale[2] = 1.0f;
    look.flags[3] = 1;
    look.tint[0] = tint[0];
    look.tint[1] = tint[1];
    look.tint[2] = tint[2];
    SpawnEntity(mesh, transform, look);
}

void EnterSetup() {
    LoadConfig();
    ConfigPage = 0;
    ConfigItem = 1;
    ConfigChoice = StoredChoice(0, 1);
    ClearDisplayFlags();
    ConfigVisible = 1;
    for (int i = 0; i < SETUP_CONTROL_COUNT; i++)
        SetupHover[i] = SetupPending[i] = 0;

    ClearEntities();
    SpawnMenuCursor();
    static const float orange[3] = {1.0f, 0.6f, 0.2f};
    static const float white[3] = {1.0f, 1.0f, 1.0f};
    // Screen fractions in world units (5 units per screen side).
    const float arrowX = 5.0f / 3.7f;
    SpawnControl(MESH_SELECTOR, 180, -arrowX, -5.0f / 6.2f, 2.0f, 0.6f, orange);
    SpawnControl(MESH_SELECTOR, 0, arrowX, -5.0f / 6.2f, 2.0f, 0.6f, orange);
    SpawnControl(MESH_SELECTOR, 180, -arrowX, -5.0f / 11.2f, 1.4f, 0.6f, orange);
    SpawnControl(MESH_SELECTOR, 0, arrowX, -5.0f / 11.2f, 1.4f, 0.6f, orange);
    SpawnControl(MESH_SELECTOR, 180, -1.0f, 0.2f, 1.4f, 0.6f, orange);
    SpawnControl(MESH_SELECTOR, 0, 1.0f, 0.2f, 1.4f, 0.6f, orange);
    SpawnControl(MESH_PLATE, 0, -5.0f / 3.9f, -1.65f, 0.35f, 0.12f, white);
    SpawnControl(MESH_PLATE, 0, 0.0f, -1.65f, 0.35f, 0.12f, white);
    SpawnControl(MESH_PLATE, 0, 5.0f / 3.9f, -1.65f, 0.35f, 0.12f, white);

    CurrentCamera = CAMERA_MENU;
    ApplyCamera();
}

static void SetTintWhite(int slot) {
    if (slot <= 0 || slot >= MAX_ENTITIES || !EntityTable[slot].inUse) return;
    Entity& e = EntityTable[slot];
    if (e.faces == nullptr) return;
    for (int f = 0; f < e.faceCount; f++)
        e.faces[f].tint[0] = e.faces[f].tint[1] = e.faces[f].tint[2] = 1.0f;
}

static int ControlSlot(int control) {
    return control < SETUP_ACCEPT ? FindEntity(MESH_SELECTOR, control + 1)
                                  : FindEntity(MESH_PLATE, control - SETUP_ACCEPT + 1);
}

static bool AnyPending() {
    for (int i = 0; i < SETUP_CONTROL_COUNT; i++)
        if (SetupPending[i]) return true;
    return false;
}

static void PerformControl(int control) {
    switch (control) {
    case SETUP_PAGE_DOWN:
    case SETUP_PAGE_UP:
    case SETUP_ITEM_DOWN:
    case SETUP_ITEM_UP:
    case SETUP_CHOICE_DOWN:
    case SETUP_CHOICE_UP:
        StepConfig(control / 2, control % 2 == 1);
        break;
    case SETUP_ACCEPT:
        SaveConfig();
        ApplyConfig();
        EnterMainMenu();
        break;
    case SETUP_REINIT:
        WriteDefaultConfig();
        SaveConfig();
        ApplyConfig();
        EnterMainMenu();
        break;
    case SETUP_CANCEL:
        EnterMainMenu();
        break;
    default:
        break;
    }
}

void UpdateSetupScreen() {
    int slot[SETUP_CONTROL_COUNT];
    for (int i = 0; i < SETUP_CONTROL_COUNT; i++)
        slot[i] = ControlSlot(i);
    for (int i = 0; i < SETUP_ACCEPT; i++) {
        if (slot[i] == ENTITY_NONE) continue;
        SetTintWhite(slot[i]);
        EntityTable[slot[i]].scale[2] = 1.0f;
    }

    const int cursor = FindEntity(TYPE_CURSOR, 1);
    int pointed = -1;
    if (cursor != ENTITY_NONE) {
        for (int i = 0; i < SETUP_CONTROL_COUNT && pointed < 0; i++)
            if (slot[i] != ENTITY_NONE && PointerOver(cursor, slot[i])) pointed = i;
    }

    if (pointed >= 0) {
        if (!SetupHover[pointed]) PlayMenuSound(SFX_ROLLOVER);
        for (int i = 0; i < SETUP_CONTROL_COUNT; i++)
            SetupHover[i] = i == pointed;
        if (pointed < SETUP_ACCEPT) {
            const int degrees = ((int)(SetupClockMs() * 0.4) % 360) / 2;
            EntityTable[slot[pointed]].scale[2] = 3.0f * SineTable[degrees];
        } else {
            for (int i = SETUP_ACCEPT; i < SETUP_CONTROL_COUNT; i++) {
                if (i == pointed)
                    FadeToColour(slot[i], MenuGold[0], MenuGold[1], MenuGold[2]);
                else
                    FadeToWhite(slot[i]);
            }
        }
        // One press clicks one control: the one it started on. Sweeping
        // over others with the button held must not queue them too.
        if (FireHeld && !AnyPending()) {
            PlayMenuSound(SFX_CLICK);
            SetupPending[pointed] = 1;
        }
    } else {
        for (int i = SETUP_ACCEPT; i < SETUP_CONTROL_COUNT; i++)
            FadeToWhite(slot[i]);
        for (int i = 0; i < SETUP_CONTROL_COUNT; i++)
            SetupHover[i] = 0;
    }

    if (FireHeld) {
        if (RightHeld) {
            EnterMainMenu();
            // The left button is still down: it must not click a box there.
            MenuClickLatch = 1;
        }
        return;
    }

    for (int i = 0; i < SETUP_CONTROL_COUNT; i++) {
        if (!SetupPending[i]) continue;
        SetupPending[i] = 0;
        PerformControl(i);
        break;
    }

    if (RightHeld && GameState == GS_SETUP) EnterMainMenu();
}
