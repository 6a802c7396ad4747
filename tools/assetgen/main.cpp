// k3d-assetgen GAME_DIR: writes the whole data tree of the game.
#include "tools/assetgen/assetgen.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: k3d-assetgen GAME_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    ok = WriteMeshes(dir) && ok;
    ok = WriteTextures(dir) && ok;
    ok = WriteFont(dir) && ok;
    ok = WriteLayouts(dir) && ok;
    ok = WriteSamples(dir) && ok;
    ok = WriteMusic(dir) && ok;
    ok = WriteIcons(dir) && ok;
    if (!ok) {
        fprintf(stderr, "k3d-assetgen: some files could not be written\n");
        return 1;
    }
    return 0;
}
