#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/fs_util.h"

bool WriteFont(const std::string& gameDir) {
    return MakeDirs(gameDir + "/Texture");
}
