// The setup screen: stepping through the table, the click-on-release rule,
// and what ACCEPT and CANCEL leave in the configuration file.
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>

#include "frontend/frontend.h"
#include "frontend_fixture.h"
#include "platform/platform.h"
#include "shell/game_state.h"
#include "shell/shell.h"
#include "shell/steering.h"
#include "tests/support/test_support.h"

using namespace frontendtest;

namespace {

const char* const Defaults = "221123531122111321111111111111";

void SetAllDigits(const char* digits) {
    for (int p = 0; p < CONFIG_PAGES; p++)
        for (int i = 1; i <= 5; i++)
            SetConfigDigit(p, i, digits[5 * p + i - 1] - '0');
}

const char* Label() {
    return ConfigTable[ConfigPage][ConfigItem][ConfigChoice];
}

// One walk through the table from the first item of VIDEO: each row is a
// step (0 page, 1 item, 2 choice; up or down) and where it lands.
TEST(StepConfig, StepsSkipTheEmptyRowsAndShowTheStoredChoice) {
    const struct {
        const char* rule;
        int which;
        bool up;
        const char* page;
        const char* item;
        const char* label;
    } steps[] = {
        {"the next item shows its stored choice", 1, true, "VIDEO", "Screen Depth", "32"},
        {"then Full Screen", 1, true, "VIDEO", "Full Screen", "ON"},
        {"rows 4 and 5 are empty: back to the first item", 1, true, "VIDEO", "Screen Size",
         "640x480"},
        {"and down again to the last", 1, false, "VIDEO", "Full Screen", "ON"},
        {"the empty pages are skipped down", 0, false, "OPTIONS", "Difficulty", "Normal"},
        {"a choice steps up", 2, true, "OPTIONS", "Difficulty", "Fast"},
        {"and up", 2, true, "OPTIONS", "Difficulty", "Delirium!"},
        {"past the last it wraps to the first", 2, true, "OPTIONS", "Difficulty", "Slow"},
        {"and back down to the last", 2, false, "OPTIONS", "Difficulty", "Delirium!"},
        {"the empty pages are skipped up", 0, true, "VIDEO", "Screen Size", "640x480"},
        {"then SOUND", 0, true, "SOUND", "Music", "50"},
        {"its only item wraps onto itself", 1, true, "SOUND", "Music", "50"},
        {"both ways", 1, false, "SOUND", "Music", "50"},
    };
    SetAllDigits(Defaults);
    ConfigPage = 0;
    ConfigItem = 1;
    ConfigChoice = ConfigDigit(0, 1);
    for (const auto& step : steps) {
        SCOPED_TRACE(step.rule);
        StepConfig(step.which, step.up);
        EXPECT_STREQ(ConfigTable[ConfigPage][0][0], step.page);
        EXPECT_STREQ(ConfigTable[ConfigPage][ConfigItem][0], step.item);
        EXPECT_STREQ(Label(), step.label);
        EXPECT_EQ(ConfigDigit(ConfigPage, ConfigItem), ConfigChoice) << "the choice is stored";
    }
}

// The screen itself, on a configuration file in a temporary game directory.
class SetupScreenTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MakeMenuMeshes();
        mkdir(dir.file("Orvi").c_str(), 0755);
        SetExeDirectory(dir.path().c_str());
        FrameMs = 10;
        FireHeld = RightHeld = false;
        WriteConfig(Defaults);
        SetAllDigits(Defaults);
        GameState = GS_STARTUP; // applying opens no window here
        ApplyConfig();
        GameState = GS_SETUP;
        EnterSetup();
    }
    void TearDown() override {
        FireHeld = RightHeld = false;
        ClearEntities();
        SetExeDirectory(k3dtest::GameDir());
    }
    void WriteConfig(const char* digits) {
        ASSERT_TRUE(k3dtest::WriteWholeFile(dir.file("Orvi/quon.cfg"), digits));
    }
    std::string ConfigFile() {
        std::string bytes;
        k3dtest::ReadWholeFile(dir.file("Orvi/quon.cfg"), &bytes);
        return bytes;
    }
    static int Control(int control) {
        return control < SETUP_ACCEPT ? FindEntity(MESH_SELECTOR, control + 1)
                                      : FindEntity(MESH_PLATE, control - SETUP_ACCEPT + 1);
    }
    static void Frame(int slot, bool fire) {
        PointAt(slot);
        FireHeld = fire;
        UpdateSetupScreen();
    }
    // A press on the control and its release there.
    static void Click(int slot) {
        Frame(slot, true);
        Frame(slot, false);
    }
    k3dtest::TempDir dir;
};

TEST_F(SetupScreenTest, EnteringShowsTheFilesFirstChoiceAndBuildsTheControls) {
    EXPECT_TRUE(ConfigVisible);
    EXPECT_FALSE(MenuLabelsVisible);
    EXPECT_FALSE(TopTenVisible);
    EXPECT_EQ(ConfigPage, 0);
    EXPECT_STREQ(Label(), "640x480");
    for (int i = 0; i < SETUP_CONTROL_COUNT; i++)
        ASSERT_NE(Control(i), ENTITY_NONE) << i;
    EXPECT_GT(Control(SETUP_PAGE_DOWN), FindEntity(TYPE_CURSOR, 1)); // cursor first here
}

TEST_F(SetupScreenTest, APressOnAnArrowStepsOnceOnTheRelease) {
    const int arrow = Control(SETUP_CHOICE_UP);
    Frame(arrow, true);
    Frame(arrow, true);
    EXPECT_STREQ(Label(), "640x480"); // nothing while held
    EXPECT_FLOAT_EQ(EntityTable[Control(SETUP_PAGE_UP)].scale[2], 1.0f);
    Frame(0, false); // released off the arrow
    EXPECT_STREQ(Label(), "800x600");
    for (int i = 0; i < 5; i++)
        Frame(0, false);
    EXPECT_STREQ(Label(), "800x600");
    EXPECT_EQ(GameState, GS_SETUP);
}

TEST_F(SetupScreenTest, HoldingNeverRepeatsAndASweepActsOnce) {
    const int up = Control(SETUP_CHOICE_UP);
    for (int i = 0; i < 30; i++)
        Frame(up, true);
    // Swept over the item arrow, still held, released there: the press
    // belongs to the arrow it started on, and nothing fires later.
    Frame(Control(SETUP_ITEM_UP), true);
    Frame(Control(SETUP_ITEM_UP), false);
    EXPECT_STREQ(Label(), "800x600");
    EXPECT_EQ(ConfigItem, 1);
    Frame(up, false);
    Frame(0, false);
    EXPECT_EQ(ConfigItem, 1);
    EXPECT_STREQ(Label(), "800x600");
    Click(up);
    EXPECT_STREQ(Label(), "1152x864");
}

TEST_F(SetupScreenTest, CancelKeepsTheFileAndTheNextEntryShowsItsValues) {
    Click(Control(SETUP_PAGE_DOWN)); // OPTIONS
    Click(Control(SETUP_CHOICE_UP));
    EXPECT_STREQ(Label(), "Fast");
    Click(Control(SETUP_CANCEL));
    EXPECT_EQ(GameState, GS_MAIN_MENU);
    EXPECT_EQ(ConfigFile(), Defaults);
    EnterSetup();
    StepConfig(0, false);
    EXPECT_STREQ(Label(), "Normal");
}

TEST_F(SetupScreenTest, AcceptWritesTheFileAndAppliesIt) {
    EXPECT_FALSE(ShowFpsOption);
    StepConfig(0, false); // OPTIONS
    StepConfig(1, true);
    StepConfig(1, true); // Show FPS
    EXPECT_STREQ(ConfigTable[2][ConfigItem][0], "Show FPS");
    Click(Control(SETUP_CHOICE_UP));
    EXPECT_STREQ(Label(), "YES");
    const int accept = Control(SETUP_ACCEPT);
    Frame(accept, true);
    EXPECT_EQ(GameState, GS_SETUP);
    EXPECT_LT(TintOf(accept)[2], 1.0f); // fading towards gold
    Frame(accept, false);
    EXPECT_EQ(GameState, GS_MAIN_MENU);
    EXPECT_EQ(ConfigFile(), "221123531122211321111111111111");
    EXPECT_TRUE(ShowFpsOption);
}

TEST_F(SetupScreenTest, ReinitWritesTheDefaults) {
    WriteConfig("111111111111111111111111111111");
    EnterSetup();
    Click(Control(SETUP_REINIT));
    EXPECT_EQ(GameState, GS_MAIN_MENU);
    EXPECT_EQ(ConfigFile(), Defaults);
}

TEST_F(SetupScreenTest, TheRightButtonCancelsWithoutSaving) {
    StepConfig(2, true);
    RightHeld = true;
    Frame(0, false);
    EXPECT_EQ(GameState, GS_MAIN_MENU);
    EXPECT_EQ(ConfigFile(), Defaults);
}

TEST_F(SetupScreenTest, ADamagedDigitShowsTheFirstChoice) {
    WriteConfig("921123531122111321111111111111");
    EnterSetup();
    ASSERT_NE(Label(), nullptr);
    EXPECT_STRNE(Label(), "");
}

TEST_F(SetupScreenTest, BothButtonsLeaveAndTheHeldPressClicksNoBox) {
    RightHeld = true;
    Frame(Control(SETUP_ACCEPT), true);
    EXPECT_EQ(GameState, GS_MAIN_MENU);
    EXPECT_EQ(ConfigFile(), Defaults);
    RightHeld = false;
    PointAt(FindEntity(MESH_MENU_BOX, 1));
    FireHeld = true;
    UpdateMainMenu();
    EXPECT_EQ(GameState, GS_MAIN_MENU);
}

// ACCEPT of a new screen size goes through the real window: it is closed
// and opened again at the new size, with the textures loaded anew.
TEST_F(SetupScreenTest, AcceptOfANewScreenSizeReopensTheWindow) {
    WriteConfig("222123531122111321111111111111"); // windowed 640 x 480
    GameState = GS_STARTUP;
    LoadConfig();
    ApplyConfig();
    ASSERT_FALSE(FullScreen);
    ASSERT_EQ(ScreenWidth(), 640);
    CreateGameWindow(640, 480, 32, true);
    ASSERT_NE(GameWindow, nullptr);
    GameState = GS_SETUP;
    EnterSetup();
    Click(Control(SETUP_CHOICE_UP));
    ASSERT_STREQ(Label(), "800x600");
    Click(Control(SETUP_ACCEPT));
    EXPECT_EQ(GameState, GS_MAIN_MENU);
    EXPECT_EQ(ConfigFile(), "322123531122111321111111111111");
    ASSERT_NE(GameWindow, nullptr);
    EXPECT_EQ(ScreenWidth(), 800);
    EXPECT_EQ(GameWindow->getWidth(), 800);
    EXPECT_EQ(GameWindow->getHeight(), 600);
    EXPECT_EQ(FindEntity(MESH_MENU_BOX, 1) != ENTITY_NONE, true); // the menu is rebuilt
    DestroyGameWindow();
    VideoModeIndex = 1;
}

} // namespace
