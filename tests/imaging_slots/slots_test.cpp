// Loading, copying, stretching and freeing numbered image slots.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "imaging/image_store.h"
#include "tests/imaging_slots/bmp_fixture.h"
#include "tests/testing/temp_folder.h"

namespace {

std::uint32_t Pattern(int x, int y) {
  return static_cast<std::uint32_t>((x * 40) << 16 | (y * 60) << 8 | (x + y) * 7);
}

// The pixel at (x, y) of a handle, as 0x00RRGGBB.
std::uint32_t PixelAt(ImageHandle handle, int x, int y) {
  ImageView view;
  if (!ViewImage(handle, &view)) return 0xFFFFFFFF;
  const std::uint8_t* p = view.pixels + view.stride * y + 4 * x;
  return static_cast<std::uint32_t>(p[2] << 16 | p[1] << 8 | p[0]);
}

// Checks that `slot` holds `handle`, a 24-bit picture of the given size, and
// that the handle's view has that size; the view is left in `view`.
void ExpectSlotHolds(int slot, ImageHandle handle, int width, int height, ImageView* view) {
  EXPECT_EQ(ImageSlotHandle(slot), handle);
  EXPECT_EQ(ImageSlotWidth(slot), width);
  EXPECT_EQ(ImageSlotHeight(slot), height);
  EXPECT_EQ(ImageSlotDepth(slot), 24);
  ASSERT_TRUE(ViewImage(handle, view));
  EXPECT_EQ(view->width, width);
  EXPECT_EQ(view->height, height);
}

class ImageSlotsTest : public ::testing::Test {
 protected:
  void SetUp() override { InitImageStore(); }
  void TearDown() override { FreeAllImageSlots(); }

  // Writes a file and loads it into `slot`.
  ImageHandle Load(int slot, const std::string& name, const std::string& bytes) {
    folder.write(name, bytes);
    return LoadImageSlot(slot, folder.programPath(name));
  }

  TempFolder folder;
};

TEST_F(ImageSlotsTest, LoadGivesSizeDepthAndTopDownPixels) {
  ImageHandle handle = Load(2, "shot.bmp", Bmp24(5, 3, Pattern));
  ASSERT_NE(handle, nullptr);
  ImageView view;
  ASSERT_NO_FATAL_FAILURE(ExpectSlotHolds(2, handle, 5, 3, &view));
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelAt(handle, x, y), Pattern(x, y)) << x << "," << y;
  }
  EXPECT_FALSE(ViewImage(nullptr, &view));
}

TEST_F(ImageSlotsTest, FailedLoadEmptiesTheSlot) {
  std::string truncated = Bmp24(8, 8, Pattern);
  truncated.resize(truncated.size() - 30);
  folder.makeFolder("folder.bmp");
  folder.write("empty.bmp", "");
  folder.write("text.bmp", "hello, this is no picture");
  folder.write("truncated.bmp", truncated);
  for (const char* name : {"missing.bmp", "folder.bmp", "empty.bmp", "text.bmp", "truncated.bmp"}) {
    ASSERT_NE(Load(4, "good.bmp", Bmp24(2, 2, Pattern)), nullptr);
    EXPECT_EQ(LoadImageSlot(4, folder.programPath(name)), nullptr) << name;
    EXPECT_EQ(ImageSlotHandle(4), nullptr) << name;
    EXPECT_EQ(ImageSlotWidth(4), 0) << name;
  }
}

TEST_F(ImageSlotsTest, NumbersGrowTheTableAndNegativeOnesFail) {
  EXPECT_NE(Load(40, "a.bmp", Bmp24(3, 2, Pattern)), nullptr);
  EXPECT_NE(Load(0, "b.bmp", Bmp24(1, 1, Pattern)), nullptr);
  EXPECT_EQ(ImageSlotWidth(40), 3);
  EXPECT_EQ(ImageSlotWidth(0), 1);
  EXPECT_EQ(Load(-1, "c.bmp", Bmp24(1, 1, Pattern)), nullptr);
  EXPECT_EQ(ImageSlotHandle(-1), nullptr);
  EXPECT_EQ(ImageSlotHandle(1000), nullptr);
  FreeImageSlot(40);
  EXPECT_EQ(ImageSlotHandle(40), nullptr);
  EXPECT_NE(ImageSlotHandle(0), nullptr);
  FreeImageSlot(999);  // never used: nothing happens
  FreeAllImageSlots();
  EXPECT_EQ(ImageSlotHandle(0), nullptr);
}

TEST_F(ImageSlotsTest, CopyIsIndependentOfItsSource) {
  ImageHandle source = Load(2, "shot.bmp", Bmp24(6, 4, Pattern));
  ASSERT_NE(source, nullptr);
  ImageHandle copy = CopyImageSlot(2, 3);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, source);
  EXPECT_EQ(ImageSlotHandle(3), copy);
  EXPECT_EQ(ImageSlotWidth(3), 6);
  EXPECT_EQ(ImageSlotHeight(3), 4);
  EXPECT_EQ(ImageSlotDepth(3), 24);

  // Stretching the copy leaves the source as it was, and the copy outlives
  // the source.
  ASSERT_NE(ResizeImageSlot(3, 3, 2, ResizeRaw), nullptr);
  EXPECT_EQ(ImageSlotHandle(2), source);
  EXPECT_EQ(PixelAt(source, 5, 3), Pattern(5, 3));
  ASSERT_NE(CopyImageSlot(2, 5), nullptr);
  FreeImageSlot(2);
  ASSERT_NE(ImageSlotHandle(5), nullptr);
  EXPECT_EQ(PixelAt(ImageSlotHandle(5), 5, 3), Pattern(5, 3));
  EXPECT_EQ(PixelAt(ImageSlotHandle(5), 0, 0), Pattern(0, 0));
}

TEST_F(ImageSlotsTest, CopyFromEmptySlotLeavesDestination) {
  ImageHandle kept = Load(3, "shot.bmp", Bmp24(2, 2, Pattern));
  EXPECT_EQ(CopyImageSlot(7, 3), nullptr);
  EXPECT_EQ(CopyImageSlot(100, 3), nullptr);
  EXPECT_EQ(ImageSlotHandle(3), kept);
  // A slot copied onto itself keeps its image.
  EXPECT_EQ(CopyImageSlot(3, 3), kept);
  EXPECT_EQ(ImageSlotHandle(3), kept);
}

TEST_F(ImageSlotsTest, ResizeGivesRequestedSizeAndKeepsDepth) {
  for (int mode : {ResizeSmooth, ResizeRaw, 5}) {
    ASSERT_NE(Load(2, "big.bmp", Bmp24(1024, 768, Pattern)), nullptr);
    ImageHandle resized = ResizeImageSlot(2, 800, 600, mode);
    ASSERT_NE(resized, nullptr) << mode;
    ImageView view;
    ASSERT_NO_FATAL_FAILURE(ExpectSlotHolds(2, resized, 800, 600, &view));
    EXPECT_EQ(view.stride, 3200u);
  }
}

TEST_F(ImageSlotsTest, ResizeToSameSizeKeepsTheHandle) {
  ImageHandle handle = Load(3, "same.bmp", Bmp24(80, 60, Pattern));
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(ResizeImageSlot(3, 80, 60, ResizeSmooth), handle);
  EXPECT_EQ(ImageSlotHandle(3), handle);
}

TEST_F(ImageSlotsTest, ResizeThatCannotMakeItsBufferKeepsTheImage) {
  ImageHandle handle = Load(3, "keep.bmp", Bmp24(8, 6, Pattern));
  ASSERT_NE(handle, nullptr);
  const int sizes[][2] = {{0, 5}, {5, 0}, {-4, 4}, {100000, 100000}, {1 << 30, 2}};
  for (const auto& size : sizes) {
    EXPECT_EQ(ResizeImageSlot(3, size[0], size[1], ResizeSmooth), nullptr) << size[0];
    EXPECT_EQ(ImageSlotHandle(3), handle);
    EXPECT_EQ(ImageSlotWidth(3), 8);
    EXPECT_EQ(ImageSlotHeight(3), 6);
  }
  EXPECT_EQ(ResizeImageSlot(9, 4, 4, ResizeSmooth), nullptr);  // empty slot
}

}  // namespace
