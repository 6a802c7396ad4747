// The data generator: writes every file the game reads into a game
// directory, deterministically (the same bytes on every run).
#pragma once

#include <string>

// Each writer creates the folders it needs under gameDir and returns false
// (after printing why on stderr) when a file could not be written.
bool WriteMeshes(const std::string& gameDir);   // Mesh/*.asc
bool WriteTextures(const std::string& gameDir); // Texture/*.tga, Orvi/<Episode>/*.tga

// The logo picture keeps its bottom rows as a light strip: the logo mesh's
// stand takes its colour from there, the sign's faces never reach it.
constexpr int LOGO_PICTURE_HEIGHT = 256;
constexpr int LOGO_STAND_ROWS = 16;
constexpr float LOGO_STAND_V = static_cast<float>(LOGO_STAND_ROWS) / LOGO_PICTURE_HEIGHT;
bool WriteFont(const std::string& gameDir);     // Texture/font.tga
bool WriteLayouts(const std::string& gameDir);  // Orvi/episode.pak
bool WriteSamples(const std::string& gameDir);  // Sample/*.ogg
bool WriteMusic(const std::string& gameDir);    // Music/quon.xm
// The desktop icon, not game data: icons/hicolor/<N>x<N>/apps/k3d.png
bool WriteIcons(const std::string& gameDir);
