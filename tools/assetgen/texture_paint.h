// Painters of the game's pictures, shared by the texture writers.
#pragma once

#include "tools/assetgen/image.h"

#include <string>

enum Episode { EP_ARCADE = 0, EP_JUNGLE = 1, EP_OCEAN = 2, EP_STREET = 3, EPISODE_COUNT = 4 };

// Directory names under Orvi/, by episode number.
extern const char* const EpisodeDirs[EPISODE_COUNT];

// The twelve brick kinds keep one colour family in every episode.
Rgba BrickColour(int episode, int kind);

Image PaintPlayground(int episode, int size);
Image PaintRails(int episode);
Image PaintBrick(int episode, int kind);
Image PaintBall(int episode);
Image PaintBumper(int episode);
Image PaintShip(int episode);
Image PaintMissile(int episode);
Image PaintCapsule(int kind);
Image PaintBoard(int boardEpisode);
Image PaintMenuBox(int episode);
Image PaintPlate(int episode);
Image PaintSelectArrow();
Image PaintCursor(int episode);

// Writes every material texture of one episode; false when a file failed.
bool WriteEpisodeMaterials(const std::string& dir, int episode);
