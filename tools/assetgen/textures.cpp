#include "tools/assetgen/assetgen.h"
#include "tools/assetgen/fs_util.h"

bool WriteTextures(const std::string& gameDir) {
    bool ok = MakeDirs(gameDir + "/Texture");
    for (const char* ep : {"Arcade", "Jungle", "Ocean", "Street"})
        ok = MakeDirs(gameDir + "/Orvi/" + ep) && ok;
    return ok;
}
