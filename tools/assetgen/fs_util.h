// Small file helpers shared by the data writers.
#pragma once

#include <string>

// False (with the reason on stderr) for a game directory that is no
// directory at all: an empty argument would otherwise write under "/".
bool UsableGameDir(const std::string& gameDir);
// Creates dir and every missing parent; returns false when it cannot.
bool MakeDirs(const std::string& dir);
// Writes bytes to path in one go; prints why on stderr when it fails.
bool WriteFileBytes(const std::string& path, const void* data, size_t size);
