#include "tests/imaging_slots/bmp_fixture.h"

#include <vector>

#include "tools/sample_game.h"

std::string Bmp24(int width, int height, const PixelColour& colour, bool topDown) {
  const std::vector<std::uint8_t> bytes = sample::Bmp24Bytes(width, height, colour, topDown);
  return std::string(bytes.begin(), bytes.end());
}

std::string SolidBmp24(int width, int height, std::uint32_t colour) {
  return Bmp24(width, height, [colour](int, int) { return colour; });
}
