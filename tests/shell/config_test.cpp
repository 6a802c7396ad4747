#include <string>

#include "frontend/frontend.h"
#include "platform/platform.h"
#include "shell/game_state.h"
#include "tests/shell/shell_fixture.h"

using k3dtest::ReadWholeFile;
using k3dtest::WriteWholeFile;

namespace {

const char* const AllOnes = "111111111111111111111111111111";

class ConfigTest : public ::testing::Test {
  protected:
    void SetUp() override {
        GameState = GS_STARTUP; // applying opens no window
        ReadConfigBytes(AllOnes, CONFIG_BYTES);
    }
    void TearDown() override {
        ReadConfigBytes(DefaultConfig, CONFIG_BYTES);
        ApplyConfig();
    }
    std::string FileBytes() {
        std::string bytes;
        ReadWholeFile(dir.configFile(), &bytes);
        return bytes;
    }
    std::string Cells() {
        char out[CONFIG_BYTES];
        WriteConfigBytes(out);
        return std::string(out, CONFIG_BYTES);
    }
    // The cells of a file of these digits, applied.
    void Apply(const char* digits) {
        ReadConfigBytes(digits, CONFIG_BYTES);
        ApplyConfig();
    }
    shelltest::LogCapture log;
    shelltest::GameDirectory dir;
};

} // namespace

TEST_F(ConfigTest, DefaultsAreWrittenAndSavedExactly) {
    WriteDefaultConfig();
    EXPECT_EQ(FileBytes(), "221123531122111321111111111111");
    EXPECT_EQ(Cells(), "221123531122111321111111111111");
    // Saving the loaded defaults writes the same 30 bytes, no line end.
    ReadConfigBytes(AllOnes, CONFIG_BYTES);
    LoadConfig();
    ASSERT_TRUE(WriteWholeFile(dir.configFile(), "garbage that is longer than thirty bytes"));
    SaveConfig();
    EXPECT_EQ(FileBytes(), "221123531122111321111111111111");
}

TEST_F(ConfigTest, EachCellLandsInItsOwnByte) {
    SetConfigDigit(0, 1, 5); // byte 0
    SetConfigDigit(1, 1, 4); // byte 5
    SetConfigDigit(2, 4, 2); // byte 13
    SetConfigDigit(5, 5, 0); // byte 29
    SaveConfig();
    EXPECT_EQ(FileBytes(), "511114111111121111111111111110");
}

TEST_F(ConfigTest, DigitsBecomeTheirValues) {
    Apply("221123531122111321111111111111");
    EXPECT_EQ(VideoModeIndex, 1);
    EXPECT_EQ(DepthIndex, 1);
    EXPECT_TRUE(FullScreen);
    EXPECT_EQ(MusicVolume, 30);
    EXPECT_EQ(BonusChanceDivisor, 20);
    EXPECT_EQ(ViewAngle, -25);
    EXPECT_FALSE(ShowFpsOption);
    EXPECT_EQ(UseBumper, 1);

    // Music 5 is volume 70; view angle 5 is -90; difficulty 4 divides by 3;
    // Show FPS 0 is on; bumper 2 is off; full screen 2 is windowed.
    Apply("512115111145021321111111111111");
    EXPECT_EQ(VideoModeIndex, 4);
    EXPECT_EQ(DepthIndex, 0);
    EXPECT_FALSE(FullScreen);
    EXPECT_EQ(MusicVolume, 70);
    EXPECT_EQ(BonusChanceDivisor, 3);
    EXPECT_EQ(ViewAngle, -90);
    EXPECT_TRUE(ShowFpsOption);
    EXPECT_EQ(UseBumper, 0);
}

TEST_F(ConfigTest, ChoicesOutOfRangeKeepTheirValues) {
    Apply("221123531122111321111111111111");
    // Size 0, depth 3, full screen 0, music 0, difficulty 5, angle 0.
    Apply("030110000150011121111111111111");
    EXPECT_EQ(VideoModeIndex, 1);
    EXPECT_EQ(DepthIndex, 1);
    EXPECT_TRUE(FullScreen);
    EXPECT_EQ(MusicVolume, 30);
    EXPECT_EQ(BonusChanceDivisor, 20);
    EXPECT_EQ(ViewAngle, -25);
}

TEST_F(ConfigTest, ApplyLogsItsStepsInOrder) {
    Apply("221123531122111321111111111111");
    const std::string text = log.text();
    const char* const steps[] = {
        "SYSTEM Applying game config", "SYSTEM Screen size set",
        "SYSTEM Screen depth set",     "SYSTEM Game radius value set",
        "SYSTEM stdfps rate set",      "SYSTEM display/show fps option set"};
    size_t at = 0;
    for (const char* step : steps) {
        const size_t found = text.find(step, at);
        ASSERT_NE(found, std::string::npos) << step << "\n" << text;
        at = found;
    }
    // At start-up no video change opens a window.
    EXPECT_EQ(GameWindow, nullptr);
    EXPECT_EQ(text.find("GL_INIT"), std::string::npos);
}

TEST_F(ConfigTest, LoadLogsTheFileAndKeepsCellsWhenMissing) {
    ReadConfigBytes("321123531122111321111111111111", CONFIG_BYTES);
    LoadConfig(); // no file in the directory
    EXPECT_EQ(Cells(), "321123531122111321111111111111");
    EXPECT_NE(log.text().find("\t- info\tLoading:  Orvi/quon.cfg\n"), std::string::npos);
    EXPECT_EQ(log.text().find("warning"), std::string::npos);
}

TEST_F(ConfigTest, ShortFileKeepsTheMissingCellsWithOneWarning) {
    ASSERT_TRUE(WriteWholeFile(dir.configFile(), "52"));
    LoadConfig();
    EXPECT_EQ(Cells(), "521111111111111111111111111111");
    const std::string text = log.text();
    const size_t warning = text.find("\t- warning\t");
    ASSERT_NE(warning, std::string::npos) << text;
    EXPECT_NE(text.find("Orvi/quon.cfg", warning), std::string::npos);
    EXPECT_EQ(text.find("\t- warning\t", warning + 1), std::string::npos);
}

TEST_F(ConfigTest, BadBytesKeepTheirCells) {
    ReadConfigBytes("221123531122111321111111111111", CONFIG_BYTES);
    // A CR LF editor save, a letter, a 6 and a NUL in the middle.
    std::string bytes = "2A1123631122\0"
                        "11321111111111\r\n";
    ASSERT_TRUE(WriteWholeFile(dir.configFile(), bytes));
    LoadConfig();
    EXPECT_EQ(Cells(), "221123531122111321111111111111");
    EXPECT_NE(log.text().find("\t- warning\t"), std::string::npos);
}

TEST_F(ConfigTest, ValidFileGivesNoWarningAndLongerFilesReadThirtyBytes) {
    ASSERT_TRUE(WriteWholeFile(dir.configFile(), "431123531122111321111111111111\n"));
    LoadConfig();
    EXPECT_EQ(Cells(), "431123531122111321111111111111");
    EXPECT_EQ(log.text().find("warning"), std::string::npos);
}

TEST_F(ConfigTest, ReadConfigBytesCountsWhatItKept) {
    EXPECT_EQ(ReadConfigBytes("221123531122111321111111111111", CONFIG_BYTES), 0);
    EXPECT_EQ(ReadConfigBytes("2", 1), 29);
    EXPECT_EQ(ReadConfigBytes("", 0), 30);
    EXPECT_EQ(ReadConfigBytes("9999", 4), 30);
    EXPECT_EQ(Cells(), "221123531122111321111111111111");
}
