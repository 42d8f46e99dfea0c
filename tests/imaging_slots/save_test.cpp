// Saving slots: the 24-bit rows, the BMP file and the encoder registry.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/image_store.h"
#include "imaging/pixel_buffer.h"
#include "platform/platform.h"
#include "tests/imaging_slots/bmp_fixture.h"
#include "tests/testing/temp_folder.h"

namespace {

std::uint32_t Pattern(int x, int y) {
  return static_cast<std::uint32_t>((x * 3 + 1) << 16 | (y * 5 + 2) << 8 | (x ^ y));
}

// What the last call of the recording encoder received.
struct Received {
  std::string path;
  std::vector<std::uint8_t> rows;
  int width = 0, height = 0, stride = 0, quality = 0;
};
Received received;
constexpr std::uint32_t kRecordTag = 0x54534554;  // "TEST"

int RecordEncode(std::string_view path, const std::uint8_t* pixels, int width, int height,
                 int stride, int quality) {
  received.path = std::string(path);
  received.rows.assign(pixels, pixels + static_cast<std::size_t>(stride) * height);
  received.width = width;
  received.height = height;
  received.stride = stride;
  received.quality = quality;
  return 42;
}

class SaveImageTest : public ::testing::Test {
 protected:
  void SetUp() override { InitImageStore(); }
  void TearDown() override {
    platform::ResetFaults();
    FreeAllImageSlots();
  }
  ImageHandle Load(int slot, const std::string& bytes) {
    folder.write("in.bmp", bytes);
    return LoadImageSlot(slot, folder.programPath("in.bmp"));
  }
  TempFolder folder;
};

TEST(Stride24, PadsRowsToFourBytes) {
  const int cases[][2] = {{1, 4}, {2, 8}, {3, 12}, {4, 12}, {5, 16}, {800, 2400}, {801, 2404}};
  for (const auto& c : cases) EXPECT_EQ(imaging::Stride24(c[0]), c[1]) << c[0];
}

TEST_F(SaveImageTest, TagZeroWritesA24BitBmpByteForByte) {
  ASSERT_NE(Load(1, Bmp24(2, 2, Pattern)), nullptr);
  ASSERT_EQ(SaveImageSlot(1, folder.programPath("out.bmp"), 0), 1);
  const std::vector<int> bytes = {
      'B', 'M', 70, 0, 0,  0, 0, 0, 0, 0, 54, 0, 0, 0,         // file header
      40,  0,   0,  0, 2,  0, 0, 0, 2, 0, 0,  0, 1, 0, 24, 0,  // size, width, height, planes, bits
      0,   0,   0,  0, 16, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0,  // compression, image size
      0,   0,   0,  0, 0,  0, 0, 0,                            // colours
      1,   7,   1,  0, 7,  4, 0, 0,                            // bottom row, two fill bytes
      0,   2,   1,  1, 2,  4, 0, 0};                           // top row
  const std::string expected(bytes.begin(), bytes.end());
  const std::string written = folder.read("out.bmp");
  EXPECT_EQ(written.size(), 70u);
  EXPECT_EQ(written, expected);
}

TEST_F(SaveImageTest, OddWidthBmpRoundTrips) {
  ASSERT_NE(Load(1, Bmp24(801, 3, Pattern)), nullptr);
  ASSERT_EQ(SaveImageSlot(1, folder.programPath("wide.bmp"), 0), 1);
  EXPECT_EQ(folder.read("wide.bmp").size(), 54u + 2404 * 3);
  ASSERT_NE(LoadImageSlot(2, folder.programPath("wide.bmp")), nullptr);
  ImageView a, b;
  ASSERT_TRUE(ViewImage(ImageSlotHandle(1), &a));
  ASSERT_TRUE(ViewImage(ImageSlotHandle(2), &b));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(a.pixels), a.stride * 3),
            std::string(reinterpret_cast<const char*>(b.pixels), b.stride * 3));
}

TEST_F(SaveImageTest, EncoderReceivesBottomUpBgrRows) {
  if (ImageEncoderCount(kRecordTag) == 0) RegisterImageEncoder({kRecordTag, RecordEncode});
  ASSERT_NE(Load(6, Bmp24(3, 2, Pattern)), nullptr);
  const std::string path = folder.programPath("x.rec");
  EXPECT_EQ(SaveImageSlot(6, path, kRecordTag), 42);
  EXPECT_EQ(received.path, path);
  EXPECT_EQ(received.width, 3);
  EXPECT_EQ(received.height, 2);
  EXPECT_EQ(received.stride, 12);
  EXPECT_EQ(received.quality, DefaultSaveQuality);
  ASSERT_EQ(received.rows.size(), 24u);
  for (int row = 0; row < 2; ++row) {
    for (int x = 0; x < 3; ++x) {
      const std::uint32_t colour = Pattern(x, 1 - row);
      const std::uint8_t* p = received.rows.data() + 12 * row + 3 * x;
      EXPECT_EQ(p[0], colour & 0xFF);
      EXPECT_EQ(p[1], (colour >> 8) & 0xFF);
      EXPECT_EQ(p[2], colour >> 16);
    }
  }
}

TEST_F(SaveImageTest, NothingIsWrittenWithoutImagePathOrEncoder) {
  EXPECT_EQ(SaveImageSlot(1, folder.programPath("none.bmp"), 0), 0);  // empty slot
  ASSERT_NE(Load(1, Bmp24(2, 2, Pattern)), nullptr);
  EXPECT_EQ(SaveImageSlot(1, "", 0), 0);
  EXPECT_EQ(SaveImageSlot(1, folder.programPath("unknown.img"), 0x21212121), 0);
  EXPECT_FALSE(folder.exists("none.bmp"));
  EXPECT_FALSE(folder.exists("unknown.img"));
}

TEST_F(SaveImageTest, FailedWriteOrCloseIsAFailure) {
  ASSERT_NE(Load(1, Bmp24(4, 4, Pattern)), nullptr);
  for (platform::Op op : {platform::Op::kWrite, platform::Op::kClose}) {
    platform::FailNthCall(op, op == platform::Op::kWrite ? 3 : 1);
    EXPECT_EQ(SaveImageSlot(1, folder.programPath("fail.bmp"), 0), 0);
    platform::ResetFaults();
  }
  EXPECT_EQ(SaveImageSlot(1, folder.programPath("missing\\fail.bmp"), 0), 0);
}

TEST(EncoderRegistry, HoldsAHundredEntries) {
  // In a child process, so the full registry does not reach other tests.
  EXPECT_EXIT(
      {
        constexpr std::uint32_t kFillTag = 0x4C4C4946;  // "FILL"
        const int before = ImageEncoderCount(kRecordTag) + ImageEncoderCount(JpegEncoderTag);
        for (int i = 0; i < 120; ++i) RegisterImageEncoder({kFillTag, RecordEncode});
        std::exit(ImageEncoderCount(kFillTag) == 100 - before ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
