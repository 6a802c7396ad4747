// The executable directory, where the game's files are, and the path tool
// every data file goes through.
#include "platform/platform.h"

#include <SDL.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#ifndef K3D_DATA_FROM_EXE
#define K3D_DATA_FROM_EXE "../share/k3d"
#endif

char ExeDirectory[MAX_PATH_CHARS];
static char ExeDirectoryCopy[MAX_PATH_CHARS];
char PathBuffer[MAX_PATH_CHARS];
GameDirectories GameDirs;
const char* const InstalledDataFromExe = K3D_DATA_FROM_EXE;

// Bounded copies; false when the text was cut to the buffer.
static bool CopyText(char* out, size_t size, const char* text) {
    size_t length = std::strlen(text);
    const bool fits = length < size;
    if (!fits) length = size - 1;
    std::memcpy(out, text, length);
    out[length] = '\0';
    return fits;
}
static bool JoinText(char* out, size_t size, const char* dir, const char* name) {
    if (!CopyText(out, size, dir)) return false;
    const size_t used = std::strlen(out);
    return CopyText(out + used, size - used, "/") &&
           CopyText(out + used + 1, size - used - 1, name);
}

bool HoldsGameData(const char* dir) {
    // The brick layouts are in every data tree and in nothing else.
    char marker[MAX_PATH_CHARS + 32];
    struct stat info;
    return JoinText(marker, sizeof(marker), dir, "Orvi/episode.pak") && stat(marker, &info) == 0 &&
           S_ISREG(info.st_mode);
}

static bool MayWriteBeside(const char* dir) {
    char orvi[MAX_PATH_CHARS + 8];
    return JoinText(orvi, sizeof(orvi), dir, "Orvi") && access(dir, W_OK) == 0 &&
           access(orvi, W_OK) == 0;
}

// $VARIABLE/k3d when the variable holds an absolute path (the base
// directory rules ignore relative ones), else $HOME/fallback/k3d.
static void UserBaseDirectory(char* out, size_t size, const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') {
        JoinText(out, size, value, "k3d");
        return;
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        const struct passwd* account = getpwuid(getuid());
        home = account != nullptr && account->pw_dir != nullptr && account->pw_dir[0] == '/'
                   ? account->pw_dir
                   : ".";
    }
    char base[MAX_PATH_CHARS];
    JoinText(base, sizeof(base), home, fallback);
    JoinText(out, size, base, "k3d");
}

void ResolveGameDirectories(const char* exeDir, GameDirectories* dirs) {
    if (HoldsGameData(exeDir)) {
        CopyText(dirs->data, sizeof(dirs->data), exeDir);
        dirs->besideExecutable = MayWriteBeside(exeDir);
    } else {
        char installed[MAX_PATH_CHARS * 2];
        if (InstalledDataFromExe[0] == '/') {
            CopyText(installed, sizeof(installed), InstalledDataFromExe);
        } else {
            JoinText(installed, sizeof(installed), exeDir, InstalledDataFromExe);
        }
        char real[PATH_MAX];
        if (!HoldsGameData(installed)) {
            // No data anywhere: the loaders report each missing file.
            CopyText(dirs->data, sizeof(dirs->data), exeDir);
        } else if (realpath(installed, real) != nullptr) {
            CopyText(dirs->data, sizeof(dirs->data), real);
        } else {
            CopyText(dirs->data, sizeof(dirs->data), installed);
        }
        dirs->besideExecutable = false;
    }
    if (dirs->besideExecutable) {
        CopyText(dirs->user, sizeof(dirs->user), exeDir);
        CopyText(dirs->log, sizeof(dirs->log), exeDir);
    } else {
        UserBaseDirectory(dirs->user, sizeof(dirs->user), "XDG_DATA_HOME", ".local/share");
        UserBaseDirectory(dirs->log, sizeof(dirs->log), "XDG_STATE_HOME", ".local/state");
    }
}

void InitExeDirectory() {
    char path[MAX_PATH_CHARS];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    path[length > 0 ? length : 0] = '\0';
    // Cut at the last slash, but never at the first character: "/k3d" keeps "/".
    for (ssize_t i = length - 1; i >= 1; --i) {
        if (path[i] == '/') {
            path[i] = '\0';
            break;
        }
    }
    std::snprintf(ExeDirectory, sizeof(ExeDirectory), "%s", path);
    ResolveGameDirectories(ExeDirectory, &GameDirs);
    initClock();
}

void SetExeDirectory(const char* dir) {
    std::snprintf(ExeDirectory, sizeof(ExeDirectory), "%s", dir);
    CopyText(GameDirs.data, sizeof(GameDirs.data), dir);
    CopyText(GameDirs.user, sizeof(GameDirs.user), dir);
    CopyText(GameDirs.log, sizeof(GameDirs.log), dir);
    GameDirs.besideExecutable = true;
}

const char* GetExeDirectory() {
    if (ExeDirectory[0] == '\0') InitExeDirectory();
    std::snprintf(ExeDirectoryCopy, sizeof(ExeDirectoryCopy), "%s", ExeDirectory);
    return ExeDirectoryCopy;
}

// Joins relative to base into out (MAX_PATH_CHARS); false for a drive
// path, which stands alone, and for a result cut to the buffer.
static bool JoinTo(char* out, const char* base, const char* relative) {
    out[0] = '\0';
    if (relative == nullptr) relative = "";
    if (*relative == '\\' || *relative == ':' || *relative == '/') ++relative;
    bool joined = false;
    if (relative[0] != '\0' && relative[1] == ':') {
        std::snprintf(out, MAX_PATH_CHARS, "%s", relative);
    } else {
        // Cut to the buffer, as the Windows code did.
        joined = JoinText(out, MAX_PATH_CHARS, base, relative);
    }
    for (char* c = out; *c != '\0'; ++c) {
        if (*c == '\\') *c = '/';
    }
    return joined;
}

// mkdir -p of everything before the last slash; failures show up later,
// when the file itself cannot be opened.
static void MakeParentDirectories(const char* path) {
    char partial[MAX_PATH_CHARS];
    if (!CopyText(partial, sizeof(partial), path)) return;
    for (char* c = partial + 1; *c != '\0'; ++c) {
        if (*c != '/') continue;
        *c = '\0';
        mkdir(partial, 0700);
        *c = '/';
    }
}

const char* pathJoin(const char* relative) {
    if (ExeDirectory[0] == '\0') InitExeDirectory();
    JoinTo(PathBuffer, GameDirs.data, relative);
    return PathBuffer;
}

void dataPathJoin(char out[MAX_PATH_CHARS], const char* relative) {
    JoinTo(out, GameDirs.data, relative);
}

const char* writablePathJoin(const char* relative) {
    if (ExeDirectory[0] == '\0') InitExeDirectory();
    // The player's folders are made on first use; beside the executable
    // everything is there already, and nothing changes from a plain build.
    if (JoinTo(PathBuffer, GameDirs.user, relative) && !GameDirs.besideExecutable)
        MakeParentDirectories(PathBuffer);
    return PathBuffer;
}

const char* logFilePath(const char* name) {
    static char path[MAX_PATH_CHARS];
    if (ExeDirectory[0] == '\0') InitExeDirectory();
    if (JoinText(path, sizeof(path), GameDirs.log, name) && !GameDirs.besideExecutable)
        MakeParentDirectories(path);
    return path;
}

void showMessageBox(const char* title, const char* text) {
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, title, text, SDL_GL_GetCurrentWindow());
}
