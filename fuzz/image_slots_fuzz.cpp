// Feeds arbitrary bytes to the image slots as a BMP file, then runs what the
// program does with a screenshot: copy the slot, stretch the copy smoothly,
// save it as a 24-bit BMP, and load that file back. The last two input
// bytes choose the stretched size, so shrinking and enlarging both happen.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/scratch_file.h"
#include "fuzz/touch_pixels.h"
#include "imaging/image_store.h"

namespace {

// A few run-length bytes may describe a picture of many megapixels, and
// loading, copying and stretching it would take most of a short run. Inputs
// whose header asks for more than this are skipped; smaller pictures take
// the same decoder paths.
constexpr std::int64_t kFuzzPixelLimit = std::int64_t{4} << 20;

std::int64_t Little(const std::uint8_t* data, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | data[at + i];
  if (bytes == 2) return value;
  return static_cast<std::int32_t>(value);
}

// Width x height that a BMP's header asks for (core header: 16-bit fields at
// 18 and 20; later headers: signed 32-bit fields at 18 and 22); 0 when the
// input is too short to say.
std::int64_t AskedPixels(const std::uint8_t* data, std::size_t size) {
  if (size < 26) return 0;
  if (Little(data, 14, 4) == 12) return Little(data, 18, 2) * Little(data, 20, 2);
  return std::llabs(Little(data, 18, 4)) * std::llabs(Little(data, 22, 4));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchFile input("slots.bmp");
  static const ScratchFile output("slots-out.bmp");
  static const bool ready = (InitImageStore(), true);
  (void)ready;
  if (AskedPixels(data, size) > kFuzzPixelLimit) return 0;
  if (!input.write(data, size)) return 0;

  if (LoadImageSlot(1, input.program()) != nullptr) {
    TouchPixels(1);
    if (CopyImageSlot(1, 2) == nullptr) __builtin_trap();
    const int width = size >= 2 ? 1 + data[size - 1] % 97 : 1;
    const int height = size >= 2 ? 1 + data[size - 2] % 89 : 1;
    if (ResizeImageSlot(2, width, height, ResizeSmooth) != nullptr) {
      TouchPixels(2);
      if (SaveImageSlot(2, output.program(), 0) == 0) __builtin_trap();
      if (LoadImageSlot(3, output.program()) == nullptr) __builtin_trap();
      if (ImageSlotWidth(3) != width || ImageSlotHeight(3) != height) __builtin_trap();
      output.remove();
    }
    // The source slot is untouched by what happened to its copy.
    TouchPixels(1);
  }
  FreeAllImageSlots();
  return 0;
}
