// Stretching an image onto another size, each axis on its own: the entry
// points and the nearest-pixel mode. The smooth mode (an area average) lives
// in resize_smooth.cpp. The source may have 3 or 4 bytes per pixel and run
// top-down or bottom-up; the target is always 4 bytes per pixel, top-down.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "imaging/pixel_buffer.h"

namespace imaging {
namespace {

// The source position whose centre lies nearest to the centre of target t.
int Nearest(int t, int sources, int targets) {
  return static_cast<int>((2 * std::int64_t{t} + 1) * sources / (2 * std::int64_t{targets}));
}

bool ResampleNearest(const SourceRows& source, std::uint32_t* target, int tw, int th) {
  auto* columns = static_cast<int*>(std::malloc(sizeof(int) * static_cast<std::size_t>(tw)));
  if (columns == nullptr) return false;
  for (int x = 0; x < tw; ++x) columns[x] = Nearest(x, source.width, tw) * source.channels;
  for (int y = 0; y < th; ++y) {
    const std::uint8_t* row = source.top + source.step * Nearest(y, source.height, th);
    std::uint32_t* out = target + static_cast<std::size_t>(y) * tw;
    if (source.channels == 4) {
      for (int x = 0; x < tw; ++x) std::memcpy(out + x, row + columns[x], 4);
    } else {
      for (int x = 0; x < tw; ++x) {
        const std::uint8_t* p = row + columns[x];
        out[x] = std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
      }
    }
  }
  std::free(columns);
  return true;
}

}  // namespace

bool Resample(const SourceRows& source, std::uint32_t* target, int targetWidth, int targetHeight,
              int mode) {
  if (source.width <= 0 || source.height <= 0 || targetWidth <= 0 || targetHeight <= 0) {
    return false;
  }
  if (mode == ResizeSmooth) return ResampleSmooth(source, target, targetWidth, targetHeight);
  return ResampleNearest(source, target, targetWidth, targetHeight);
}

bool Resample(const std::uint32_t* source, int sourceWidth, int sourceHeight, std::uint32_t* target,
              int targetWidth, int targetHeight, int mode) {
  SourceRows rows;
  rows.top = reinterpret_cast<const std::uint8_t*>(source);
  rows.step = 4 * static_cast<std::ptrdiff_t>(sourceWidth);
  rows.channels = 4;
  rows.width = sourceWidth;
  rows.height = sourceHeight;
  return Resample(rows, target, targetWidth, targetHeight, mode);
}

}  // namespace imaging
