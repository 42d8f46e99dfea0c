// Image slots: numbered images that the caller chooses, loaded from BMP (or
// icon) files, copied, stretched, shown by image controls and saved through a
// registered encoder. Failures give 0; nothing is shown to the user.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The pixels of a slot, opaque to callers. Owned by the slot: valid until the
// slot is refilled, resized or freed.
struct ImageBuffer;
using ImageHandle = ImageBuffer*;

// Read-only view of an image's pixels: rows top to bottom, 4 bytes per pixel
// in the order blue, green, red, unused.
struct ImageView {
  int width = 0;
  int height = 0;
  std::size_t stride = 0;  // bytes from one row to the next
  const std::uint8_t* pixels = nullptr;
};
// False for a null handle.
bool ViewImage(ImageHandle handle, ImageView* view);

// An encoder receives 24-bit rows, bottom row first, blue-green-red, each
// row `stride` bytes long, and returns non-zero when the file was written.
using ImageEncodeFunction = int (*)(std::string_view path, const std::uint8_t* pixels, int width,
                                    int height, int stride, int quality);
struct ImageEncoder {
  std::uint32_t tag;
  ImageEncodeFunction encode;
};

constexpr std::uint32_t JpegEncoderTag = 0x4745504A;  // "JPEG" in memory order
constexpr int DefaultSaveQuality = 7;
constexpr int ResizeSmooth = 0;  // area average
constexpr int ResizeRaw = 1;     // nearest pixel (any non-zero mode)

// Creates the slot table (16 entries) and empties the decoder list.
void InitImageStore();
// Loads a BMP or icon file into the slot, replacing what it held. The new
// handle, or 0: the slot is then empty, even if it held an image before.
ImageHandle LoadImageSlot(int slot, std::string_view path);
// Copies one slot into another (different) slot. 0 when the source is empty
// (the destination is then untouched) or the copy fails (destination empty).
ImageHandle CopyImageSlot(int source, int destination);
// Stretches the slot to width x height, each axis on its own. Same size:
// the same handle, nothing made. 0 when the slot is empty or the new buffer
// cannot be made (the slot keeps its image).
ImageHandle ResizeImageSlot(int slot, int width, int height, int mode);
// The slot's handle, 0 for an empty or never used slot.
ImageHandle ImageSlotHandle(int slot);
// Width, height and depth (bits per pixel as loaded) of a slot; 0 if empty.
int ImageSlotWidth(int slot);
int ImageSlotHeight(int slot);
int ImageSlotDepth(int slot);
// Tag 0 writes a 24-bit BMP; another tag calls its registered encoder with
// DefaultSaveQuality. 0 for an empty slot, a missing path, an unknown tag
// (no file is written) or a failed write.
int SaveImageSlot(int slot, std::string_view path, std::uint32_t tag);
// Appends an encoder to the registry (room for 100; later ones are dropped).
void RegisterImageEncoder(ImageEncoder encoder);
// How many registry entries carry this tag.
int ImageEncoderCount(std::uint32_t tag);
void FreeImageSlot(int slot);
void FreeAllImageSlots();

// Registers EncodeJpeg under JpegEncoderTag, the first time only.
void RegisterJpegEncoder();
// Writes a baseline JFIF file at libjpeg quality 10 x quality (clamped to
// 0..10). 1 when written; 0 when the file cannot be created or libjpeg
// reports an error (the partial file is then removed).
int EncodeJpeg(std::string_view path, const std::uint8_t* pixels, int width, int height, int stride,
               int quality);
// The row length of the 24-bit rows encoders take: 3 bytes per pixel,
// padded to a multiple of 4.
namespace imaging {
inline std::int64_t Stride24(int width) { return 3 * std::int64_t{width} + width % 4; }
}  // namespace imaging
// The same JPEG into memory: *out receives the file's bytes. 1 when made; 0
// for bad arguments or a libjpeg error (*out is then empty).
int EncodeJpegToMemory(std::string* out, const std::uint8_t* pixels, int width, int height,
                       int stride, int quality);
