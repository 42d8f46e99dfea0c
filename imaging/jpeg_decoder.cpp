// The JPEG decoder: a whole file in memory to 32-bit pixels through
// libjpeg-turbo, for pictures from untrusted sources.
//
// libjpeg ends the process on an error unless told otherwise, and only warns
// about a truncated or corrupt stream (it pads the picture and carries on).
// Here both jump back into DecodeJpeg, which then fails: a damaged picture
// must not pass for a whole one.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "imaging/bmp_decoder.h"

namespace {

// libjpeg's own working memory (progressive coefficients, buffers) beyond
// the pixels: at most what a picture of kMaxImagePixels needs for its
// coefficients. Larger requests fail.
constexpr long kMaxLibjpegMemory = 512L * 1024 * 1024;
// A progressive file may hold any number of scans, each a pass over the
// whole picture; real encoders write about ten.
constexpr int kMaxScans = 256;

struct ErrorManager {
  jpeg_error_mgr standard;  // first, so libjpeg's pointer to it is ours too
  std::jmp_buf recovery;
};

// Everything one decompression needs, kept outside the function that sets
// the recovery point, so nothing live across setjmp changes.
struct Decompression {
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  jpeg_progress_mgr progress{};
  const std::uint8_t* data = nullptr;
  std::size_t size = 0;
  PixelAllocator alloc = nullptr;
  PixelRelease release = nullptr;
  std::uint32_t* pixels = nullptr;
  std::uint8_t* row = nullptr;  // one row of 3-byte samples
  DecodedImage image;
};

[[noreturn]] void JumpToRecovery(j_common_ptr info) {
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  std::longjmp(errors->recovery, 1);
}

// Warnings (level -1) mean damaged data; traces (0 and up) are ignored.
void FailOnWarning(j_common_ptr info, int level) {
  if (level < 0) JumpToRecovery(info);
}

void LimitScans(j_common_ptr common) {
  auto* info = reinterpret_cast<j_decompress_ptr>(common);
  if (info->input_scan_number > kMaxScans) JumpToRecovery(common);
}

void Decompress(Decompression* d) {
  jpeg_create_decompress(&d->info);
  d->info.mem->max_memory_to_use = kMaxLibjpegMemory;
  d->progress.progress_monitor = LimitScans;
  d->info.progress = &d->progress;
  jpeg_mem_src(&d->info, d->data, static_cast<unsigned long>(d->size));
  jpeg_read_header(&d->info, TRUE);
  const std::int64_t count = std::int64_t{d->info.image_width} * std::int64_t{d->info.image_height};
  if (count <= 0 || count > kMaxImagePixels)
    JumpToRecovery(reinterpret_cast<j_common_ptr>(&d->info));
  d->info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&d->info);
  if (d->info.output_components != 3) JumpToRecovery(reinterpret_cast<j_common_ptr>(&d->info));
  const int width = static_cast<int>(d->info.output_width);
  const int height = static_cast<int>(d->info.output_height);
  d->row = static_cast<std::uint8_t*>((*d->info.mem->alloc_small)(
      reinterpret_cast<j_common_ptr>(&d->info), JPOOL_IMAGE, 3 * static_cast<std::size_t>(width)));
  d->pixels = d->alloc(static_cast<std::size_t>(count));
  if (d->pixels == nullptr) JumpToRecovery(reinterpret_cast<j_common_ptr>(&d->info));
  while (d->info.output_scanline < d->info.output_height) {
    const JDIMENSION y = d->info.output_scanline;
    JSAMPROW rows[1] = {d->row};
    if (jpeg_read_scanlines(&d->info, rows, 1) != 1)
      JumpToRecovery(reinterpret_cast<j_common_ptr>(&d->info));
    std::uint32_t* out = d->pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = d->row + 3 * x;
      out[x] = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    }
  }
  jpeg_finish_decompress(&d->info);
  d->image.width = width;
  d->image.height = height;
  d->image.depth = d->info.num_components == 1 ? 8 : 24;
}

// True when libjpeg finished without error or warning; the decompression
// object is gone either way, and so are the pixels of a failed decode.
bool DecompressWithRecovery(Decompression* d) {
  d->info.err = jpeg_std_error(&d->errors.standard);
  d->errors.standard.error_exit = JumpToRecovery;
  d->errors.standard.emit_message = FailOnWarning;
  if (setjmp(d->errors.recovery) != 0) {
    jpeg_destroy_decompress(&d->info);
    if (d->pixels != nullptr) d->release(d->pixels);
    d->pixels = nullptr;
    return false;
  }
  Decompress(d);
  jpeg_destroy_decompress(&d->info);
  return true;
}

}  // namespace

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, DecodedImage* out, PixelAllocator alloc,
                PixelRelease release) {
  if (data == nullptr || out == nullptr || alloc == nullptr || release == nullptr) return false;
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
  if (size > 0xFFFFFFFFu) return false;
  Decompression d;
  d.data = data;
  d.size = size;
  d.alloc = alloc;
  d.release = release;
  if (!DecompressWithRecovery(&d)) return false;
  d.image.pixels = d.pixels;
  *out = d.image;
  return true;
}
