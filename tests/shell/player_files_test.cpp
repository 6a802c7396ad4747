// The files a player keeps (settings, top ten, score block) are read and
// written in the user folder, never in the data folder, which may be a
// read-only install.
#include <string>
#include <sys/stat.h>

#include "platform/platform.h"
#include "scores/scores.h"
#include "shell/game_state.h"
#include "tests/shell/shell_fixture.h"

using k3dtest::FileExists;
using k3dtest::ReadWholeFile;
using k3dtest::WriteWholeFile;

namespace {

class PlayerFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteConfigBytes(savedCells_);
        data_ = top_.path() + "/share/k3d";
        user_ = top_.path() + "/home/.local/share/k3d";
        mkdir((top_.path() + "/share").c_str(), 0755);
        mkdir(data_.c_str(), 0755);
        mkdir((data_ + "/Orvi").c_str(), 0755);
        // A stray settings file in the data must not be taken for the player's.
        ASSERT_TRUE(WriteWholeFile(data_ + "/Orvi/quon.cfg", "555555555555555555555555555555"));
        SetExeDirectory(data_.c_str());
        std::snprintf(GameDirs.user, sizeof(GameDirs.user), "%s", user_.c_str());
        GameDirs.besideExecutable = false;
        GameState = GS_STARTUP; // applying opens no window
    }
    void TearDown() override {
        ReadConfigBytes(savedCells_, CONFIG_BYTES);
        ClearScoreTable();
        SetExeDirectory(k3dtest::GameDir());
    }
    std::string Cells() {
        char out[CONFIG_BYTES];
        WriteConfigBytes(out);
        return std::string(out, CONFIG_BYTES);
    }

    shelltest::LogCapture log_;
    k3dtest::TempDir top_;
    std::string data_, user_;
    char savedCells_[CONFIG_BYTES];
};

} // namespace

TEST_F(PlayerFiles, FirstStartFindsNoSettingsAndSavesInTheUserFolder) {
    const char* firstStart = "111111111111111111111111111111";
    ReadConfigBytes(firstStart, CONFIG_BYTES);
    LoadConfig();
    EXPECT_EQ(Cells(), firstStart); // as a first start: nothing read

    SaveConfig();
    std::string saved;
    ASSERT_TRUE(ReadWholeFile(user_ + "/Orvi/quon.cfg", &saved));
    EXPECT_EQ(saved, firstStart);

    ASSERT_TRUE(WriteWholeFile(user_ + "/Orvi/quon.cfg", "222123531122111321111111111111"));
    LoadConfig();
    EXPECT_EQ(Cells(), "222123531122111321111111111111");

    std::string stray;
    ASSERT_TRUE(ReadWholeFile(data_ + "/Orvi/quon.cfg", &stray));
    EXPECT_EQ(stray, "555555555555555555555555555555");
}

TEST_F(PlayerFiles, TopTenAndScoreBlockLiveInTheUserFolder) {
    ClearScoreTable();
    InsertScore("ada", 1200);
    SaveScoreFile();
    SaveScoreBlock();
    EXPECT_TRUE(FileExists(user_ + "/scores.txt"));
    EXPECT_TRUE(FileExists(user_ + "/Orvi/scores.dat"));
    EXPECT_FALSE(FileExists(data_ + "/scores.txt"));
    EXPECT_FALSE(FileExists(data_ + "/Orvi/scores.dat"));

    ClearScoreTable();
    ASSERT_TRUE(LoadScoreFile());
    EXPECT_STREQ(ScoreTable[0].name, "ada");
    EXPECT_EQ(ScoreTable[0].score, 1200);
}
