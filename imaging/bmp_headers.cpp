// DIB header parsing and the colour table. Every size is checked against the
// readable bytes before it is used, and all products are formed in 64 bits
// after the pixel count has been capped.
#include <bit>

#include "imaging/bmp_dib.h"

namespace dib {
namespace {

constexpr std::size_t kCoreHeaderSize = 12;
constexpr std::size_t kInfoHeaderSize = 40;

bool KnownHeaderSize(std::uint32_t size) {
  return size == 12 || size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

bool CompressionFits(std::uint32_t compression, int bitCount) {
  switch (compression) {
    case kRgb:
      return true;
    case kRle8:
      return bitCount == 8;
    case kRle4:
      return bitCount == 4;
    case kBitFields:
    case kAlphaBitFields:
      return bitCount == 16 || bitCount == 32;
    default:
      return false;
  }
}

// A channel mask must be one run of set bits inside the pixel (or empty,
// which gives a channel that is always 0).
bool ValidMask(std::uint32_t mask, int bitCount) {
  if (mask == 0) return true;
  if (bitCount < 32 && (mask >> bitCount) != 0) return false;
  const std::uint32_t run = mask >> std::countr_zero(mask);
  return (run & (run + 1)) == 0;
}

// Masks for 16 and 32 bits: from the header (V2 and later), after a 40-byte
// header when bit fields are used, or the fixed 5-5-5 and 8-8-8 layouts.
bool ReadMasks(const std::uint8_t* data, std::size_t size, std::uint32_t headerSize,
               Layout* layout) {
  layout->tableOffset = headerSize;
  if (layout->bitCount < 16) return true;
  const bool fields = layout->compression == kBitFields || layout->compression == kAlphaBitFields;
  if (!fields) {
    const bool is16 = layout->bitCount == 16;
    layout->masks[0] = is16 ? 0x7C00 : 0xFF0000;
    layout->masks[1] = is16 ? 0x03E0 : 0x00FF00;
    layout->masks[2] = is16 ? 0x001F : 0x0000FF;
    return true;
  }
  if (headerSize == kInfoHeaderSize) {
    layout->tableOffset += layout->compression == kAlphaBitFields ? 16 : 12;
    if (layout->tableOffset > size) return false;
  }
  for (int i = 0; i < 3; ++i) {
    layout->masks[i] = Read32(data + kInfoHeaderSize + 4 * i);
    if (!ValidMask(layout->masks[i], layout->bitCount)) return false;
  }
  return true;
}

// The OS/2-style core header: unsigned 16-bit sizes, 3-byte table entries,
// always a full colour table, rows always bottom-up.
bool ParseCore(const std::uint8_t* data, Layout* layout) {
  layout->width = static_cast<int>(Read16(data + 4));
  layout->height = static_cast<int>(Read16(data + 6));
  layout->bitCount = static_cast<int>(Read16(data + 10));
  if (Read16(data + 8) != 1 || layout->width == 0 || layout->height == 0) return false;
  const int bits = layout->bitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
  layout->tableOffset = kCoreHeaderSize;
  layout->paletteEntrySize = 3;
  layout->paletteCount = bits <= 8 ? std::size_t{1} << bits : 0;
  return true;
}

bool ParseInfo(const std::uint8_t* data, std::size_t size, std::uint32_t headerSize,
               Layout* layout) {
  const auto width = static_cast<std::int32_t>(Read32(data + 4));
  const auto height = static_cast<std::int32_t>(Read32(data + 8));
  if (width <= 0 || height == 0 || height == INT32_MIN) return false;
  layout->width = width;
  layout->topDown = height < 0;
  layout->height = layout->topDown ? -height : height;
  layout->bitCount = static_cast<int>(Read16(data + 14));
  layout->compression = Read32(data + 16);
  const int bits = layout->bitCount;
  if (Read16(data + 12) != 1) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  if (!CompressionFits(layout->compression, bits)) return false;
  const bool rle = layout->compression == kRle8 || layout->compression == kRle4;
  if (rle && layout->topDown) return false;
  if (!ReadMasks(data, size, headerSize, layout)) return false;
  if (bits <= 8) {
    const std::uint32_t used = Read32(data + 32);
    if (used > 256) return false;
    layout->paletteCount = used == 0 ? std::size_t{1} << bits : used;
  }
  return true;
}

}  // namespace

bool ParseHeader(const std::uint8_t* data, std::size_t size, Layout* layout) {
  if (data == nullptr || size < 4) return false;
  const std::uint32_t headerSize = Read32(data);
  if (!KnownHeaderSize(headerSize) || headerSize > size) return false;
  Layout parsed;
  const bool ok = headerSize == kCoreHeaderSize ? ParseCore(data, &parsed)
                                                : ParseInfo(data, size, headerSize, &parsed);
  if (!ok) return false;
  const std::int64_t pixels = std::int64_t{parsed.width} * parsed.height;
  if (pixels > kMaxImagePixels) return false;
  if (parsed.TableEnd() > size) return false;
  *layout = parsed;
  return true;
}

void ReadPalette(const std::uint8_t* data, const Layout& layout, std::uint32_t palette[256]) {
  const std::size_t count = layout.paletteCount < 256 ? layout.paletteCount : 256;
  const std::uint8_t* entry = data + layout.tableOffset;
  for (std::size_t i = 0; i < 256; ++i) {
    if (i < count) {
      palette[i] = std::uint32_t{entry[2]} << 16 | std::uint32_t{entry[1]} << 8 | entry[0];
      entry += layout.paletteEntrySize;
    } else {
      palette[i] = 0;
    }
  }
}

std::uint64_t RowStride(int width, int bitCount) {
  const std::uint64_t bits = static_cast<std::uint64_t>(width) * static_cast<unsigned>(bitCount);
  return (bits + 31) / 32 * 4;
}

std::uint64_t UncompressedSize(const Layout& layout) {
  const std::uint64_t lastRow =
      (static_cast<std::uint64_t>(layout.width) * static_cast<unsigned>(layout.bitCount) + 7) / 8;
  const auto fullRows = static_cast<std::uint64_t>(layout.height - 1);
  return RowStride(layout.width, layout.bitCount) * fullRows + lastRow;
}

std::uint32_t* AllocatePixels(const Layout& layout, PixelAllocator alloc) {
  const std::size_t count =
      static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.height);
  return alloc(count);
}

}  // namespace dib
