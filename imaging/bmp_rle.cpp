// Run-length encoded DIBs (8 and 4 bits per pixel). The stream is a series
// of two-byte codes: a count with a colour, or 0 followed by an escape (end of
// line, end of bitmap, a jump, or a run of literal pixels). Rows are stored
// bottom-up; pixels no code writes stay black.
#include "imaging/bmp_dib.h"

namespace dib {
namespace {

constexpr std::uint8_t kEndOfLine = 0;
constexpr std::uint8_t kEndOfBitmap = 1;
constexpr std::uint8_t kDelta = 2;

class RleWriter {
 public:
  RleWriter(const Layout& layout, const std::uint32_t* palette, std::uint32_t* out)
      : width_(layout.width),
        height_(layout.height),
        four_(layout.compression == kRle4),
        palette_(palette),
        out_(out) {}

  // `count` pixels of the colour pair in `value` (RLE4 alternates the high
  // and the low nibble; RLE8 repeats one index).
  bool Repeat(int count, std::uint8_t value) {
    std::uint32_t* dst = Reserve(count);
    if (dst == nullptr) return false;
    const std::uint32_t first = palette_[four_ ? value >> 4 : value];
    const std::uint32_t second = four_ ? palette_[value & 0x0F] : first;
    for (int i = 0; i < count; ++i) dst[i] = (i & 1) != 0 ? second : first;
    return true;
  }
  // `count` literal pixels, one index per byte (RLE8) or per nibble (RLE4).
  bool Literal(int count, const std::uint8_t* src) {
    std::uint32_t* dst = Reserve(count);
    if (dst == nullptr) return false;
    for (int i = 0; i < count; ++i) {
      const unsigned index = !four_ ? src[i] : (i & 1) != 0 ? src[i >> 1] & 0x0F : src[i >> 1] >> 4;
      dst[i] = palette_[index];
    }
    return true;
  }
  bool EndLine() {
    if (y_ >= height_) return false;
    x_ = 0;
    ++y_;
    return true;
  }
  // The position may come to rest just past the last column or row; the
  // next pixel written there fails.
  bool Move(int dx, int dy) {
    x_ += dx;
    y_ += dy;
    return x_ <= width_ && y_ <= height_;
  }
  bool four() const { return four_; }

 private:
  // Where `count` pixels go at the current position, then advances; nullptr
  // when they would leave the row or the image.
  std::uint32_t* Reserve(int count) {
    if (y_ >= height_ || count > width_ - x_) return nullptr;
    const auto row = static_cast<std::size_t>(height_ - 1 - y_);
    std::uint32_t* dst = out_ + row * static_cast<std::size_t>(width_) + x_;
    x_ += count;
    return dst;
  }

  int width_;
  int height_;
  bool four_;
  const std::uint32_t* palette_;
  std::uint32_t* out_;
  int x_ = 0;
  int y_ = 0;  // counted from the bottom row
};

}  // namespace

bool DecodeRle(const Layout& layout, const std::uint32_t palette[256], const std::uint8_t* bits,
               std::size_t available, std::uint32_t* out) {
  RleWriter writer(layout, palette, out);
  std::size_t pos = 0;
  while (available - pos >= 2) {
    const std::uint8_t count = bits[pos];
    const std::uint8_t value = bits[pos + 1];
    pos += 2;
    if (count != 0) {
      if (!writer.Repeat(count, value)) return false;
      continue;
    }
    if (value == kEndOfBitmap) return true;
    if (value == kEndOfLine) {
      if (!writer.EndLine()) return false;
    } else if (value == kDelta) {
      if (available - pos < 2 || !writer.Move(bits[pos], bits[pos + 1])) return false;
      pos += 2;
    } else {
      // Literal runs are padded to a whole number of 16-bit words.
      const std::size_t bytes = writer.four() ? (value + 1u) / 2 : value;
      const std::size_t padded = (bytes + 1) & ~std::size_t{1};
      if (available - pos < padded || !writer.Literal(value, bits + pos)) return false;
      pos += padded;
    }
  }
  // The stream ran out before its end-of-bitmap mark. Like any other
  // truncated image this is a failure, not a partly black picture.
  return false;
}

}  // namespace dib
