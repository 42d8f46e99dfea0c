// BMP, DIB and icon files built in memory.
#include "tools/bmp_builder.h"

#include <algorithm>

namespace {

void PutPixel(Bytes* row, std::uint32_t value, int bitCount, std::size_t x) {
  if (bitCount < 8) {
    const std::size_t bit = x * static_cast<std::size_t>(bitCount);
    if (row->size() <= bit / 8) row->push_back(0);
    row->back() |= static_cast<std::uint8_t>(value << (8 - bitCount - bit % 8));
  } else {
    for (int i = 0; i < bitCount / 8; ++i)
      row->push_back(static_cast<std::uint8_t>(value >> 8 * i));
  }
}

}  // namespace

void Put16(Bytes* bytes, std::uint32_t value) {
  bytes->push_back(static_cast<std::uint8_t>(value));
  bytes->push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(Bytes* bytes, std::uint32_t value) {
  Put16(bytes, value & 0xFFFF);
  Put16(bytes, value >> 16);
}

Bytes PackRows(const std::vector<std::vector<std::uint32_t>>& rows, int bitCount) {
  Bytes out;
  for (const auto& values : rows) {
    Bytes row;
    for (std::size_t x = 0; x < values.size(); ++x) PutPixel(&row, values[x], bitCount, x);
    while (row.size() % 4 != 0) row.push_back(0);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

DibLayout MakeLayout(std::int32_t width, std::int32_t height, std::uint32_t bitCount,
                 std::uint32_t headerSize) {
  DibLayout layout;
  layout.headerSize = headerSize;
  layout.width = width;
  layout.height = height;
  layout.bitCount = bitCount;
  return layout;
}

Bytes BuildDib(const DibLayout& layout) {
  Bytes out;
  Put32(&out, layout.headerSize);
  if (layout.headerSize == 12) {
    Put16(&out, static_cast<std::uint32_t>(layout.width));
    Put16(&out, static_cast<std::uint32_t>(layout.height));
    Put16(&out, layout.planes);
    Put16(&out, layout.bitCount);
  } else {
    Put32(&out, static_cast<std::uint32_t>(layout.width));
    Put32(&out, static_cast<std::uint32_t>(layout.height));
    Put16(&out, layout.planes);
    Put16(&out, layout.bitCount);
    Put32(&out, layout.compression);
    Put32(&out, static_cast<std::uint32_t>(layout.pixels.size()));
    Put32(&out, 2835);
    Put32(&out, 2835);
    Put32(&out, layout.colorsUsed);
    Put32(&out, 0);
    for (std::uint32_t mask : layout.masks) Put32(&out, mask);
    out.resize(std::max<std::size_t>(out.size(), layout.headerSize), 0);
  }
  for (std::uint32_t colour : layout.palette) {
    Put16(&out, colour & 0xFFFF);
    out.push_back(static_cast<std::uint8_t>(colour >> 16));
    if (layout.headerSize != 12) out.push_back(0);
  }
  out.insert(out.end(), layout.pixels.begin(), layout.pixels.end());
  return out;
}

Bytes BuildBmp(const DibLayout& layout, std::int64_t offset) {
  const Bytes dib = BuildDib(layout);
  const std::size_t tables = dib.size() - layout.pixels.size();
  Bytes out = {'B', 'M'};
  Put32(&out, static_cast<std::uint32_t>(14 + dib.size()));
  Put32(&out, 0);
  Put32(&out, static_cast<std::uint32_t>(offset >= 0 ? offset : std::int64_t(14 + tables)));
  out.insert(out.end(), dib.begin(), dib.end());
  return out;
}

Bytes BuildIcon(const std::vector<IconEntry>& entries, std::uint32_t type) {
  Bytes out;
  Put16(&out, 0);
  Put16(&out, type);
  Put16(&out, static_cast<std::uint32_t>(entries.size()));
  std::size_t offset = 6 + 16 * entries.size();
  for (const IconEntry& entry : entries) {
    for (int i = 0; i < 4; ++i) out.push_back(0);  // size and colour hints: unused
    Put16(&out, 1);
    Put16(&out, 0);
    Put32(&out, static_cast<std::uint32_t>(entry.image.size()));
    Put32(&out, static_cast<std::uint32_t>(offset));
    offset += entry.image.size();
  }
  for (const IconEntry& entry : entries)
    out.insert(out.end(), entry.image.begin(), entry.image.end());
  return out;
}
