#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

#include "platform/platform.h"
#include "tests/support/test_support.h"

namespace {

class PathTest : public ::testing::Test {
  protected:
    void SetUp() override { SetExeDirectory("/games/X"); }
    void TearDown() override { SetExeDirectory(k3dtest::GameDir()); }
};

} // namespace

TEST_F(PathTest, JoinsRelativeLeadingSlashAndDrivePaths) {
    EXPECT_STREQ(pathJoin("Texture\\font.tga"), "/games/X/Texture/font.tga");
    EXPECT_STREQ(pathJoin("/Orvi/quon.cfg"), "/games/X/Orvi/quon.cfg");
    EXPECT_STREQ(pathJoin("\\Orvi\\Arcade\\brick.tga"), "/games/X/Orvi/Arcade/brick.tga");
    EXPECT_STREQ(pathJoin(":scores.txt"), "/games/X/scores.txt");
    // Only one leading separator is skipped.
    EXPECT_STREQ(pathJoin("//Mesh/a.asc"), "/games/X//Mesh/a.asc");
    // A drive path stands alone, with its back slashes turned.
    EXPECT_STREQ(pathJoin("D:\\data\\a.tga"), "D:/data/a.tga");
    EXPECT_STREQ(pathJoin("\\D:\\data\\a.tga"), "D:/data/a.tga");
    // Names stay case-exact.
    EXPECT_STREQ(pathJoin("Mesh\\Ship.ASC"), "/games/X/Mesh/Ship.ASC");
}

TEST_F(PathTest, EveryCallOverwritesTheSharedBuffer) {
    const char* first = pathJoin("a");
    const std::string copy = first;
    const char* second = pathJoin("b");
    EXPECT_EQ(first, second);
    EXPECT_EQ(copy, "/games/X/a");
    EXPECT_STREQ(second, "/games/X/b");
}

TEST_F(PathTest, OverlongPathsAreCutInsideTheBuffer) {
    const std::string name(600, 'n');
    const char* joined = pathJoin(name.c_str());
    EXPECT_EQ(std::string(joined).size(), (size_t)MAX_PATH_CHARS - 1);
    EXPECT_EQ(std::string(joined).rfind("/games/X/n", 0), 0u);
    const std::string drive = "C:" + std::string(600, 'd');
    EXPECT_EQ(std::string(pathJoin(drive.c_str())).size(), (size_t)MAX_PATH_CHARS - 1);
}

TEST(ExeDirectory, IsTheDirectoryOfTheRunningBinary) {
    InitExeDirectory();
    char self[512];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
    ASSERT_GT(n, 0);
    self[n] = '\0';
    std::string dir(self);
    dir = dir.substr(0, dir.rfind('/'));
    EXPECT_EQ(std::string(GetExeDirectory()), dir);
    // A test binary lives in the game directory with the data.
    EXPECT_EQ(std::string(GetExeDirectory()), std::string(k3dtest::GameDir()));
    EXPECT_EQ(std::string(pathJoin("Orvi\\quon.cfg")), dir + "/Orvi/quon.cfg");
}
