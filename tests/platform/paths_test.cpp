#include <gtest/gtest.h>

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

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

// ---------------------------------------------------------------------------
// Where the data is read and the player's files are written.
// ---------------------------------------------------------------------------
namespace {

enum Layout {
    DATA_BESIDE,    // exe/ holds the data tree
    DATA_INSTALLED, // exe/<InstalledDataFromExe> holds it
    DATA_NOWHERE,
};
enum Expect { AT_EXE, AT_INSTALLED, AT_XDG, AT_HOME_DEFAULT };

struct PlaceCase {
    const char* name;
    Layout layout;
    bool exeWritable;
    bool orviWritable;
    const char* xdgData;  // nullptr: unset; "ABS" = <temp>/xdg-data
    const char* xdgState; // nullptr: unset; "ABS" = <temp>/xdg-state
    Expect data;
    Expect user; // the log follows the same rule with the state variable
};

const PlaceCase PlaceCases[] = {
    {"build tree", DATA_BESIDE, true, true, "ABS", "ABS", AT_EXE, AT_EXE},
    {"read-only unpacked folder", DATA_BESIDE, false, false, "ABS", "ABS", AT_EXE, AT_XDG},
    {"read-only Orvi folder", DATA_BESIDE, true, false, "ABS", "ABS", AT_EXE, AT_XDG},
    {"installed, read-only prefix", DATA_INSTALLED, false, false, "ABS", "ABS", AT_INSTALLED,
     AT_XDG},
    {"installed, writable prefix", DATA_INSTALLED, true, true, "ABS", "ABS", AT_INSTALLED, AT_XDG},
    {"installed, no XDG variables", DATA_INSTALLED, false, false, nullptr, nullptr, AT_INSTALLED,
     AT_HOME_DEFAULT},
    {"installed, relative XDG variables", DATA_INSTALLED, false, false, "rel/data", "rel/state",
     AT_INSTALLED, AT_HOME_DEFAULT},
    {"no data anywhere", DATA_NOWHERE, true, true, "ABS", "ABS", AT_EXE, AT_XDG},
};

void MakeDirs(const std::string& path, mode_t mode) {
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '/') mkdir(path.substr(0, at).c_str(), mode);
    }
}

void PutDataTree(const std::string& dir) {
    MakeDirs(dir + "/Orvi", 0755);
    ASSERT_TRUE(k3dtest::WriteWholeFile(dir + "/Orvi/episode.pak", "layouts"));
}

// Resolves as a player would. Root may write anywhere, so a root test
// resolves in a child that has become "nobody"; the answer comes back
// through a pipe.
GameDirectories ResolveAsPlayer(const std::string& exeDir) {
    GameDirectories dirs{};
    if (geteuid() != 0) {
        ResolveGameDirectories(exeDir.c_str(), &dirs);
        return dirs;
    }
    int channel[2];
    if (pipe(channel) != 0) return dirs;
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        GameDirectories found{};
        if (setgid(65534) == 0 && setuid(65534) == 0)
            ResolveGameDirectories(exeDir.c_str(), &found);
        const ssize_t sent = write(channel[1], &found, sizeof(found));
        _exit(sent == (ssize_t)sizeof(found) ? 0 : 1);
    }
    close(channel[1]);
    size_t got = 0;
    while (got < sizeof(dirs)) {
        const ssize_t n =
            read(channel[0], reinterpret_cast<char*>(&dirs) + got, sizeof(dirs) - got);
        if (n <= 0) break;
        got += (size_t)n;
    }
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return dirs;
}

void SetOrUnset(const char* name, const char* value) {
    if (value == nullptr) {
        unsetenv(name);
    } else {
        setenv(name, value, 1);
    }
}

std::string RealPath(const std::string& path) {
    char real[PATH_MAX];
    return realpath(path.c_str(), real) ? std::string(real) : path;
}

class GamePlaces : public ::testing::TestWithParam<PlaceCase> {
  protected:
    void SetUp() override {
        for (const char* name : {"XDG_DATA_HOME", "XDG_STATE_HOME", "HOME"}) {
            const char* value = std::getenv(name);
            saved_.push_back(value ? std::make_pair(true, std::string(value))
                                   : std::make_pair(false, std::string()));
        }
        // The player ("nobody" under root) must see into the temp tree.
        chmod(root_.path().c_str(), 0755);
    }
    void TearDown() override {
        const char* names[] = {"XDG_DATA_HOME", "XDG_STATE_HOME", "HOME"};
        for (int i = 0; i < 3; ++i)
            SetOrUnset(names[i], saved_[i].first ? saved_[i].second.c_str() : nullptr);
        // Make everything removable again for a non-root run.
        for (const std::string& dir : lockedDirs_)
            chmod(dir.c_str(), 0755);
    }
    void lock(const std::string& dir) {
        chmod(dir.c_str(), 0555);
        lockedDirs_.push_back(dir);
    }

    k3dtest::TempDir root_;
    std::vector<std::pair<bool, std::string>> saved_;
    std::vector<std::string> lockedDirs_;
};

} // namespace

TEST_P(GamePlaces, DataUserAndLogDirectoriesFollowTheInstall) {
    const PlaceCase& c = GetParam();
    const std::string top = root_.path();
    const std::string exe = top + "/prefix/bin";
    const std::string installed = exe + "/" + InstalledDataFromExe;
    MakeDirs(exe, 0755);
    if (c.layout == DATA_BESIDE) PutDataTree(exe);
    if (c.layout == DATA_INSTALLED) PutDataTree(installed);
    // Writable means writable by anyone, so "nobody" may write there too.
    if (c.exeWritable) chmod(exe.c_str(), 0777);
    if (c.orviWritable && c.layout == DATA_BESIDE) chmod((exe + "/Orvi").c_str(), 0777);
    if (!c.exeWritable) lock(exe);
    if (!c.orviWritable && c.layout == DATA_BESIDE) lock(exe + "/Orvi");

    const std::string home = top + "/home";
    setenv("HOME", home.c_str(), 1);
    const std::string xdgData = top + "/xdg-data", xdgState = top + "/xdg-state";
    auto pick = [](const char* given, const std::string& absolute) -> const char* {
        if (given == nullptr) return nullptr;
        return std::string(given) == "ABS" ? absolute.c_str() : given;
    };
    SetOrUnset("XDG_DATA_HOME", pick(c.xdgData, xdgData));
    SetOrUnset("XDG_STATE_HOME", pick(c.xdgState, xdgState));

    const GameDirectories dirs = ResolveAsPlayer(exe);

    auto where = [&](Expect e, bool state) -> std::string {
        switch (e) {
        case AT_EXE:
            return exe;
        case AT_INSTALLED:
            return RealPath(installed);
        case AT_XDG:
            return (state ? xdgState : xdgData) + "/k3d";
        case AT_HOME_DEFAULT:
            return home + (state ? "/.local/state/k3d" : "/.local/share/k3d");
        }
        return "";
    };
    EXPECT_EQ(std::string(dirs.data), where(c.data, false)) << c.name;
    EXPECT_EQ(std::string(dirs.user), where(c.user, false)) << c.name;
    EXPECT_EQ(std::string(dirs.log), where(c.user, true)) << c.name;
    EXPECT_EQ(dirs.besideExecutable, c.user == AT_EXE) << c.name;
    // Resolving creates nothing: folders are made when first written.
    EXPECT_FALSE(k3dtest::FileExists(home)) << c.name;
    EXPECT_FALSE(k3dtest::FileExists(xdgData)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Layouts, GamePlaces, ::testing::ValuesIn(PlaceCases),
                         [](const ::testing::TestParamInfo<PlaceCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (!std::isalnum((unsigned char)ch)) ch = '_';
                             return name;
                         });

TEST(GamePlaces, WritableJoinsGoToTheUserFolderAndMakeItsFolders) {
    k3dtest::TempDir top;
    const std::string data = top.path() + "/share/k3d", user = top.path() + "/user/k3d",
                      log = top.path() + "/state/k3d";
    SetExeDirectory(data.c_str());
    std::snprintf(GameDirs.user, sizeof(GameDirs.user), "%s", user.c_str());
    std::snprintf(GameDirs.log, sizeof(GameDirs.log), "%s", log.c_str());
    GameDirs.besideExecutable = false;

    EXPECT_EQ(std::string(pathJoin("Orvi\\episode.pak")), data + "/Orvi/episode.pak");
    EXPECT_FALSE(k3dtest::FileExists(data)); // reading makes nothing
    EXPECT_EQ(std::string(writablePathJoin("Orvi\\quon.cfg")), user + "/Orvi/quon.cfg");
    EXPECT_TRUE(k3dtest::FileExists(user + "/Orvi"));
    EXPECT_EQ(std::string(writablePathJoin("/screenshot1.tga")), user + "/screenshot1.tga");
    // A drive path stands alone and makes no folder.
    EXPECT_STREQ(writablePathJoin("D:\\x\\y.tga"), "D:/x/y.tga");
    EXPECT_FALSE(k3dtest::FileExists("D:"));
    EXPECT_EQ(std::string(logFilePath("log.txt")), log + "/log.txt");
    EXPECT_TRUE(k3dtest::FileExists(log));
    EXPECT_FALSE(k3dtest::FileExists(data));

    SetExeDirectory(k3dtest::GameDir());
}
