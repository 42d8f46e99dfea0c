// The device-independent bitmap (DIB) layer shared by the BMP and icon
// decoders: header parsing, the colour table and the pixel decoders.
// Internal to the imaging subsystem.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/bmp_decoder.h"

namespace dib {

// Compression codes of the info header.
constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kAlphaBitFields = 6;

// Little-endian reads; the caller has checked the bounds.
inline std::uint32_t Read16(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8;
}
inline std::uint32_t Read32(const std::uint8_t* p) { return Read16(p) | Read16(p + 2) << 16; }

// A validated DIB header: every field is consistent with the bytes it was
// parsed from, and width * height is at most kMaxImagePixels.
struct Layout {
  int width = 0;
  int height = 0;        // always positive
  bool topDown = false;  // rows stored top row first
  int bitCount = 0;      // 1, 4, 8, 16, 24 or 32
  std::uint32_t compression = kRgb;
  std::uint32_t masks[3] = {0, 0, 0};  // red, green, blue (16 and 32 bits)
  std::size_t tableOffset = 0;         // colour table start: header plus trailing masks
  std::size_t paletteCount = 0;        // colour table entries stored in the data (<= 256)
  std::size_t paletteEntrySize = 4;    // 3 for the 12-byte core header
  // First byte after the header, masks and colour table.
  std::size_t TableEnd() const { return tableOffset + paletteCount * paletteEntrySize; }
};

// The depth a decoded image reports: palette images become true colour.
inline int LoadedDepth(const Layout& layout) { return layout.bitCount <= 8 ? 32 : layout.bitCount; }

// Parses the header at the start of `data` (a DIB, without the 14-byte file
// header); `size` bytes are readable. Checks everything that can be checked
// without the pixel bytes, including that the colour table lies within
// `size`. False for anything malformed.
bool ParseHeader(const std::uint8_t* data, std::size_t size, Layout* layout);

// Fills all 256 entries of `palette` as 0x00RRGGBB from the colour table at
// `data` + TableOffset; entries the table lacks are black.
void ReadPalette(const std::uint8_t* data, const Layout& layout, std::uint32_t palette[256]);

// Bytes per stored row, padded to 4 bytes.
std::uint64_t RowStride(int width, int bitCount);
// Bytes uncompressed rows need: full rows, but the last row's padding may be
// missing.
std::uint64_t UncompressedSize(const Layout& layout);

// Decodes uncompressed (or bit-field) rows from `bits` into `out` (width *
// height pixels, top row first). `available` bytes are readable; false when
// they are fewer than UncompressedSize.
bool DecodeRows(const Layout& layout, const std::uint32_t palette[256], const std::uint8_t* bits,
                std::size_t available, std::uint32_t* out);

// Decodes an RLE8 or RLE4 stream into `out`, which the caller has cleared to
// black. False for a run that leaves the row or the image, an unknown
// escape, or a stream that ends without the end-of-bitmap mark.
bool DecodeRle(const Layout& layout, const std::uint32_t palette[256], const std::uint8_t* bits,
               std::size_t available, std::uint32_t* out);

// Takes a block of width * height pixels from `alloc`; nullptr when it fails.
std::uint32_t* AllocatePixels(const Layout& layout, PixelAllocator alloc);

}  // namespace dib
