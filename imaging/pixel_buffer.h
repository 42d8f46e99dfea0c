// Pixel storage behind image handles, private to the imaging units.
//
// An image is held in one of two forms. Decoded images are 32-bit 0x00RRGGBB
// values, rows top to bottom, no row padding. An uncompressed 24-bit BMP is
// kept as the file was read: its rows, bottom row first, blue-green-red,
// Stride24(width) bytes apart. That is the form encoders take, so loading and
// saving such a picture converts nothing, and no second full-size buffer is
// made. The 32-bit form a viewer needs is made from the rows on first view.
//
// A pixel block never changes once it is filled, so several handles may share
// one block: a copied slot refers to the block of its source until either is
// released.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/image_store.h"

struct PixelBlock;

struct ImageBuffer {
  int width = 0;
  int height = 0;
  // Exactly one of the two forms is set.
  const std::uint32_t* pixels = nullptr;  // width * height values, top-down
  const std::uint8_t* rows = nullptr;     // 24-bit rows, bottom-up, Stride24 apart
  PixelBlock* block = nullptr;            // shared, reference counted
};

namespace imaging {

// The largest number of pixels an image may have; larger sizes fail.
std::int64_t MaxImagePixels();

// Raw memory of `bytes` bytes, or nullptr. Give it back with ReleaseMemory.
// Blocks of a mebibyte or more come from the platform's large blocks.
std::uint8_t* AcquireMemory(std::size_t bytes);
void ReleaseMemory(std::uint8_t* memory);

// Pixel blocks in the form the decoders ask for: `count` pixels, or nullptr.
std::uint32_t* AcquirePixels(std::size_t count);
void ReleasePixels(std::uint32_t* pixels);

// A new buffer of width x height writable pixels (*pixels receives them), or
// nullptr when the size is not positive, too large or memory runs out.
ImageBuffer* NewImageBuffer(int width, int height, std::uint32_t** pixels);
// A buffer over pixels taken from AcquirePixels; it takes them over. nullptr
// (the pixels are released) when memory runs out.
ImageBuffer* AdoptPixels(std::uint32_t* pixels, int width, int height);
// A buffer over 24-bit rows that lie inside `memory` (from AcquireMemory),
// bottom row first, Stride24(width) bytes apart; it takes the memory over.
// The rows' padding bytes are set to zero. nullptr (the memory is released)
// when memory runs out.
ImageBuffer* AdoptRows24(std::uint8_t* memory, std::uint8_t* rows, int width, int height);
// A second handle on the same pixels.
ImageBuffer* ShareImageBuffer(const ImageBuffer* source);
// Releases a handle (nullptr is ignored); the pixels go when their last
// handle goes.
void ReleaseImageBuffer(ImageBuffer* buffer);

// The rows of a source picture: `channels` bytes per pixel (3 or 4), the top
// row at `top`, the next one `step` bytes further on (negative for
// bottom-up rows).
struct SourceRows {
  const std::uint8_t* top = nullptr;
  std::ptrdiff_t step = 0;
  int channels = 4;
  int width = 0;
  int height = 0;
};
// The rows of a handle's own form.
SourceRows RowsOf(const ImageBuffer& image);

// Stretches a whole image onto 32-bit top-down pixels, each axis on its own.
// `mode` ResizeSmooth averages the covered source area, anything else picks
// the nearest source pixel. The fourth byte of each target pixel is the
// average of the source's fourth bytes, 0 for 3-byte sources. False when a
// working buffer cannot be had.
bool Resample(const SourceRows& source, std::uint32_t* target, int targetWidth, int targetHeight,
              int mode);
// The smooth mode alone: a true area average, exactly rounded (halves up).
// The sizes are positive. False when a working buffer cannot be had.
bool ResampleSmooth(const SourceRows& source, std::uint32_t* target, int targetWidth,
                    int targetHeight);
// The same for a 32-bit top-down source.
bool Resample(const std::uint32_t* source, int sourceWidth, int sourceHeight, std::uint32_t* target,
              int targetWidth, int targetHeight, int mode);

// One row of blue-green-red pixels as 0x00RRGGBB values. Each pixel but the
// last is read as a little-endian word; the last one's fourth byte may lie
// past the row, so it is read bytewise.
void WidenRow24(const std::uint8_t* in, int width, std::uint32_t* out);

}  // namespace imaging
