// Pixel memory, shared pixel blocks and image handles.
#include "imaging/pixel_buffer.h"

#include <cstdlib>
#include <limits>
#include <new>
#include <utility>

#include "imaging/bmp_decoder.h"

struct PixelBlock {
  std::uint32_t* pixels = nullptr;
  int references = 0;
};

namespace imaging {
namespace {

// Every piece of memory starts with its capacity, so it can be pooled again
// when only its address comes back.
struct alignas(16) MemoryHeader {
  std::size_t capacity;
};

constexpr std::size_t kPooledMinimum = std::size_t{1} << 20;
constexpr int kPoolSize = 2;
MemoryHeader* pool[kPoolSize] = {};

// Large requests are rounded up to whole mebibytes with some room to spare,
// so that a block freed by one step (the file read) serves the next one of
// nearly the same size (the 24-bit rows of a save).
std::size_t CapacityFor(std::size_t bytes) {
  if (bytes < kPooledMinimum) return bytes;
  return (bytes + (std::size_t{1} << 16) + kPooledMinimum - 1) & ~(kPooledMinimum - 1);
}

MemoryHeader* TakeFromPool(std::size_t bytes) {
  int best = -1;
  for (int i = 0; i < kPoolSize; ++i) {
    const MemoryHeader* entry = pool[i];
    if (entry == nullptr || entry->capacity < bytes) continue;
    if (entry->capacity - bytes > bytes / 4 + 2 * kPooledMinimum) continue;  // too wasteful
    if (best < 0 || entry->capacity < pool[best]->capacity) best = i;
  }
  if (best < 0) return nullptr;
  MemoryHeader* found = pool[best];
  pool[best] = nullptr;
  return found;
}

void PutIntoPool(MemoryHeader* header) {
  int smallest = 0;
  for (int i = 0; i < kPoolSize; ++i) {
    if (pool[i] == nullptr) {
      pool[i] = header;
      return;
    }
    if (pool[i]->capacity < pool[smallest]->capacity) smallest = i;
  }
  if (pool[smallest]->capacity < header->capacity) std::swap(pool[smallest], header);
  std::free(header);
}

}  // namespace

std::int64_t MaxImagePixels() { return kMaxImagePixels; }

std::uint8_t* AcquireMemory(std::size_t bytes) {
  if (bytes > std::numeric_limits<std::size_t>::max() / 2) return nullptr;
  MemoryHeader* header = bytes >= kPooledMinimum ? TakeFromPool(bytes) : nullptr;
  if (header == nullptr) {
    const std::size_t capacity = CapacityFor(bytes);
    header = static_cast<MemoryHeader*>(std::malloc(sizeof(MemoryHeader) + capacity));
    if (header == nullptr) return nullptr;
    header->capacity = capacity;
  }
  return reinterpret_cast<std::uint8_t*>(header + 1);
}

void ReleaseMemory(std::uint8_t* memory) {
  if (memory == nullptr) return;
  MemoryHeader* header = reinterpret_cast<MemoryHeader*>(memory) - 1;
  if (header->capacity >= kPooledMinimum) {
    PutIntoPool(header);
  } else {
    std::free(header);
  }
}

void TrimMemory() {
  for (MemoryHeader*& entry : pool) {
    std::free(entry);
    entry = nullptr;
  }
}

std::uint32_t* AcquirePixels(std::size_t count) {
  if (count == 0 || count > static_cast<std::size_t>(kMaxImagePixels)) return nullptr;
  return reinterpret_cast<std::uint32_t*>(AcquireMemory(count * sizeof(std::uint32_t)));
}

void ReleasePixels(std::uint32_t* pixels) {
  ReleaseMemory(reinterpret_cast<std::uint8_t*>(pixels));
}

ImageBuffer* AdoptPixels(std::uint32_t* pixels, int width, int height) {
  auto* block = new (std::nothrow) PixelBlock;
  auto* buffer = new (std::nothrow) ImageBuffer;
  if (block == nullptr || buffer == nullptr) {
    delete block;
    delete buffer;
    ReleasePixels(pixels);
    return nullptr;
  }
  block->pixels = pixels;
  block->references = 1;
  buffer->width = width;
  buffer->height = height;
  buffer->pixels = pixels;
  buffer->block = block;
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
  ReleasePixels(block->pixels);
  delete block;
}

}  // namespace imaging

bool ViewImage(ImageHandle handle, ImageView* view) {
  if (handle == nullptr || view == nullptr) return false;
  view->width = handle->width;
  view->height = handle->height;
  view->stride = static_cast<std::size_t>(handle->width) * sizeof(std::uint32_t);
  view->pixels = reinterpret_cast<const std::uint8_t*>(handle->pixels);
  return true;
}
