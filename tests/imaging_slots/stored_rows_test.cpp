// Slots loaded from plain 24-bit bottom-up files keep the stored rows; every
// operation must give what the decoded (top-down) form of the same picture
// gives.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "imaging/image_store.h"
#include "tests/imaging_slots/bmp_fixture.h"
#include "tests/testing/temp_folder.h"

namespace {

std::uint32_t Noise(int x, int y) {
  std::uint32_t v =
      static_cast<std::uint32_t>(x) * 2654435761u ^ static_cast<std::uint32_t>(y) * 40503u;
  v ^= v >> 13;
  return (v * 2246822519u) >> 8;
}

std::string Pixels(ImageHandle handle) {
  ImageView view;
  if (!ViewImage(handle, &view)) return "no view";
  return std::string(reinterpret_cast<const char*>(view.pixels), view.stride * view.height);
}

int received = 0;
std::string receivedRows;
constexpr std::uint32_t kRowsTag = 0x53574F52;  // "ROWS"
int RecordRows(std::string_view, const std::uint8_t* pixels, int, int height, int stride, int) {
  ++received;
  receivedRows.assign(reinterpret_cast<const char*>(pixels),
                      static_cast<std::size_t>(stride) * height);
  return 1;
}

class StoredRowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitImageStore();
    if (ImageEncoderCount(kRowsTag) == 0) RegisterImageEncoder({kRowsTag, RecordRows});
  }
  void TearDown() override { FreeAllImageSlots(); }
  // Slot 1 holds the stored rows, slot 2 the same picture decoded from a
  // top-down file.
  void LoadBoth(int width, int height) {
    folder.write("up.bmp", Bmp24(width, height, Noise));
    folder.write("down.bmp", Bmp24(width, height, Noise, true));
    ASSERT_NE(LoadImageSlot(1, folder.programPath("up.bmp")), nullptr);
    ASSERT_NE(LoadImageSlot(2, folder.programPath("down.bmp")), nullptr);
  }
  TempFolder folder;
};

TEST_F(StoredRowsTest, ViewMatchesTheDecodedFormAndIsMadeOnce) {
  for (const auto& size : {std::pair{1, 1}, std::pair{5, 3}, std::pair{8, 2}, std::pair{7, 9}}) {
    LoadBoth(size.first, size.second);
    EXPECT_EQ(ImageSlotDepth(1), 24);
    EXPECT_EQ(Pixels(ImageSlotHandle(1)), Pixels(ImageSlotHandle(2))) << size.first;
    ImageView first, again;
    ASSERT_TRUE(ViewImage(ImageSlotHandle(1), &first));
    ASSERT_NE(CopyImageSlot(1, 3), nullptr);
    FreeImageSlot(1);
    ASSERT_TRUE(ViewImage(ImageSlotHandle(3), &again));  // the copy shares the view
    EXPECT_EQ(again.pixels, first.pixels);
  }
}

TEST_F(StoredRowsTest, StretchesMatchTheDecodedForm) {
  // Shrinking and enlarging, with ratios for the whole-number average and
  // for the fixed-point one (a reduced source height above 257).
  const int cases[][4] = {{64, 36, 20, 15}, {13, 7, 40, 21}, {9, 600, 4, 7}, {30, 20, 7, 3}};
  for (const auto& c : cases) {
    for (int mode : {ResizeSmooth, ResizeRaw}) {
      LoadBoth(c[0], c[1]);
      ASSERT_NE(ResizeImageSlot(1, c[2], c[3], mode), nullptr);
      ASSERT_NE(ResizeImageSlot(2, c[2], c[3], mode), nullptr);
      EXPECT_EQ(Pixels(ImageSlotHandle(1)), Pixels(ImageSlotHandle(2)))
          << c[0] << "x" << c[1] << " -> " << c[2] << "x" << c[3] << " mode " << mode;
    }
  }
}

TEST_F(StoredRowsTest, SavesGiveTheSameRowsWithCleanPadding) {
  // Fill bytes in the file that are not zero do not reach a saved file.
  std::string file = Bmp24(5, 3, Noise);
  for (int row = 0; row < 3; ++row) file[54 + 16 * row + 15] = '\x5A';
  folder.write("dirty.bmp", file);
  folder.write("down.bmp", Bmp24(5, 3, Noise, true));
  ASSERT_NE(LoadImageSlot(1, folder.programPath("dirty.bmp")), nullptr);
  ASSERT_NE(LoadImageSlot(2, folder.programPath("down.bmp")), nullptr);
  ASSERT_EQ(SaveImageSlot(1, folder.programPath("a.bmp"), 0), 1);
  ASSERT_EQ(SaveImageSlot(2, folder.programPath("b.bmp"), 0), 1);
  EXPECT_EQ(folder.read("a.bmp"), folder.read("b.bmp"));
  EXPECT_EQ(folder.read("a.bmp"), Bmp24(5, 3, Noise));
  received = 0;
  ASSERT_EQ(SaveImageSlot(1, folder.programPath("a.rows"), kRowsTag), 1);
  const std::string stored = receivedRows;
  ASSERT_EQ(SaveImageSlot(2, folder.programPath("b.rows"), kRowsTag), 1);
  EXPECT_EQ(received, 2);
  EXPECT_EQ(stored, receivedRows);
  EXPECT_EQ(stored, Bmp24(5, 3, Noise).substr(54));
}

}  // namespace
