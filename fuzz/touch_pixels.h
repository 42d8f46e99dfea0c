// Reads every pixel of a slot, so that a pixel never written shows up under
// the memory sanitizer and a wrong size under the address sanitizer.
#pragma once

#include <cstddef>

#include "imaging/image_store.h"

// Keeps the pixel reads from being optimised away.
inline volatile unsigned touchedSum = 0;

inline void TouchPixels(int slot) {
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
