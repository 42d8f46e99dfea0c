// Icon files: a 6-byte directory header, one 16-byte entry per image, and
// the images themselves. Each image is a DIB whose stored height counts the
// colour rows and the 1-bit AND mask below them; images stored as PNG are
// not decoded.
#include <cstring>

#include "imaging/bmp_dib.h"

namespace {

constexpr std::size_t kDirectorySize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::uint32_t kIconType = 1;

struct IconImage {
  const std::uint8_t* data = nullptr;  // the image's DIB header
  std::size_t length = 0;              // bytes of the image inside the file
  dib::Layout layout;                  // height halved: colour rows only
};

// Colour rows and the 1-bit mask after them are both stored with full rows.
std::size_t ColourBytes(const dib::Layout& layout) {
  return dib::RowStride(layout.width, layout.bitCount) * static_cast<std::size_t>(layout.height);
}
std::size_t MaskBytes(const dib::Layout& layout) {
  return dib::RowStride(layout.width, 1) * static_cast<std::size_t>(layout.height);
}

// Parses one directory entry's image; false for anything that cannot be
// decoded (PNG data, a malformed header, or bytes missing).
bool ParseImage(const std::uint8_t* file, std::size_t size, const std::uint8_t* entry,
                IconImage* image) {
  static constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  const std::uint32_t length = dib::Read32(entry + 8);
  const std::uint32_t offset = dib::Read32(entry + 12);
  if (offset > size || length > size - offset) return false;
  const std::uint8_t* data = file + offset;
  if (length >= 8 && std::memcmp(data, kPngSignature, sizeof kPngSignature) == 0) return false;
  if (length < 4 || dib::Read32(data) < 40) return false;  // icons never use the core header
  dib::Layout layout;
  if (!dib::ParseHeader(data, length, &layout)) return false;
  if (layout.compression != dib::kRgb || layout.topDown || layout.height % 2 != 0) return false;
  layout.height /= 2;
  std::uint64_t needed = layout.TableEnd() + ColourBytes(layout);
  if (layout.bitCount != 32) needed += MaskBytes(layout);
  if (needed > length) return false;
  image->data = data;
  image->length = length;
  image->layout = layout;
  return true;
}

// Larger area wins; on equal area the higher depth.
bool Better(const dib::Layout& candidate, const dib::Layout& best) {
  const std::int64_t area = std::int64_t{candidate.width} * candidate.height;
  const std::int64_t bestArea = std::int64_t{best.width} * best.height;
  if (area != bestArea) return area > bestArea;
  return candidate.bitCount > best.bitCount;
}

// The best decodable image of the directory; false when there is none.
bool ChooseImage(const std::uint8_t* data, std::size_t size, IconImage* chosen) {
  if (size < kDirectorySize || dib::Read16(data) != 0 || dib::Read16(data + 2) != kIconType) {
    return false;
  }
  const std::size_t count = dib::Read16(data + 4);
  if (count == 0 || count > (size - kDirectorySize) / kEntrySize) return false;
  bool found = false;
  for (std::size_t i = 0; i < count; ++i) {
    IconImage image;
    if (!ParseImage(data, size, data + kDirectorySize + i * kEntrySize, &image)) continue;
    if (!found || Better(image.layout, chosen->layout)) *chosen = image;
    found = true;
  }
  return found;
}

// Pixels the AND mask marks as transparent become black.
void ApplyMask(const dib::Layout& layout, const std::uint8_t* mask, std::uint32_t* pixels) {
  const std::size_t stride = dib::RowStride(layout.width, 1);
  const auto width = static_cast<std::size_t>(layout.width);
  for (int y = 0; y < layout.height; ++y) {
    const std::uint8_t* row = mask + stride * static_cast<std::size_t>(layout.height - 1 - y);
    std::uint32_t* dst = pixels + width * static_cast<std::size_t>(y);
    for (int x = 0; x < layout.width; ++x) {
      if (((row[x >> 3] >> (7 - (x & 7))) & 1) != 0) dst[x] = 0;
    }
  }
}

}  // namespace

bool DecodeIcon(const std::uint8_t* data, std::size_t size, DecodedImage* out, PixelAllocator alloc,
                PixelRelease release) {
  if (data == nullptr || out == nullptr || alloc == nullptr || release == nullptr) return false;
  IconImage image;
  if (!ChooseImage(data, size, &image)) return false;
  const dib::Layout& layout = image.layout;
  std::uint32_t palette[256];
  dib::ReadPalette(image.data, layout, palette);
  std::uint32_t* pixels = dib::AllocatePixels(layout, alloc);
  if (pixels == nullptr) return false;
  const std::uint8_t* colour = image.data + layout.TableEnd();
  if (!dib::DecodeRows(layout, palette, colour, image.length - layout.TableEnd(), pixels)) {
    release(pixels);
    return false;
  }
  if (layout.bitCount != 32) ApplyMask(layout, colour + ColourBytes(layout), pixels);
  out->width = layout.width;
  out->height = layout.height;
  out->depth = dib::LoadedDepth(layout);
  out->pixels = pixels;
  return true;
}
