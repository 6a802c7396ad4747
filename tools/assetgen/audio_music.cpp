// The game's music module: five tunes in one XM file.
#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/fs_util.h"

bool WriteMusic(const std::string& gameDir) {
    if (!UsableGameDir(gameDir)) return false;
    return MakeDirs(gameDir + "/Music");
}
