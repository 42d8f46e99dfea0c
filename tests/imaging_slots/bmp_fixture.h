// Small 24-bit BMP files built in memory for the image-slot tests.
#pragma once

#include <cstdint>
#include <string>

#include "tools/sample_game.h"

using sample::PixelColour;

// A complete 24-bit BMP file (rows padded to 4 bytes, bottom-up unless
// `topDown`, which stores them top row first under a negative height).
std::string Bmp24(int width, int height, const PixelColour& colour, bool topDown = false);

// A uniform image.
std::string SolidBmp24(int width, int height, std::uint32_t colour);
