#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/fs_util.h"

bool WriteLayouts(const std::string& gameDir) {
    return MakeDirs(gameDir + "/Orvi");
}
