// Readers for the generated data used by the asset tests: a file walk, the
// Targa header, and an independent parse of the ASCII mesh files that also
// checks the rules the game's line reader depends on.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace assetcheck {

// A file of the generated game directory, by its path relative to it.
inline std::string GameFile(const std::string& rel) {
    return std::string(K3D_GAME_DIR) + "/" + rel;
}

// Every regular file under root, as paths relative to it, sorted.
std::vector<std::string> ListFiles(const std::string& root);

// Runs the generator built beside the tests into dir; returns its exit status.
int RunGenerator(const std::string& dir);

struct TargaHeader {
    int idLength = 0, colourMapType = 0, imageType = 0;
    int width = 0, height = 0, depth = 0, descriptor = 0;
};
bool ParseTargaHeader(const std::string& bytes, TargaHeader* out);
// Picture pixel (x, y) with y = 0 at the top of the picture (the file
// stores the bottom row first). Returns r, g, b, a (a = 255 for 24 bits).
bool TargaPixel(const std::string& bytes, const TargaHeader& h, int x, int yFromTop,
                uint8_t rgba[4]);

struct AscFace {
    int a, b, c;          // indices into the file's vertex list (object base added)
    std::string material; // from the Material line right after the face
};
struct AscFile {
    std::vector<float> vertices; // x, y, z, u, v per vertex, all objects in order
    std::vector<AscFace> faces;
    int objects = 0;
    std::vector<std::string> problems; // every rule broken, with the line number
};
AscFile ParseAsc(const std::string& text);

// The 37 mesh files the game loads.
const std::vector<std::string>& MeshFileNames();
// The ten fixed textures of Texture/ that the game loads.
const std::vector<std::string>& FixedTextureNames();
extern const char* const EpisodeDirNames[4];

} // namespace assetcheck
