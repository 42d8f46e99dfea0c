// BMP files: a 14-byte file header ("BM", size, reserved, pixel offset)
// followed by a DIB header, optional masks and colour table, and the pixels
// at the offset the file header gives.
#include <algorithm>

#include "imaging/bmp_dib.h"

namespace {

constexpr std::size_t kFileHeaderSize = 14;

}  // namespace

bool FindBmpRows24(const std::uint8_t* data, std::size_t size, BmpRows24* out) {
  if (data == nullptr || out == nullptr) return false;
  if (size < kFileHeaderSize || data[0] != 'B' || data[1] != 'M') return false;
  dib::Layout layout;
  if (!dib::ParseHeader(data + kFileHeaderSize, size - kFileHeaderSize, &layout)) return false;
  if (layout.bitCount != 24 || layout.compression != dib::kRgb || layout.topDown) return false;
  const std::uint32_t offset = dib::Read32(data + 10);
  if (offset < kFileHeaderSize + layout.TableEnd() || offset >= size) return false;
  const std::uint64_t rows =
      dib::RowStride(layout.width, 24) * static_cast<unsigned>(layout.height);
  if (rows > size - offset) return false;
  out->width = layout.width;
  out->height = layout.height;
  out->offset = offset;
  return true;
}

bool DecodeBmp(const std::uint8_t* data, std::size_t size, DecodedImage* out, PixelAllocator alloc,
               PixelRelease release) {
  if (data == nullptr || out == nullptr || alloc == nullptr || release == nullptr) return false;
  if (size < kFileHeaderSize || data[0] != 'B' || data[1] != 'M') return false;
  dib::Layout layout;
  const std::uint8_t* header = data + kFileHeaderSize;
  if (!dib::ParseHeader(header, size - kFileHeaderSize, &layout)) return false;

  // The pixels start after everything the header needs and inside the file.
  const std::uint32_t offset = dib::Read32(data + 10);
  if (offset < kFileHeaderSize + layout.TableEnd() || offset >= size) return false;
  const std::uint8_t* bits = data + offset;
  const std::size_t available = size - offset;
  const bool rle = layout.compression == dib::kRle8 || layout.compression == dib::kRle4;
  if (!rle && dib::UncompressedSize(layout) > available) return false;

  std::uint32_t palette[256];
  dib::ReadPalette(header, layout, palette);
  std::uint32_t* pixels = dib::AllocatePixels(layout, alloc);
  if (pixels == nullptr) return false;
  bool ok;
  if (rle) {
    std::fill_n(pixels,
                static_cast<std::size_t>(layout.width) * static_cast<std::size_t>(layout.height),
                0u);
    ok = dib::DecodeRle(layout, palette, bits, available, pixels);
  } else {
    ok = dib::DecodeRows(layout, palette, bits, available, pixels);
  }
  if (!ok) {
    release(pixels);
    return false;
  }
  out->width = layout.width;
  out->height = layout.height;
  out->depth = dib::LoadedDepth(layout);
  out->pixels = pixels;
  return true;
}
