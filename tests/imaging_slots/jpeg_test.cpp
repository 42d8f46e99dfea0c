// The JPEG encoder: what the file looks like and how failures end.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "imaging/image_store.h"
#include "platform/platform.h"
#include "tests/imaging_slots/bmp_fixture.h"
#include "tests/testing/temp_folder.h"

namespace {

// A JPEG file decoded back to RGB.
struct Decoded {
  bool ok = false;
  int width = 0, height = 0, components = 0;
  std::vector<std::uint8_t> rgb;
  std::uint32_t At(int x, int y) const {
    const std::uint8_t* p = rgb.data() + 3 * (static_cast<std::size_t>(y) * width + x);
    return static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
  }
};

struct DecodeErrors {
  jpeg_error_mgr standard;
  std::jmp_buf recovery;
};

void FailDecode(j_common_ptr info) {
  std::longjmp(reinterpret_cast<DecodeErrors*>(info->err)->recovery, 1);
}

void DecodeInto(const std::string& file, jpeg_decompress_struct* info, Decoded* out) {
  jpeg_create_decompress(info);
  jpeg_mem_src(info, reinterpret_cast<const unsigned char*>(file.data()), file.size());
  jpeg_read_header(info, TRUE);
  info->out_color_space = JCS_RGB;
  jpeg_start_decompress(info);
  out->width = static_cast<int>(info->output_width);
  out->height = static_cast<int>(info->output_height);
  out->components = info->num_components;
  out->rgb.resize(3 * static_cast<std::size_t>(out->width) * out->height);
  while (info->output_scanline < info->output_height) {
    JSAMPROW row =
        out->rgb.data() + 3 * static_cast<std::size_t>(out->width) * info->output_scanline;
    jpeg_read_scanlines(info, &row, 1);
  }
  jpeg_finish_decompress(info);
  out->ok = true;
}

Decoded Decode(const std::string& file) {
  static Decoded result;
  static jpeg_decompress_struct info;
  static DecodeErrors errors;
  result = Decoded();
  info.err = jpeg_std_error(&errors.standard);
  errors.standard.error_exit = FailDecode;
  if (setjmp(errors.recovery) == 0) DecodeInto(file, &info, &result);
  jpeg_destroy_decompress(&info);
  return result;
}

// The payload of the first marker `code`, or "" when there is none before
// the scan.
std::string Segment(const std::string& file, unsigned char code) {
  std::size_t at = 2;
  while (at + 4 <= file.size() && static_cast<unsigned char>(file[at]) == 0xFF) {
    const auto marker = static_cast<unsigned char>(file[at + 1]);
    const std::size_t length =
        static_cast<unsigned char>(file[at + 2]) << 8 | static_cast<unsigned char>(file[at + 3]);
    if (marker == code) return file.substr(at + 4, length - 2);
    if (marker == 0xDA) break;
    at += 2 + length;
  }
  return "";
}

bool Near(std::uint32_t got, std::uint32_t want, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int a = static_cast<int>((got >> shift) & 0xFF);
    const int b = static_cast<int>((want >> shift) & 0xFF);
    if (a - b > tolerance || b - a > tolerance) return false;
  }
  return true;
}

class JpegTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitImageStore();
    RegisterJpegEncoder();
  }
  void TearDown() override {
    platform::ResetFaults();
    FreeAllImageSlots();
  }
  // Loads a BMP into slot 2 and saves it as JPEG; the JPEG file's bytes.
  std::string SaveAsJpeg(const std::string& bmp) {
    folder.write("in.bmp", bmp);
    if (LoadImageSlot(2, folder.programPath("in.bmp")) == nullptr) return "";
    if (SaveImageSlot(2, folder.programPath("out.jpg"), JpegEncoderTag) == 0) return "";
    return folder.read("out.jpg");
  }
  TempFolder folder;
};

TEST_F(JpegTest, RegisteringTwiceLeavesOneEntry) {
  RegisterJpegEncoder();
  RegisterJpegEncoder();
  EXPECT_EQ(ImageEncoderCount(JpegEncoderTag), 1);
}

TEST_F(JpegTest, ScreenshotBecomesBaselineJfifWithFourTwoZeroSampling) {
  const std::string jpeg = SaveAsJpeg(SolidBmp24(1024, 768, 0x00FF0000));
  ASSERT_GT(jpeg.size(), 100u);
  EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(Segment(jpeg, 0xE0).substr(0, 7), std::string("JFIF\0\x01\x01", 7));
  EXPECT_EQ(Segment(jpeg, 0xC2), "");  // not progressive
  const std::string frame = Segment(jpeg, 0xC0);
  ASSERT_EQ(frame.size(), 15u);
  EXPECT_EQ(frame.substr(0, 6), std::string("\x08\x03\x00\x04\x00\x03", 6));  // 768 x 1024
  EXPECT_EQ(frame[5], 3);
  EXPECT_EQ(frame[7], 0x22);   // Y 2 x 2
  EXPECT_EQ(frame[10], 0x11);  // Cb
  EXPECT_EQ(frame[13], 0x11);  // Cr
  const Decoded picture = Decode(jpeg);
  ASSERT_TRUE(picture.ok);
  EXPECT_EQ(picture.width, 1024);
  EXPECT_EQ(picture.height, 768);
  EXPECT_EQ(picture.components, 3);
  EXPECT_TRUE(Near(picture.At(0, 0), 0x00FF0000, 3)) << std::hex << picture.At(0, 0);
  EXPECT_TRUE(Near(picture.At(1023, 767), 0x00FF0000, 3));
}

TEST_F(JpegTest, PictureStaysUprightAndOddWidthsKeepTheirWidth) {
  // Blue above, green below; a yellow band on the right shows where each row
  // ends (a row that took in its fill byte would shift its neighbours).
  const auto colour = [](int x, int y) -> std::uint32_t {
    if (x >= 784) return 0x00FFFF00;
    return y < 32 ? 0x000000FF : 0x0000FF00;
  };
  const Decoded picture = Decode(SaveAsJpeg(Bmp24(801, 64, colour)));
  ASSERT_TRUE(picture.ok);
  EXPECT_EQ(picture.width, 801);
  EXPECT_EQ(picture.height, 64);
  for (int x : {0, 400, 775}) {
    EXPECT_TRUE(Near(picture.At(x, 4), 0x000000FF, 8)) << std::hex << picture.At(x, 4);
    EXPECT_TRUE(Near(picture.At(x, 60), 0x0000FF00, 8)) << std::hex << picture.At(x, 60);
  }
  for (int y : {0, 31, 32, 63}) {
    EXPECT_TRUE(Near(picture.At(800, y), 0x00FFFF00, 8)) << std::hex << picture.At(800, y);
  }
}

TEST_F(JpegTest, QualityIsClampedToZeroToTen) {
  std::mt19937 random(3);
  std::vector<std::uint8_t> rows(48 * 16);
  for (auto& b : rows) b = static_cast<std::uint8_t>(random());
  const auto encode = [&](int quality) {
    // Appended piece by piece: GCC 12 at -O3 warns falsely about "q" + to_string(...).
    std::string name = "q";
    name += std::to_string(quality);
    name += ".jpg";
    EXPECT_EQ(EncodeJpeg(folder.programPath(name), rows.data(), 16, 16, 48, quality), 1);
    return folder.read(name);
  };
  EXPECT_EQ(encode(11), encode(10));
  EXPECT_EQ(encode(1000), encode(10));
  EXPECT_EQ(encode(-1), encode(0));
  EXPECT_NE(encode(0), encode(10));
  // libjpeg quality 100 makes every quantiser 1.
  const std::string tables = Segment(encode(10), 0xDB);
  ASSERT_GE(tables.size(), 65u);
  EXPECT_EQ(tables.substr(1, 64), std::string(64, '\x01'));
}

TEST_F(JpegTest, UnwritablePathGivesZeroAndNoFile) {
  const std::vector<std::uint8_t> rows(12 * 4, 0x80);
  EXPECT_EQ(EncodeJpeg(folder.programPath("missing\\out.jpg"), rows.data(), 4, 4, 12, 7), 0);
  EXPECT_FALSE(folder.exists("missing"));
}

TEST_F(JpegTest, FailedWriteOrCloseGivesZeroAndRemovesTheFile) {
  std::mt19937 random(5);
  std::vector<std::uint8_t> rows(3 * 256 * 256);
  for (auto& b : rows) b = static_cast<std::uint8_t>(random());
  const std::string path = folder.programPath("fail.jpg");
  for (platform::Op op : {platform::Op::kWrite, platform::Op::kClose}) {
    platform::ResetFaults();
    platform::FailNthCall(op, op == platform::Op::kWrite ? 2 : 1);
    EXPECT_EQ(EncodeJpeg(path, rows.data(), 256, 256, 3 * 256, 7), 0);
    EXPECT_FALSE(folder.exists("fail.jpg"));
  }
  platform::ResetFaults();
  // The process goes on, and the next encode works.
  EXPECT_EQ(EncodeJpeg(path, rows.data(), 256, 256, 3 * 256, 7), 1);
  EXPECT_TRUE(Decode(folder.read("fail.jpg")).ok);
}

}  // namespace
