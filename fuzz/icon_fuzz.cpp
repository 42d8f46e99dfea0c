// Feeds arbitrary bytes to the image slots as an icon file, then does what
// a window does with an icon: stretch it to the two sizes window managers
// ask for (nearest pixel) and read every pixel; the smooth size is saved.
#include <cstddef>
#include <cstdint>

#include "fuzz/scratch_file.h"
#include "fuzz/touch_pixels.h"
#include "imaging/image_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchFile input("icon.ico");
  static const ScratchFile output("icon-out.bmp");
  static const bool ready = (InitImageStore(), true);
  (void)ready;
  // A file starting with "BM" is a bitmap to the loader; the icon path is
  // the rest.
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') return 0;
  if (!input.write(data, size)) return 0;

  if (LoadImageSlot(1, input.program()) != nullptr) {
    const int depth = ImageSlotDepth(1);
    if (depth != 16 && depth != 24 && depth != 32) __builtin_trap();
    TouchPixels(1);
    CopyImageSlot(1, 2);
    if (ResizeImageSlot(1, 32, 32, ResizeRaw) != nullptr) TouchPixels(1);
    if (ResizeImageSlot(2, 48, 48, ResizeSmooth) != nullptr) {
      TouchPixels(2);
      if (SaveImageSlot(2, output.program(), 0) == 0) __builtin_trap();
      output.remove();
    }
  }
  FreeAllImageSlots();
  return 0;
}
