// Pixel memory, shared pixel blocks and image handles.
#include "imaging/pixel_buffer.h"

#include <bit>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

#include "imaging/bmp_decoder.h"
#include "platform/platform.h"

struct PixelBlock {
  std::uint8_t* memory = nullptr;  // from AcquireMemory: the pixels or the rows
  std::uint32_t* view = nullptr;   // 32-bit form of 24-bit rows, made on first view
  int references = 0;
};

namespace imaging {
namespace {

// Every piece of memory starts with its size, so that a block can be freed
// the way it was made when only its address comes back.
struct alignas(16) MemoryHeader {
  std::size_t size;
};

// Blocks of a mebibyte or more come from the platform's large-block
// allocator (huge pages where available), the rest from the heap.
constexpr std::size_t kLargeMinimum = std::size_t{1} << 20;

}  // namespace

std::int64_t MaxImagePixels() { return kMaxImagePixels; }

std::uint8_t* AcquireMemory(std::size_t bytes) {
  if (bytes > std::numeric_limits<std::size_t>::max() / 2) return nullptr;
  const std::size_t total = sizeof(MemoryHeader) + bytes;
  void* raw = bytes >= kLargeMinimum ? platform::AllocateLargeBlock(total) : std::malloc(total);
  auto* header = static_cast<MemoryHeader*>(raw);
  if (header == nullptr) return nullptr;
  header->size = bytes;
  return reinterpret_cast<std::uint8_t*>(header + 1);
}

void ReleaseMemory(std::uint8_t* memory) {
  if (memory == nullptr) return;
  MemoryHeader* header = reinterpret_cast<MemoryHeader*>(memory) - 1;
  if (header->size >= kLargeMinimum) {
    platform::FreeLargeBlock(header, sizeof(MemoryHeader) + header->size);
  } else {
    std::free(header);
  }
}

std::uint32_t* AcquirePixels(std::size_t count) {
  if (count == 0 || count > static_cast<std::size_t>(kMaxImagePixels)) return nullptr;
  return reinterpret_cast<std::uint32_t*>(AcquireMemory(count * sizeof(std::uint32_t)));
}

void ReleasePixels(std::uint32_t* pixels) {
  ReleaseMemory(reinterpret_cast<std::uint8_t*>(pixels));
}

namespace {

ImageBuffer* AdoptMemory(std::uint8_t* memory, int width, int height) {
  auto* block = new (std::nothrow) PixelBlock;
  auto* buffer = new (std::nothrow) ImageBuffer;
  if (block == nullptr || buffer == nullptr) {
    delete block;
    delete buffer;
    ReleaseMemory(memory);
    return nullptr;
  }
  block->memory = memory;
  block->references = 1;
  buffer->width = width;
  buffer->height = height;
  buffer->block = block;
  return buffer;
}

}  // namespace

ImageBuffer* AdoptPixels(std::uint32_t* pixels, int width, int height) {
  ImageBuffer* buffer = AdoptMemory(reinterpret_cast<std::uint8_t*>(pixels), width, height);
  if (buffer != nullptr) buffer->pixels = pixels;
  return buffer;
}

ImageBuffer* AdoptRows24(std::uint8_t* memory, std::uint8_t* rows, int width, int height) {
  const std::size_t stride = static_cast<std::size_t>(Stride24(width));
  const std::size_t used = 3 * static_cast<std::size_t>(width);
  if (stride > used) {
    for (int y = 0; y < height; ++y) std::memset(rows + stride * y + used, 0, stride - used);
  }
  ImageBuffer* buffer = AdoptMemory(memory, width, height);
  if (buffer != nullptr) buffer->rows = rows;
  return buffer;
}

ImageBuffer* NewImageBuffer(int width, int height, std::uint32_t** pixels) {
  if (width <= 0 || height <= 0) return nullptr;
  const std::int64_t count = std::int64_t{width} * height;
  if (count > kMaxImagePixels) return nullptr;
  std::uint32_t* memory = AcquirePixels(static_cast<std::size_t>(count));
  if (memory == nullptr) return nullptr;
  ImageBuffer* buffer = AdoptPixels(memory, width, height);
  if (buffer != nullptr) *pixels = memory;
  return buffer;
}

ImageBuffer* ShareImageBuffer(const ImageBuffer* source) {
  auto* buffer = new (std::nothrow) ImageBuffer(*source);
  if (buffer != nullptr) ++buffer->block->references;
  return buffer;
}

void ReleaseImageBuffer(ImageBuffer* buffer) {
  if (buffer == nullptr) return;
  PixelBlock* block = buffer->block;
  delete buffer;
  if (--block->references > 0) return;
  ReleaseMemory(block->memory);
  ReleasePixels(block->view);
  delete block;
}

SourceRows RowsOf(const ImageBuffer& image) {
  SourceRows rows;
  rows.width = image.width;
  rows.height = image.height;
  if (image.rows != nullptr) {
    const std::ptrdiff_t stride = static_cast<std::ptrdiff_t>(Stride24(image.width));
    rows.top = image.rows + stride * (image.height - 1);
    rows.step = -stride;
    rows.channels = 3;
  } else {
    rows.top = reinterpret_cast<const std::uint8_t*>(image.pixels);
    rows.step = 4 * static_cast<std::ptrdiff_t>(image.width);
    rows.channels = 4;
  }
  return rows;
}

void WidenRow24(const std::uint8_t* in, int width, std::uint32_t* out) {
  static_assert(std::endian::native == std::endian::little, "words are read little-endian");
  const int last = width - 1;
  for (int x = 0; x < last; ++x, in += 3) {
    std::uint32_t value;
    std::memcpy(&value, in, sizeof value);
    out[x] = value & 0xFFFFFF;
  }
  out[last] = std::uint32_t{in[2]} << 16 | std::uint32_t{in[1]} << 8 | in[0];
}

namespace {

// The 32-bit form of a handle's pixels, made from its 24-bit rows when first
// asked for and kept with the shared block. nullptr when memory runs out.
const std::uint32_t* ViewPixels(const ImageBuffer& image) {
  if (image.pixels != nullptr) return image.pixels;
  PixelBlock* block = image.block;
  if (block->view != nullptr) return block->view;
  const std::size_t width = static_cast<std::size_t>(image.width);
  std::uint32_t* view = AcquirePixels(width * static_cast<std::size_t>(image.height));
  if (view == nullptr) return nullptr;
  const SourceRows rows = RowsOf(image);
  for (int y = 0; y < image.height; ++y) {
    WidenRow24(rows.top + rows.step * y, image.width, view + width * static_cast<std::size_t>(y));
  }
  block->view = view;
  return view;
}

}  // namespace

}  // namespace imaging

bool ViewImage(ImageHandle handle, ImageView* view) {
  if (handle == nullptr || view == nullptr) return false;
  const std::uint32_t* pixels = imaging::ViewPixels(*handle);
  if (pixels == nullptr) return false;
  view->width = handle->width;
  view->height = handle->height;
  view->stride = static_cast<std::size_t>(handle->width) * sizeof(std::uint32_t);
  view->pixels = reinterpret_cast<const std::uint8_t*>(pixels);
  return true;
}
