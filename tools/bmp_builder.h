// BMP, DIB and icon files built in memory, field by field, for the decoder
// tests and the fuzz seeds.
#pragma once

#include <cstdint>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes* bytes, std::uint32_t value);
void Put32(Bytes* bytes, std::uint32_t value);

// Stored rows (in file order) of per-pixel values: palette indices for 1, 4
// and 8 bits, raw 16/32-bit values, 0xRRGGBB for 24 bits. Rows are padded
// to 4 bytes.
Bytes PackRows(const std::vector<std::vector<std::uint32_t>>& rows, int bitCount);

struct DibLayout {
  std::uint32_t headerSize = 40;
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint32_t planes = 1;
  std::uint32_t bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;
  std::vector<std::uint32_t> masks;    // inside a 52+ header, or after a 40-byte one
  std::vector<std::uint32_t> palette;  // 0xRRGGBB; 3 bytes each for a 12-byte header
  Bytes pixels;                        // stored exactly as given
};

DibLayout MakeLayout(std::int32_t width, std::int32_t height, std::uint32_t bitCount,
                 std::uint32_t headerSize = 40);

// The DIB alone (header, masks, colour table, pixels), as icons store it.
Bytes BuildDib(const DibLayout& layout);
// A whole BMP file. `offset` replaces the computed pixel offset when >= 0.
Bytes BuildBmp(const DibLayout& layout, std::int64_t offset = -1);

struct IconEntry {
  Bytes image;  // a DIB or PNG bytes
};
// An icon file whose entries point at the images in order.
Bytes BuildIcon(const std::vector<IconEntry>& entries, std::uint32_t type = 1);
