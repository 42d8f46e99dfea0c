// Uncompressed DIB rows: palette indices, 24-bit, and 16/32-bit bit fields.
// The whole pixel block is checked against the data once; the row loops
// below then run without further checks.
#include <bit>
#include <cstring>

#include "imaging/bmp_dib.h"
#include "imaging/pixel_buffer.h"

namespace dib {
namespace {

void IndexedRow(const std::uint8_t* src, std::uint32_t* dst, int width, int bitCount,
                const std::uint32_t* palette) {
  if (bitCount == 8) {
    for (int x = 0; x < width; ++x) dst[x] = palette[src[x]];
  } else if (bitCount == 4) {
    for (int x = 0; x < width; ++x) {
      const unsigned byte = src[x >> 1];
      dst[x] = palette[(x & 1) != 0 ? byte & 0x0F : byte >> 4];
    }
  } else {
    for (int x = 0; x < width; ++x) dst[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1];
  }
}

// The 32-bit rows (and the 24-bit ones, in WidenRow24) load four bytes at
// once and keep the low three: blue, green, red on little-endian processors.
static_assert(std::endian::native == std::endian::little);

inline std::uint32_t Load32(const std::uint8_t* p) {
  std::uint32_t value;
  std::memcpy(&value, p, sizeof value);
  return value;
}

void Row32Plain(const std::uint8_t* src, std::uint32_t* dst, int width) {
  for (int x = 0; x < width; ++x, src += 4) dst[x] = Load32(src) & 0xFFFFFF;
}

// One colour channel of a bit-field pixel, scaled to 0..255 with rounding.
// Channels of up to 8 bits (all the usual layouts) use a small table.
class Channel {
 public:
  explicit Channel(std::uint32_t mask) {
    if (mask != 0) {
      shift_ = static_cast<unsigned>(std::countr_zero(mask));
      max_ = mask >> shift_;
    }
    tabled_ = max_ < 256;
    for (std::uint32_t raw = 0; tabled_ && raw <= max_; ++raw) {
      table_[raw] = static_cast<std::uint8_t>(Compute(raw));
    }
  }
  std::uint32_t Scale(std::uint32_t pixel) const {
    const std::uint32_t raw = (pixel >> shift_) & max_;
    return tabled_ ? table_[raw] : Compute(raw);
  }

 private:
  std::uint32_t Compute(std::uint64_t raw) const {
    return max_ == 0 ? 0 : static_cast<std::uint32_t>((raw * 255 + max_ / 2) / max_);
  }

  unsigned shift_ = 0;
  std::uint32_t max_ = 0;  // the channel's largest raw value; 0 for an empty mask
  bool tabled_ = false;
  std::uint8_t table_[256] = {};
};

class FieldDecoder {
 public:
  explicit FieldDecoder(const std::uint32_t masks[3])
      : red_(masks[0]), green_(masks[1]), blue_(masks[2]) {}

  template <int kBytes>
  void Row(const std::uint8_t* src, std::uint32_t* dst, int width) const {
    for (int x = 0; x < width; ++x, src += kBytes) {
      const std::uint32_t pixel = kBytes == 2 ? Read16(src) : Read32(src);
      dst[x] = red_.Scale(pixel) << 16 | green_.Scale(pixel) << 8 | blue_.Scale(pixel);
    }
  }

 private:
  Channel red_, green_, blue_;
};

bool IsPlain32(const Layout& layout) {
  return layout.masks[0] == 0xFF0000 && layout.masks[1] == 0x00FF00 && layout.masks[2] == 0xFF;
}

}  // namespace

bool DecodeRows(const Layout& layout, const std::uint32_t palette[256], const std::uint8_t* bits,
                std::size_t available, std::uint32_t* out) {
  if (UncompressedSize(layout) > available) return false;
  const std::size_t stride = RowStride(layout.width, layout.bitCount);
  const std::size_t width = static_cast<std::size_t>(layout.width);
  const int bitCount = layout.bitCount;
  const bool plain32 = bitCount == 32 && IsPlain32(layout);
  const FieldDecoder fields(layout.masks);
  for (int y = 0; y < layout.height; ++y) {
    const int stored = layout.topDown ? y : layout.height - 1 - y;
    const std::uint8_t* src = bits + stride * static_cast<std::size_t>(stored);
    std::uint32_t* dst = out + width * static_cast<std::size_t>(y);
    if (bitCount <= 8) {
      IndexedRow(src, dst, layout.width, bitCount, palette);
    } else if (bitCount == 24) {
      imaging::WidenRow24(src, layout.width, dst);
    } else if (plain32) {
      Row32Plain(src, dst, layout.width);
    } else if (bitCount == 16) {
      fields.Row<2>(src, dst, layout.width);
    } else {
      fields.Row<4>(src, dst, layout.width);
    }
  }
  return true;
}

}  // namespace dib
