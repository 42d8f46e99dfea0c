// Decoders for BMP, icon and JPEG files held in memory. The bytes are untrusted:
// every header field is checked against the data before anything is
// allocated, and a malformed, truncated or oversized file simply fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// A decoded picture: width * height pixels, rows top to bottom, each pixel
// 0x00RRGGBB (bytes blue, green, red, 0 in memory on a little-endian CPU).
struct DecodedImage {
  int width = 0;
  int height = 0;
  // Bits per pixel as stored in the file: 16, 24 or 32. Palette images
  // (1, 4 or 8 bits) become true colour and report 32.
  int depth = 0;
  std::uint32_t* pixels = nullptr;
};

// The largest picture either decoder accepts (e.g. 8192 x 8192).
constexpr std::int64_t kMaxImagePixels = 64 * 1024 * 1024;

// The pixel block comes from the caller, so a slot can hand out its own
// buffer. `alloc` may return nullptr (the decode then fails).
using PixelAllocator = std::uint32_t* (*)(std::size_t pixelCount);
using PixelRelease = void (*)(std::uint32_t* pixels);

// Decodes a whole BMP file ("BM" file header included). True on success with
// *out filled in and out->pixels from `alloc`. False for anything malformed,
// truncated or larger than kMaxImagePixels: *out is then untouched and any
// block taken from `alloc` has been given back through `release`.
bool DecodeBmp(const std::uint8_t* data, std::size_t size, DecodedImage* out, PixelAllocator alloc,
               PixelRelease release);

// Where the rows of an uncompressed 24-bit bottom-up BMP lie in the file:
// `height` rows of RowStride bytes from `offset`, bottom row first, blue,
// green, red. Callers that can use the rows as stored skip the decode.
struct BmpRows24 {
  int width = 0;
  int height = 0;
  std::size_t offset = 0;
};
// True (with *out filled in) for a well-formed file of that kind whose rows,
// padding included, all lie within `size`; false for every other file, which
// DecodeBmp then judges.
bool FindBmpRows24(const std::uint8_t* data, std::size_t size, BmpRows24* out);

// Decodes a .ico file whose images are stored as DIBs. The largest image is
// chosen (ties: the highest depth). Images without alpha use the AND mask:
// masked pixels become black. 32-bit images keep their colour bytes as they
// are. PNG-compressed images fail. Same contract as DecodeBmp otherwise.
bool DecodeIcon(const std::uint8_t* data, std::size_t size, DecodedImage* out, PixelAllocator alloc,
                PixelRelease release);

// Decodes a JPEG file with libjpeg-turbo, under the BMP decoder's limits:
// a picture over kMaxImagePixels fails before its pixels are allocated, and
// libjpeg's own memory is capped. Every libjpeg error and warning (a
// truncated or corrupt stream included) fails this call only. Same contract
// as DecodeBmp; depth reports 24 (8 for greyscale).
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, DecodedImage* out, PixelAllocator alloc,
                PixelRelease release);

// A screenshot checked and shrunk for a report: the picture's size, and a
// JPEG of it `thumbWidth` pixels wide (height in proportion, at least 1;
// a narrower picture keeps its size), and never taller than four times
// `thumbWidth` (the width then in proportion, at least 1).
struct PictureSummary {
  int width = 0;
  int height = 0;
  std::string thumbnailJpeg;  // the JPEG file's bytes
};
// Decodes a whole BMP ("BM") or JPEG file held in memory and makes the
// thumbnail. False when the picture does not decode or memory runs out
// (*out is then untouched). Uses no shared state: several threads may call
// it at once. At most one full-size pixel block is held at a time.
// With `rows`, each row of the full-size picture is handed to it as well,
// top to bottom (row y of height), as blue, green, red bytes (3 x width):
// the picture's pixels in one form whatever its file format and depth.
using PixelRows = std::function<void(const std::uint8_t* bgr, int y, int width, int height)>;
bool SummarisePicture(const std::uint8_t* data, std::size_t size, int thumbWidth,
                      PictureSummary* out, const PixelRows& rows = {});

// Decodes a whole BMP or JPEG file and hands its rows to `rows` as
// SummarisePicture does, without a thumbnail. False when it does not decode.
bool ReadPicturePixels(const std::uint8_t* data, std::size_t size, const PixelRows& rows);

// The JPEG the tool itself writes for a screenshot (the BMP file's bytes):
// its full-size pixels as 24-bit rows, encoded at DefaultSaveQuality. The
// encoder is deterministic, so a JPEG the tool made from this screenshot
// decodes to the same pixels as *jpeg. False when the BMP does not decode.
bool ToolJpegOf(const std::uint8_t* bmp, std::size_t size, std::string* jpeg);
