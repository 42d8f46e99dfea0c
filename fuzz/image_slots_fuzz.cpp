// Feeds arbitrary bytes to the image slots as a BMP file, then runs what the
// program does with a screenshot: copy the slot, stretch the copy smoothly,
// save it as a 24-bit BMP, and load that file back. The last two input
// bytes choose the stretched size, so shrinking and enlarging both happen.
#include <cstddef>
#include <cstdint>

#include "fuzz/scratch_file.h"
#include "imaging/image_store.h"

// Keeps the pixel reads from being optimised away.
volatile unsigned touchedSum = 0;

namespace {

// Reads every pixel of a slot, so that a pixel never written shows up under
// the memory sanitizer and a wrong size shows up under the address sanitizer.
void TouchPixels(int slot) {
  ImageView view;
  if (!ViewImage(ImageSlotHandle(slot), &view)) return;
  if (view.width != ImageSlotWidth(slot) || view.height != ImageSlotHeight(slot)) __builtin_trap();
  unsigned sum = 0;
  for (int y = 0; y < view.height; ++y) {
    for (std::size_t x = 0; x < 4 * static_cast<std::size_t>(view.width); ++x) {
      sum += view.pixels[y * view.stride + x];
    }
  }
  touchedSum = touchedSum + sum;
}

}  // namespace

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
