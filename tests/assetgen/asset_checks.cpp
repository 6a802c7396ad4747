#include "tests/assetgen/asset_checks.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace assetcheck {

const char* const EpisodeDirNames[4] = {"Arcade", "Jungle", "Ocean", "Street"};

static void Walk(const std::string& root, const std::string& rel, std::vector<std::string>* out) {
    DIR* d = opendir((root + "/" + rel).c_str());
    if (!d) return;
    while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        std::string r = rel.empty() ? name : rel + "/" + name;
        struct stat st;
        if (stat((root + "/" + r).c_str(), &st) != 0) continue;
        if (S_ISDIR(st.st_mode))
            Walk(root, r, out);
        else if (S_ISREG(st.st_mode))
            out->push_back(r);
    }
    closedir(d);
}

std::vector<std::string> ListFiles(const std::string& root) {
    std::vector<std::string> out;
    Walk(root, "", &out);
    std::sort(out.begin(), out.end());
    return out;
}

int RunGenerator(const std::string& dir) {
    // The log goes beside dir, so that a dir that cannot be created still
    // lets the generator run and fail on its own.
    const std::string log = dir + ".log";
    std::string cmd =
        std::string("'") + K3D_GAME_DIR + "/tools/k3d-assetgen' '" + dir + "' > '" + log + "' 2>&1";
    int status = std::system(cmd.c_str());
    std::remove(log.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ParseTargaHeader(const std::string& b, TargaHeader* h) {
    if (b.size() < 18) return false;
    auto u8 = [&](size_t i) { return static_cast<int>(static_cast<uint8_t>(b[i])); };
    h->idLength = u8(0);
    h->colourMapType = u8(1);
    h->imageType = u8(2);
    h->width = u8(12) | (u8(13) << 8);
    h->height = u8(14) | (u8(15) << 8);
    h->depth = u8(16);
    h->descriptor = u8(17);
    return true;
}

bool TargaPixel(const std::string& b, const TargaHeader& h, int x, int yFromTop, uint8_t rgba[4]) {
    const int bpp = h.depth / 8;
    if (x < 0 || x >= h.width || yFromTop < 0 || yFromTop >= h.height || bpp < 1) return false;
    const int fileRow = h.height - 1 - yFromTop;
    const size_t at = 18 + h.idLength + (static_cast<size_t>(fileRow) * h.width + x) * bpp;
    if (at + bpp > b.size()) return false;
    auto u8 = [&](size_t i) { return static_cast<uint8_t>(b[i]); };
    if (bpp == 1) {
        rgba[0] = rgba[1] = rgba[2] = rgba[3] = u8(at);
    } else {
        rgba[0] = u8(at + 2);
        rgba[1] = u8(at + 1);
        rgba[2] = u8(at);
        rgba[3] = bpp == 4 ? u8(at + 3) : 255;
    }
    return true;
}

static bool StartsWith(const std::string& s, const char* w) {
    return s.compare(0, std::strlen(w), w) == 0;
}

// "K:value" the way the game finds it: the key after from, the value two on.
static bool Field(const std::string& line, size_t from, char key, float* value, size_t* at) {
    size_t k = line.find(key, from);
    if (k == std::string::npos || k + 2 > line.size()) return false;
    char* end = nullptr;
    *value = std::strtof(line.c_str() + k + 2, &end);
    if (end == line.c_str() + k + 2) return false;
    *at = k + 2;
    return true;
}

AscFile ParseAsc(const std::string& text) {
    AscFile f;
    std::istringstream in(text);
    std::string line;
    int lineNo = 0, base = 0, objectVertices = 0;
    bool wantMaterial = false;
    auto problem = [&](const std::string& what) {
        f.problems.push_back("line " + std::to_string(lineNo) + ": " + what);
    };
    while (std::getline(in, line)) {
        ++lineNo;
        // The game reads 99 characters at a time: a longer line splits.
        if (line.size() + 1 > 99) problem("longer than the reader's 99 characters");
        if (wantMaterial && !StartsWith(line, "Material")) problem("face without a Material line");
        if (StartsWith(line, "Material")) {
            size_t q1 = line.find('"'), q2 = q1 == std::string::npos ? q1 : line.find('"', q1 + 1);
            if (q2 == std::string::npos) {
                problem("material name not quoted");
            } else if (!wantMaterial) {
                problem("Material line not after a face");
            } else {
                std::string name = line.substr(q1 + 1, q2 - q1 - 1);
                if (name.size() + 4 > 51) problem("material name too long");
                f.faces.back().material = name;
            }
            wantMaterial = false;
        } else if (StartsWith(line, "Vertex") && !StartsWith(line, "Vertex list")) {
            float v[5];
            size_t at = 0;
            bool ok = Field(line, 0, 'X', &v[0], &at) && Field(line, at, 'Y', &v[1], &at) &&
                      Field(line, at, 'Z', &v[2], &at) && Field(line, at, 'U', &v[3], &at) &&
                      Field(line, at, 'V', &v[4], &at);
            if (!ok)
                problem("vertex line without X Y Z U V");
            else
                f.vertices.insert(f.vertices.end(), v, v + 5);
            ++objectVertices;
        } else if (StartsWith(line, "Face") && !StartsWith(line, "Face list")) {
            size_t a = line.find('A');
            size_t b = a == std::string::npos ? a : line.find('B', a + 2);
            size_t c = b == std::string::npos ? b : line.find('C', b + 2);
            size_t blank = c == std::string::npos ? c : line.find(' ', c + 2);
            if (c == std::string::npos || blank == std::string::npos) {
                problem("face line without A B C and a blank after C");
                continue;
            }
            AscFace face{std::atoi(line.c_str() + a + 2), std::atoi(line.c_str() + b + 2),
                         std::atoi(line.c_str() + c + 2), ""};
            for (int idx : {face.a, face.b, face.c})
                if (idx < 0 || idx >= objectVertices) problem("face index outside its object");
            face.a += base;
            face.b += base;
            face.c += base;
            f.faces.push_back(face);
            wantMaterial = true;
        } else if (StartsWith(line, "Named object")) {
            base = static_cast<int>(f.vertices.size() / 5);
            objectVertices = 0;
            ++f.objects;
        }
    }
    if (wantMaterial) problem("last face without a Material line");
    return f;
}

const std::vector<std::string>& MeshFileNames() {
    static std::vector<std::string> names;
    if (names.empty()) {
        names = {"playground.asc", "boule.asc",    "bumper.asc",        "orvi.asc",
                 "menubox.asc",    "arcade.asc",   "jungle.asc",        "ocean.asc",
                 "street.asc",     "raquette.asc", "raquette_fire.asc", "missile.asc",
                 "select.asc",     "plaque.asc",   "splash.asc",        "cursor.asc"};
        for (int i = 1; i <= 12; ++i)
            names.push_back("brique" + std::to_string(i) + ".asc");
        for (int i = 1; i <= 9; ++i)
            names.push_back("bonus" + std::to_string(i) + ".asc");
    }
    return names;
}

const std::vector<std::string>& FixedTextureNames() {
    static const std::vector<std::string> names = {
        "font.tga",          "intro.tga",     "splash.tga",    "orvi.tga",      "mini_splash_G.tga",
        "mini_splash_D.tga", "bg_arcade.tga", "bg_jungle.tga", "bg_street.tga", "bg_ocean.tga"};
    return names;
}

} // namespace assetcheck
