// A screenshot's fingerprints, taken from its rows while it is decoded.
#include <cstring>
#include <string>

#include "check/check_internal.h"
#include "imaging/image_store.h"

namespace check {
namespace {

// A JPEG's rows come in groups of 16 (4:2:0 sampling): the strip is the
// group in the middle, of which the 8 rows that need no neighbouring
// group's colour are compared.
constexpr int kGroupRows = 16;
constexpr int kFirstCompared = 4;
constexpr int kCompared = 8;
constexpr int kWidestStrip = 16384;

int StripTop(int width, int height) {
  if (height < 2 * kGroupRows || width > kWidestStrip) return -1;
  return kGroupRows * (height / kGroupRows / 2);
}

std::size_t Stride24(int width) { return static_cast<std::size_t>(imaging::Stride24(width)); }

}  // namespace

PixelRows PictureFingerprints::Rows() {
  return [this](const std::uint8_t* bgr, int y, int width, int height) {
    Row(bgr, y, width, height);
  };
}

void PictureFingerprints::Row(const std::uint8_t* bgr, int y, int width, int height) {
  const std::size_t bytes = 3 * static_cast<std::size_t>(width);
  if (y == 0) {
    // The width first, so that one row of 6 pixels is not two of 3.
    const auto w = static_cast<std::uint32_t>(width);
    pixels_.Add(&w, sizeof w);
    width_ = width;
    top_ = StripTop(width, height);
    if (bmp_ && top_ >= 0) rows24_.assign(Stride24(width) * kGroupRows, '\0');
  }
  pixels_.Add(bgr, bytes);
  if (top_ < 0 || y < top_ || y >= top_ + kGroupRows) return;
  if (bmp_) {  // bottom row first, as the encoder takes them
    std::memcpy(&rows24_[Stride24(width) * static_cast<std::size_t>(top_ + kGroupRows - 1 - y)],
                bgr, bytes);
  } else if (y >= top_ + kFirstCompared && y < top_ + kFirstCompared + kCompared) {
    strip_.Add(bgr, bytes);
  }
}

Digest PictureFingerprints::Strip() {
  if (top_ < 0) return Digest();
  if (bmp_) {
    std::string jpeg;
    if (EncodeJpegToMemory(&jpeg, reinterpret_cast<const std::uint8_t*>(rows24_.data()), width_,
                           kGroupRows, static_cast<int>(Stride24(width_)),
                           DefaultSaveQuality) == 0 ||
        !ReadPicturePixels(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size(),
                           [this](const std::uint8_t* bgr, int y, int width, int) {
                             if (y >= kFirstCompared && y < kFirstCompared + kCompared) {
                               strip_.Add(bgr, 3 * static_cast<std::size_t>(width));
                             }
                           })) {
      return Digest();
    }
    std::string().swap(rows24_);
  }
  return strip_.Fingerprint();
}

}  // namespace check
