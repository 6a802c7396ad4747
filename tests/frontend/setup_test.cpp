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

TEST(StepConfig, PagesSkipTheEmptyOnesBothWays) {
    SetAllDigits(Defaults);
    ConfigPage = 0;
    StepConfig(0, false);
    EXPECT_EQ(ConfigPage, 2);
    EXPECT_STREQ(ConfigTable[ConfigPage][0][0], "OPTIONS");
    EXPECT_EQ(ConfigItem, 1);
    EXPECT_STREQ(Label(), "Normal"); // the stored digit of the new page's first item
    StepConfig(0, true);
    EXPECT_EQ(ConfigPage, 0);
    StepConfig(0, true);
    EXPECT_STREQ(ConfigTable[ConfigPage][0][0], "SOUND");
    EXPECT_STREQ(Label(), "50");
}

TEST(StepConfig, TheOnlySoundItemWrapsOntoItself) {
    SetAllDigits(Defaults);
    ConfigPage = 1;
    ConfigItem = 1;
    StepConfig(1, true);
    EXPECT_EQ(ConfigItem, 1);
    StepConfig(1, false);
    EXPECT_EQ(ConfigItem, 1);
    EXPECT_STREQ(ConfigTable[1][ConfigItem][0], "Music");
}

TEST(StepConfig, DifficultyCyclesBothWaysAndStoresTheDigit) {
    SetAllDigits(Defaults);
    ConfigPage = 2;
    ConfigItem = 1;
    ConfigChoice = 1;
    const char* forward[] = {"Normal", "Fast", "Delirium!", "Slow"};
    for (const char* expected : forward) {
        StepConfig(2, true);
        EXPECT_STREQ(Label(), expected);
        EXPECT_EQ(ConfigDigit(2, 1), ConfigChoice);
    }
    StepConfig(2, false);
    EXPECT_STREQ(Label(), "Delirium!");
    EXPECT_EQ(ConfigDigit(2, 1), 4);
}

TEST(StepConfig, ItemsOfVideoStepInOrderAndShowTheirStoredChoice) {
    SetAllDigits(Defaults);
    ConfigPage = 0;
    ConfigItem = 1;
    StepConfig(1, true);
    EXPECT_STREQ(ConfigTable[0][ConfigItem][0], "Screen Depth");
    EXPECT_STREQ(Label(), "32");
    StepConfig(1, true);
    StepConfig(1, true); // rows 4 and 5 are empty: back to the first item
    EXPECT_EQ(ConfigItem, 1);
    StepConfig(1, false);
    EXPECT_STREQ(ConfigTable[0][ConfigItem][0], "Full Screen");
    EXPECT_STREQ(Label(), "ON");
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
