// A screenshot held in memory, checked by decoding it whole and shrunk to a
// small JPEG for a report page.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "imaging/bmp_decoder.h"
#include "imaging/image_store.h"
#include "imaging/pixel_buffer.h"

namespace {

constexpr int kThumbnailQuality = 8;
// A thumbnail is at most this many times as tall as its width limit.
constexpr int kTallest = 4;
// The largest side a JPEG file can hold.
constexpr int kJpegLargest = 65500;

// Pixel blocks from the C heap: this path runs on several threads at once
// and keeps away from the image slots' bookkeeping.
std::uint32_t* HeapPixels(std::size_t count) {
  return static_cast<std::uint32_t*>(std::malloc(count * sizeof(std::uint32_t)));
}
void FreeHeapPixels(std::uint32_t* pixels) { std::free(pixels); }

struct FreePixels {
  void operator()(std::uint32_t* pixels) const { std::free(pixels); }
};

// 32-bit top-down pixels as the 24-bit bottom-up rows encoders take.
std::vector<std::uint8_t> Rows24(const std::uint32_t* pixels, int width, int height) {
  const std::int64_t stride = imaging::Stride24(width);
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride * height), 0);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* out = rows.data() + stride * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
      out[3 * x] = static_cast<std::uint8_t>(p);
      out[3 * x + 1] = static_cast<std::uint8_t>(p >> 8);
      out[3 * x + 2] = static_cast<std::uint8_t>(p >> 16);
    }
  }
  return rows;
}

bool Shrink(const imaging::SourceRows& source, int thumbWidth, PictureSummary* out) {
  int width = source.width;
  int height = source.height;
  if (thumbWidth > 0 && width > thumbWidth) {
    height = static_cast<int>(std::int64_t{height} * thumbWidth / width);
    if (height < 1) height = 1;
    width = thumbWidth;
  }
  // A picture far taller than wide keeps a small thumbnail too (and one the
  // JPEG format can hold): its height is clamped, its width in proportion.
  const int maxHeight = thumbWidth > 0 ? kTallest * thumbWidth : kJpegLargest;
  if (height > maxHeight) {
    width = static_cast<int>(std::max<std::int64_t>(1, std::int64_t{width} * maxHeight / height));
    height = maxHeight;
  }
  std::vector<std::uint32_t> pixels;
  try {
    pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!imaging::Resample(source, pixels.data(), width, height, ResizeSmooth)) return false;
  const std::vector<std::uint8_t> rows = Rows24(pixels.data(), width, height);
  std::string jpeg;
  if (EncodeJpegToMemory(&jpeg, rows.data(), width, height,
                         static_cast<int>(imaging::Stride24(width)), kThumbnailQuality) == 0) {
    return false;
  }
  out->width = source.width;
  out->height = source.height;
  out->thumbnailJpeg = std::move(jpeg);
  return true;
}

}  // namespace

namespace {

// The full-size picture as rows: a 24-bit BMP as stored, anything else
// decoded into `owned`.
bool PictureRows(const std::uint8_t* data, std::size_t size, imaging::SourceRows* source,
                 std::unique_ptr<std::uint32_t, FreePixels>* owned) {
  // An uncompressed 24-bit BMP is used as stored: no second full-size block.
  BmpRows24 stored;
  if (FindBmpRows24(data, size, &stored)) {
    const std::int64_t stride = imaging::Stride24(stored.width);
    source->top = data + stored.offset + stride * (stored.height - 1);
    source->step = -stride;
    source->channels = 3;
    source->width = stored.width;
    source->height = stored.height;
    return true;
  }
  DecodedImage image;
  const bool decoded = size >= 2 && data[0] == 'B' && data[1] == 'M'
                           ? DecodeBmp(data, size, &image, HeapPixels, FreeHeapPixels)
                           : DecodeJpeg(data, size, &image, HeapPixels, FreeHeapPixels);
  if (!decoded) return false;
  owned->reset(image.pixels);
  source->top = reinterpret_cast<const std::uint8_t*>(image.pixels);
  source->step = static_cast<std::ptrdiff_t>(image.width) * 4;
  source->channels = 4;
  source->width = image.width;
  source->height = image.height;
  return true;
}

void VisitRows(const imaging::SourceRows& source, const PixelRows& rows) {
  std::vector<std::uint8_t> bgr(static_cast<std::size_t>(source.width) * 3);
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* row = source.top + source.step * y;
    if (source.channels == 3) {
      rows(row, y, source.width, source.height);
      continue;
    }
    for (int x = 0; x < source.width; ++x) {
      std::memcpy(&bgr[3 * static_cast<std::size_t>(x)], row + 4 * static_cast<std::size_t>(x), 3);
    }
    rows(bgr.data(), y, source.width, source.height);
  }
}

}  // namespace

bool SummarisePicture(const std::uint8_t* data, std::size_t size, int thumbWidth,
                      PictureSummary* out, const PixelRows& rows) {
  if (data == nullptr || out == nullptr) return false;
  imaging::SourceRows source;
  std::unique_ptr<std::uint32_t, FreePixels> owned;
  if (!PictureRows(data, size, &source, &owned)) return false;
  if (rows) VisitRows(source, rows);
  return Shrink(source, thumbWidth, out);
}

bool ReadPicturePixels(const std::uint8_t* data, std::size_t size, const PixelRows& rows) {
  if (data == nullptr || !rows) return false;
  imaging::SourceRows source;
  std::unique_ptr<std::uint32_t, FreePixels> owned;
  if (!PictureRows(data, size, &source, &owned)) return false;
  VisitRows(source, rows);
  return true;
}

bool ToolJpegOf(const std::uint8_t* bmp, std::size_t size, std::string* jpeg) {
  if (bmp == nullptr || jpeg == nullptr || size < 2 || bmp[0] != 'B' || bmp[1] != 'M') {
    return false;
  }
  imaging::SourceRows source;
  std::unique_ptr<std::uint32_t, FreePixels> owned;
  if (!PictureRows(bmp, size, &source, &owned)) return false;
  const int stride = static_cast<int>(imaging::Stride24(source.width));
  if (source.channels == 3) {  // the stored rows, bottom row first, as the encoder takes them
    const std::uint8_t* bottom = source.top + source.step * (source.height - 1);
    return EncodeJpegToMemory(jpeg, bottom, source.width, source.height, stride,
                              DefaultSaveQuality) != 0;
  }
  std::vector<std::uint8_t> rows24;
  try {
    rows24 = Rows24(reinterpret_cast<const std::uint32_t*>(source.top), source.width,
                    source.height);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return EncodeJpegToMemory(jpeg, rows24.data(), source.width, source.height, stride,
                            DefaultSaveQuality) != 0;
}
