// Feeds arbitrary bytes to the BMP and icon decoders. Every decoded pixel is
// read: the sanitizer's allocator fills new blocks with a non-zero pattern,
// so a pixel the decoder forgot to write shows up as a set fourth byte.
#include <cstdint>
#include <cstdlib>

#include "imaging/bmp_decoder.h"

namespace {

// A tiny file may describe a huge run-length picture; refusing blocks above
// 4 MiB keeps the executions fast without skipping any header checks.
constexpr std::size_t kFuzzPixelLimit = std::size_t{1} << 20;

std::uint32_t* Allocate(std::size_t count) {
  if (count > kFuzzPixelLimit) return nullptr;
  return static_cast<std::uint32_t*>(std::malloc(count * sizeof(std::uint32_t)));
}

void Release(std::uint32_t* pixels) { std::free(pixels); }

void Check(bool ok, const DecodedImage& image) {
  if (!ok) return;
  if (image.width <= 0 || image.height <= 0 ||
      std::int64_t{image.width} * image.height > kMaxImagePixels) {
    std::abort();
  }
  std::uint32_t sum = 0;
  const std::size_t count = static_cast<std::size_t>(image.width) * image.height;
  for (std::size_t i = 0; i < count; ++i) sum |= image.pixels[i];
  if ((sum & 0xFF000000u) != 0) std::abort();  // the fourth byte is always 0
  Release(image.pixels);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DecodedImage bmp;
  Check(DecodeBmp(data, size, &bmp, Allocate, Release), bmp);
  DecodedImage icon;
  Check(DecodeIcon(data, size, &icon, Allocate, Release), icon);
  return 0;
}
