#include <cstdio>
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

// Music 5 is volume 70; view angle 5 is -90; difficulty 4 divides by 3;
// Show FPS 0 is on; bumper 2 is off; full screen 2 is windowed. Out of
// range (size 0, depth 3, full screen 0, music 0, difficulty 5, angle 0),
// a choice keeps its value.
TEST_F(ConfigTest, DigitsBecomeTheirValuesAndOutOfRangeOnesAreIgnored) {
    const struct {
        const char* digits;
        const char* settings;
    } rows[] = {
        {"221123531122111321111111111111",
         "size 1 depth 1 full true music 30 / 20 angle -25 fps false bumper 1"},
        {"030110000150011121111111111111", // Show FPS 0: on
         "size 1 depth 1 full true music 30 / 20 angle -25 fps true bumper 1"},
        {"512115111145021321111111111111",
         "size 4 depth 0 full false music 70 / 3 angle -90 fps true bumper 0"},
    };
    for (const auto& row : rows) {
        Apply(row.digits);
        EXPECT_EQ((testing::Message()
                   << std::boolalpha << "size " << VideoModeIndex << " depth " << DepthIndex
                   << " full " << FullScreen << " music " << MusicVolume << " / "
                   << BonusChanceDivisor << " angle " << ViewAngle << " fps " << ShowFpsOption
                   << " bumper " << UseBumper)
                      .GetString(),
                  row.settings)
            << row.digits;
    }
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

// What a file gives the cells it reads into (all 2 2 1 1 2 3 5 3 ...): a
// missing file keeps them, a short file or bad bytes keep what they do not
// cover with one warning naming the file, a valid file gives no warning and
// a longer one is read to its thirtieth byte.
TEST_F(ConfigTest, LoadKeepsTheCellsTheFileDoesNotGive) {
    const char bad[] = "2A1123631122\0"
                       "11321111111111\r\n";
    const struct {
        const char* rule;
        bool exists;
        std::string bytes;
        const char* cells;
        int warnings;
    } rows[] = {
        {"missing", false, "", "221123531122111321111111111111", 0},
        {"short", true, "52", "521123531122111321111111111111", 1},
        {"CR LF, a letter, a 6 and a NUL", true, std::string(bad, sizeof bad - 1),
         "221123531122111321111111111111", 1},
        {"valid and longer", true, "431123531122111321111111111111\n",
         "431123531122111321111111111111", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        shelltest::LogCapture rowLog;
        std::remove(dir.configFile().c_str());
        if (row.exists) {
            ASSERT_TRUE(WriteWholeFile(dir.configFile(), row.bytes));
        }
        ReadConfigBytes("221123531122111321111111111111", CONFIG_BYTES);
        LoadConfig();
        EXPECT_EQ(Cells(), row.cells);
        const std::string text = rowLog.text();
        EXPECT_NE(text.find("\t- info\tLoading:  Orvi/quon.cfg\n"), std::string::npos) << text;
        int warnings = 0;
        for (size_t at = text.find("\t- warning\t"); at != std::string::npos;
             at = text.find("\t- warning\t", at + 1), warnings++)
            EXPECT_NE(text.find("Orvi/quon.cfg", at), std::string::npos);
        EXPECT_EQ(warnings, row.warnings) << text;
    }
}

