// The data generator: writes every file the game reads into a game
// directory, deterministically (the same bytes on every run).
#pragma once

#include <string>

// Each writer creates the folders it needs under gameDir and returns false
// (after printing why on stderr) when a file could not be written.
bool WriteMeshes(const std::string& gameDir);   // Mesh/*.asc
bool WriteTextures(const std::string& gameDir); // Texture/*.tga, Orvi/<Episode>/*.tga
bool WriteFont(const std::string& gameDir);     // Texture/font.tga
bool WriteLayouts(const std::string& gameDir);  // Orvi/episode.pak
bool WriteSamples(const std::string& gameDir);  // Sample/*.ogg
bool WriteMusic(const std::string& gameDir);    // Music/quon.xm
// The desktop icon, not game data: icons/hicolor/<N>x<N>/apps/k3d.png
bool WriteIcons(const std::string& gameDir);
