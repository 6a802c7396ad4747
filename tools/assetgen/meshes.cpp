#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/fs_util.h"

bool WriteMeshes(const std::string& gameDir) {
    return MakeDirs(gameDir + "/Mesh");
}
