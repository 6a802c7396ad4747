// The top ten and the score block are read and written in the user folder,
// never in the data folder, which may be a read-only install (the settings
// file's place is the install test's).
#include <string>
#include <sys/stat.h>

#include "platform/platform.h"
#include "scores/scores.h"
#include "tests/shell/shell_fixture.h"

using k3dtest::FileExists;

namespace {

class PlayerFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        data_ = top_.path() + "/share/k3d";
        user_ = top_.path() + "/home/.local/share/k3d";
        mkdir((top_.path() + "/share").c_str(), 0755);
        mkdir(data_.c_str(), 0755);
        mkdir((data_ + "/Orvi").c_str(), 0755);
        SetExeDirectory(data_.c_str());
        std::snprintf(GameDirs.user, sizeof(GameDirs.user), "%s", user_.c_str());
        GameDirs.besideExecutable = false;
    }
    void TearDown() override {
        ClearScoreTable();
        SetExeDirectory(k3dtest::GameDir());
    }
    shelltest::LogCapture log_;
    k3dtest::TempDir top_;
    std::string data_, user_;
};

} // namespace

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
