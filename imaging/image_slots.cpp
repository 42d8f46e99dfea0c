// The slot table: loading, copying, stretching, querying and freeing slots.
#include <cstdint>
#include <cstring>

#include "imaging/bmp_decoder.h"
#include "imaging/image_store.h"
#include "imaging/pixel_buffer.h"
#include "platform/platform.h"
#include "support/numbered_table.h"

namespace {

// One numbered slot. It owns its handle and releases it when it goes.
struct ImageSlot {
  ImageSlot() = default;
  ImageSlot(const ImageSlot&) = delete;
  ImageSlot& operator=(const ImageSlot&) = delete;
  ~ImageSlot() { imaging::ReleaseImageBuffer(handle); }

  ImageBuffer* handle = nullptr;
  int width = 0;
  int height = 0;
  int depth = 0;
  std::uint8_t flags = 0;
};

NumberedTable<ImageSlot, 16> slots;

const ImageSlot* FilledSlot(int number) {
  const ImageSlot* slot = slots.get(number);
  return slot != nullptr && slot->handle != nullptr ? slot : nullptr;
}

// A BMP file as large as the largest accepted picture, plus room for headers
// and a palette; anything larger cannot be an image we would accept.
std::int64_t MaxImageFileSize() { return imaging::MaxImagePixels() * 4 + (std::int64_t{1} << 20); }

// Reads a whole file into image memory. nullptr when it cannot be opened
// (missing, a folder, held for writing by another program) or read in full.
std::uint8_t* ReadWholeFile(std::string_view path, std::size_t* size) {
  platform::File* file = platform::OpenFile(path, platform::OpenMode::kReadDenyWrite);
  if (file == nullptr) return nullptr;
  const std::int64_t length = platform::FileSize(file);
  std::uint8_t* data = nullptr;
  if (length >= 2 && length <= MaxImageFileSize()) {
    data = imaging::AcquireMemory(static_cast<std::size_t>(length));
  }
  std::int64_t done = 0;
  while (data != nullptr && done < length) {
    const std::int64_t got = platform::ReadFile(file, data + done, length - done);
    if (got <= 0) {
      imaging::ReleaseMemory(data);
      data = nullptr;
    }
    done += got;
  }
  platform::CloseFile(file);
  *size = static_cast<std::size_t>(length);
  return data;
}

// The picture in a file's bytes, which it takes over. An uncompressed
// 24-bit bottom-up BMP keeps its rows where they were read; anything else is
// decoded to 32 bits and the bytes are released.
ImageBuffer* PictureOf(std::uint8_t* data, std::size_t size, int* depth) {
  BmpRows24 stored;
  if (FindBmpRows24(data, size, &stored)) {
    *depth = 24;
    return imaging::AdoptRows24(data, data + stored.offset, stored.width, stored.height);
  }
  DecodedImage image;
  const bool isBitmap = data[0] == 'B' && data[1] == 'M';
  const bool decoded =
      isBitmap ? DecodeBmp(data, size, &image, imaging::AcquirePixels, imaging::ReleasePixels)
               : DecodeIcon(data, size, &image, imaging::AcquirePixels, imaging::ReleasePixels);
  imaging::ReleaseMemory(data);
  if (!decoded) return nullptr;
  *depth = image.depth;
  return imaging::AdoptPixels(image.pixels, image.width, image.height);
}

ImageHandle LoadIntoSlot(int number, std::string_view path, std::uint8_t flags) {
  ImageSlot* slot = slots.allocate(number);
  if (slot == nullptr) return nullptr;
  std::size_t size = 0;
  std::uint8_t* data = ReadWholeFile(path, &size);
  if (data == nullptr) return nullptr;
  int depth = 0;
  slot->handle = PictureOf(data, size, &depth);
  if (slot->handle == nullptr) return nullptr;
  slot->width = slot->handle->width;
  slot->height = slot->handle->height;
  slot->depth = depth;
  slot->flags = flags;
  return slot->handle;
}

}  // namespace

void InitImageStore() {
  // No decoders for other formats exist, so there is no decoder list to empty.
  slots.clear();
}

ImageHandle LoadImageSlot(int slot, std::string_view path) { return LoadIntoSlot(slot, path, 0); }

ImageHandle CopyImageSlot(int source, int destination) {
  const ImageSlot* from = FilledSlot(source);
  if (from == nullptr) return nullptr;
  // A slot copied onto itself stays as it is.
  if (source == destination) return from->handle;
  // The pixels never change once made, so the copy shares them.
  ImageBuffer* copy = imaging::ShareImageBuffer(from->handle);
  const int width = from->width;
  const int height = from->height;
  const int depth = from->depth;
  const std::uint8_t flags = from->flags;
  ImageSlot* to = slots.allocate(destination);
  if (to == nullptr || copy == nullptr) {
    imaging::ReleaseImageBuffer(copy);
    return nullptr;
  }
  to->handle = copy;
  to->width = width;
  to->height = height;
  to->depth = depth;
  to->flags = flags;
  return copy;
}

ImageHandle ResizeImageSlot(int number, int width, int height, int mode) {
  ImageSlot* slot = slots.get(number);
  if (slot == nullptr || slot->handle == nullptr) return nullptr;
  if (width == slot->width && height == slot->height) return slot->handle;
  std::uint32_t* pixels = nullptr;
  ImageBuffer* resized = imaging::NewImageBuffer(width, height, &pixels);
  if (resized == nullptr) return nullptr;  // the slot keeps its image
  ImageBuffer* old = slot->handle;
  const bool stretched = imaging::Resample(imaging::RowsOf(*old), pixels, width, height, mode);
  if (!stretched) {
    imaging::ReleaseImageBuffer(resized);
    resized = nullptr;
  }
  imaging::ReleaseImageBuffer(old);
  slot->handle = resized;
  slot->width = width;
  slot->height = height;
  return resized;
}

ImageHandle ImageSlotHandle(int slot) {
  const ImageSlot* filled = FilledSlot(slot);
  return filled != nullptr ? filled->handle : nullptr;
}

int ImageSlotWidth(int slot) {
  const ImageSlot* filled = FilledSlot(slot);
  return filled != nullptr ? filled->width : 0;
}

int ImageSlotHeight(int slot) {
  const ImageSlot* filled = FilledSlot(slot);
  return filled != nullptr ? filled->height : 0;
}

int ImageSlotDepth(int slot) {
  const ImageSlot* filled = FilledSlot(slot);
  return filled != nullptr ? filled->depth : 0;
}

void FreeImageSlot(int slot) { slots.release(slot); }

void FreeAllImageSlots() { slots.clear(); }
