// The executable directory and the path tool every data file goes through.
#include "platform/platform.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <unistd.h>

char ExeDirectory[MAX_PATH_CHARS];
static char ExeDirectoryCopy[MAX_PATH_CHARS];
char PathBuffer[MAX_PATH_CHARS];

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
    initClock();
}

void SetExeDirectory(const char* dir) {
    std::snprintf(ExeDirectory, sizeof(ExeDirectory), "%s", dir);
}

const char* GetExeDirectory() {
    if (ExeDirectory[0] == '\0') InitExeDirectory();
    std::snprintf(ExeDirectoryCopy, sizeof(ExeDirectoryCopy), "%s", ExeDirectory);
    return ExeDirectoryCopy;
}

const char* pathJoin(const char* relative) {
    PathBuffer[0] = '\0';
    if (ExeDirectory[0] == '\0') InitExeDirectory();
    if (relative == nullptr) relative = "";
    if (*relative == '\\' || *relative == ':' || *relative == '/') ++relative;
    if (relative[0] != '\0' && relative[1] == ':') {
        std::snprintf(PathBuffer, sizeof(PathBuffer), "%s", relative);
    } else {
        // Cut to the buffer, as the Windows code did.
        if (std::snprintf(PathBuffer, sizeof(PathBuffer), "%s/%s", ExeDirectory, relative) < 0) {
            PathBuffer[0] = '\0';
        }
    }
    for (char* c = PathBuffer; *c != '\0'; ++c) {
        if (*c == '\\') *c = '/';
    }
    return PathBuffer;
}

void showMessageBox(const char* title, const char* text) {
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, title, text, SDL_GL_GetCurrentWindow());
}
