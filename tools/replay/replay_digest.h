// The digest of a game at one frame: what the player sees (state, stage,
// lives, score) and a hash of everything that decides the next frames (the
// object table and the counters of play), as one line of text.
#pragma once

#include <string>

std::string GameDigest();
