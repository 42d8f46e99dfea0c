// Saving a slot: its pixels as 24-bit rows, written as a BMP file or handed
// to the encoder registered under a tag. A picture held as 24-bit rows is
// handed over as it is; a 32-bit one is packed into rows first.
#include <bit>
#include <cstdint>
#include <cstring>

#include "imaging/image_store.h"
#include "imaging/pixel_buffer.h"
#include "platform/platform.h"

namespace {

constexpr int kMaxEncoders = 100;
ImageEncoder encoders[kMaxEncoders];
int encoderCount = 0;

constexpr int kFileHeaderSize = 14;
constexpr int kInfoHeaderSize = 40;

ImageEncodeFunction FindEncoder(std::uint32_t tag) {
  for (int i = 0; i < encoderCount; ++i) {
    if (encoders[i].tag == tag) return encoders[i].encode;
  }
  return nullptr;
}

// One picture row as blue, green, red bytes. Four pixels at a time become
// three little-endian words, which keeps the loop free of byte stores.
void PackRow(const std::uint32_t* in, std::size_t width, std::uint8_t* out) {
  static_assert(std::endian::native == std::endian::little, "words are stored little-endian");
  std::size_t x = 0;
  for (; x + 4 <= width; x += 4, out += 12) {
    const std::uint32_t p0 = in[x] & 0xFFFFFF, p1 = in[x + 1] & 0xFFFFFF;
    const std::uint32_t p2 = in[x + 2] & 0xFFFFFF, p3 = in[x + 3] & 0xFFFFFF;
    const std::uint32_t words[3] = {p0 | p1 << 24, p1 >> 8 | p2 << 16, p2 >> 16 | p3 << 8};
    std::memcpy(out, words, sizeof words);
  }
  for (; x < width; ++x, out += 3) {
    out[0] = static_cast<std::uint8_t>(in[x]);
    out[1] = static_cast<std::uint8_t>(in[x] >> 8);
    out[2] = static_cast<std::uint8_t>(in[x] >> 16);
  }
}

// The picture as rows of blue, green, red bytes, the bottom row first, each
// row padded with zeros to the stride.
std::uint8_t* ToBottomUpRows(const ImageBuffer& image, std::int64_t stride) {
  const std::size_t rowBytes = static_cast<std::size_t>(stride);
  std::uint8_t* rows = imaging::AcquireMemory(rowBytes * static_cast<std::size_t>(image.height));
  if (rows == nullptr) return nullptr;
  const std::size_t width = static_cast<std::size_t>(image.width);
  for (int y = 0; y < image.height; ++y) {
    const std::uint32_t* in = image.pixels + width * static_cast<std::size_t>(image.height - 1 - y);
    std::uint8_t* out = rows + rowBytes * static_cast<std::size_t>(y);
    PackRow(in, width, out);
    std::memset(out + 3 * width, 0, rowBytes - 3 * width);
  }
  return rows;
}

void Put16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::uint8_t* at, std::uint32_t value) {
  Put16(at, value & 0xFFFF);
  Put16(at + 2, value >> 16);
}

// A 24-bit BMP: file header, 40-byte header, the rows as they are, in a new
// file that replaces whatever had the name (never written through a link).
// Non-zero only when the file was written and closed without error; a
// failed write leaves the partial file.
int WriteBmp(std::string_view path, const std::uint8_t* rows, int width, int height,
             std::int64_t stride) {
  const std::uint32_t imageSize = static_cast<std::uint32_t>(stride * height);
  std::uint8_t fileHeader[kFileHeaderSize] = {'B', 'M'};
  Put32(fileHeader + 2, kFileHeaderSize + kInfoHeaderSize + imageSize);
  Put32(fileHeader + 10, kFileHeaderSize + kInfoHeaderSize);
  std::uint8_t infoHeader[kInfoHeaderSize] = {};
  Put32(infoHeader, kInfoHeaderSize);
  Put32(infoHeader + 4, static_cast<std::uint32_t>(width));
  Put32(infoHeader + 8, static_cast<std::uint32_t>(height));
  Put16(infoHeader + 12, 1);   // planes
  Put16(infoHeader + 14, 24);  // bits per pixel
  Put32(infoHeader + 20, imageSize);

  platform::File* file = platform::OpenFile(path, platform::OpenMode::kCreateFresh);
  if (file == nullptr) return 0;
  const bool written = platform::WriteFile(file, fileHeader, sizeof fileHeader) &&
                       platform::WriteFile(file, infoHeader, sizeof infoHeader) &&
                       platform::WriteFile(file, rows, imageSize);
  const bool closed = platform::CloseFile(file);
  return written && closed ? 1 : 0;
}

}  // namespace

void RegisterImageEncoder(ImageEncoder encoder) {
  if (encoderCount < kMaxEncoders) encoders[encoderCount++] = encoder;
}

int ImageEncoderCount(std::uint32_t tag) {
  int count = 0;
  for (int i = 0; i < encoderCount; ++i) count += encoders[i].tag == tag ? 1 : 0;
  return count;
}

int SaveImageSlot(int slot, std::string_view path, std::uint32_t tag) {
  const ImageBuffer* image = ImageSlotHandle(slot);
  if (image == nullptr || path.empty()) return 0;
  ImageEncodeFunction encode = nullptr;
  if (tag != 0) {
    encode = FindEncoder(tag);
    if (encode == nullptr) return 0;  // no file is written
  }
  const std::int64_t stride = imaging::Stride24(image->width);
  std::uint8_t* packed = image->rows != nullptr ? nullptr : ToBottomUpRows(*image, stride);
  const std::uint8_t* rows = image->rows != nullptr ? image->rows : packed;
  if (rows == nullptr) return 0;
  const int result = encode != nullptr ? encode(path, rows, image->width, image->height,
                                                static_cast<int>(stride), DefaultSaveQuality)
                                       : WriteBmp(path, rows, image->width, image->height, stride);
  imaging::ReleaseMemory(packed);
  return result;
}
