#include "tests/imaging_slots/bmp_fixture.h"

namespace {

void Put(std::string* out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

std::string Bmp24(int width, int height, const PixelColour& colour, bool topDown) {
  const int stride = (3 * width + 3) / 4 * 4;
  const std::uint32_t imageSize = static_cast<std::uint32_t>(stride) * height;
  std::string file = "BM";
  Put(&file, 54 + imageSize, 4);
  Put(&file, 0, 4);
  Put(&file, 54, 4);
  Put(&file, 40, 4);
  Put(&file, static_cast<std::uint32_t>(width), 4);
  Put(&file, static_cast<std::uint32_t>(topDown ? -height : height), 4);
  Put(&file, 1, 2);
  Put(&file, 24, 2);
  Put(&file, 0, 4);
  Put(&file, imageSize, 4);
  file.append(16, '\0');  // resolution and colour counts
  for (int stored = 0; stored < height; ++stored) {
    const int row = topDown ? stored : height - 1 - stored;
    for (int x = 0; x < width; ++x) Put(&file, colour(x, row), 3);
    file.append(static_cast<std::size_t>(stride - 3 * width), '\0');
  }
  return file;
}

std::string SolidBmp24(int width, int height, std::uint32_t colour) {
  return Bmp24(width, height, [colour](int, int) { return colour; });
}
