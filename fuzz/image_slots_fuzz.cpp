// Feeds arbitrary bytes to the image slots as a BMP file, then runs what the
// program does with a screenshot: copy the slot, stretch the copy smoothly,
// save it as a 24-bit BMP, and load that file back. The last two input
// bytes choose the stretched size, so shrinking and enlarging both happen.
#include <cstddef>
#include <cstdint>

#include "fuzz/scratch_file.h"
#include "fuzz/touch_pixels.h"
#include "imaging/image_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchFile input("slots.bmp");
  static const ScratchFile output("slots-out.bmp");
  static const bool ready = (InitImageStore(), true);
  (void)ready;
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
