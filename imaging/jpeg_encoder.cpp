// The JPEG encoder: 24-bit rows to a baseline JFIF file through libjpeg.
//
// libjpeg reports errors by calling error_exit, which by default ends the
// process. Ours jumps back into EncodeJpeg instead, which then gives 0 and
// removes the partial file, so a full disk only fails the save.
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

#include "imaging/image_store.h"
#include "platform/platform.h"

namespace {

struct ErrorManager {
  jpeg_error_mgr standard;  // first, so libjpeg's pointer to it is ours too
  std::jmp_buf recovery;
};

// Everything one compression needs, kept in one record outside the function
// that sets the recovery point, so nothing live across setjmp changes.
struct Compression {
  jpeg_compress_struct info{};
  ErrorManager errors{};
  std::FILE* file = nullptr;        // the file written, or nullptr for memory
  unsigned char* memory = nullptr;  // from libjpeg's memory destination
  unsigned long memorySize = 0;
  const std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
  int quality = 0;
};

[[noreturn]] void JumpToRecovery(j_common_ptr info) {
  auto* errors = reinterpret_cast<ErrorManager*>(info->err);
  std::longjmp(errors->recovery, 1);
}

#ifdef JCS_EXTENSIONS
// libjpeg-turbo takes blue-green-red rows as they are: each row goes in by
// pointer, with no copy. libjpeg only reads input rows.
constexpr J_COLOR_SPACE kInputSpace = JCS_EXT_BGR;

// Each picture row, top to bottom (the rows in memory come bottom-up).
void WriteRows(Compression* c) {
  for (int y = c->height - 1; y >= 0; --y) {
    JSAMPROW row = const_cast<JSAMPROW>(c->pixels + static_cast<std::size_t>(c->stride) * y);
    // A row not taken: jpeg_finish_compress then reports the missing rows.
    if (jpeg_write_scanlines(&c->info, &row, 1) != 1) return;
    platform::KeepServing();
  }
}
#else
constexpr J_COLOR_SPACE kInputSpace = JCS_RGB;

// One row of blue-green-red pixels as red-green-blue.
void SwapRedBlue(const std::uint8_t* in, int width, std::uint8_t* out) {
  for (int x = 0; x < width; ++x, in += 3, out += 3) {
    out[0] = in[2];
    out[1] = in[1];
    out[2] = in[0];
  }
}

// Each picture row, top to bottom (the rows in memory come bottom-up), goes
// through one row buffer with its blue and red bytes swapped.
void WriteRows(Compression* c) {
  JSAMPARRAY buffer = (*c->info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&c->info),
                                                   JPOOL_IMAGE, 3 * c->width, 1);
  for (int y = c->height - 1; y >= 0; --y) {
    SwapRedBlue(c->pixels + static_cast<std::size_t>(c->stride) * y, c->width, buffer[0]);
    jpeg_write_scanlines(&c->info, buffer, 1);
    platform::KeepServing();
  }
}
#endif

void Compress(Compression* c) {
  jpeg_create_compress(&c->info);
  if (c->file != nullptr) {
    jpeg_stdio_dest(&c->info, c->file);
  } else {
    jpeg_mem_dest(&c->info, &c->memory, &c->memorySize);
  }
  c->info.image_width = static_cast<JDIMENSION>(c->width);
  c->info.image_height = static_cast<JDIMENSION>(c->height);
  c->info.input_components = 3;
  c->info.in_color_space = kInputSpace;
  jpeg_set_defaults(&c->info);
  jpeg_set_quality(&c->info, c->quality * 10, FALSE);
  jpeg_start_compress(&c->info, TRUE);
  WriteRows(c);
  jpeg_finish_compress(&c->info);
}

// True when libjpeg finished without error. The compression object is gone
// either way.
bool CompressWithRecovery(Compression* c) {
  c->info.err = jpeg_std_error(&c->errors.standard);
  c->errors.standard.error_exit = JumpToRecovery;
  c->errors.standard.trace_level = -1;
  if (setjmp(c->errors.recovery) != 0) {
    jpeg_destroy_compress(&c->info);
    return false;
  }
  Compress(c);
  jpeg_destroy_compress(&c->info);
  return true;
}

bool registered = false;

bool ValidInput(const std::uint8_t* pixels, int width, int height, int stride) {
  if (pixels == nullptr || width <= 0 || height <= 0 || stride < 3 * width) return false;
  return width <= JPEG_MAX_DIMENSION && height <= JPEG_MAX_DIMENSION;
}

void SetInput(Compression* c, const std::uint8_t* pixels, int width, int height, int stride,
              int quality) {
  c->pixels = pixels;
  c->width = width;
  c->height = height;
  c->stride = stride;
  c->quality = quality < 0 ? 0 : (quality > 10 ? 10 : quality);
}

}  // namespace

int EncodeJpeg(std::string_view path, const std::uint8_t* pixels, int width, int height, int stride,
               int quality) {
  if (!ValidInput(pixels, width, height, stride)) return 0;
  Compression c;
  c.file = platform::OpenStdioFile(path, "wb");
  if (c.file == nullptr) return 0;
  SetInput(&c, pixels, width, height, stride, quality);
  const bool compressed = CompressWithRecovery(&c);
  const bool closed = std::fclose(c.file) == 0;
  if (compressed && closed) return 1;
  platform::DeleteFileAt(path);
  return 0;
}

int EncodeJpegToMemory(std::string* out, const std::uint8_t* pixels, int width, int height,
                       int stride, int quality) {
  if (out == nullptr) return 0;
  out->clear();
  if (!ValidInput(pixels, width, height, stride)) return 0;
  Compression c;
  SetInput(&c, pixels, width, height, stride, quality);
  const bool compressed = CompressWithRecovery(&c);
  if (compressed && c.memory != nullptr) {
    out->assign(reinterpret_cast<const char*>(c.memory), c.memorySize);
  }
  std::free(c.memory);
  return compressed && !out->empty() ? 1 : 0;
}

void RegisterJpegEncoder() {
  if (registered) return;
  registered = true;
  RegisterImageEncoder({JpegEncoderTag, EncodeJpeg});
}
