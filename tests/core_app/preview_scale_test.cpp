// The preview at the window's scale: made for the screen pixels it is shown
// on, made again from the full-size screenshot when the scale changes, and
// never a source of what is packed.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app.h"
#include "imaging/image_store.h"
#include "tests/core_app/app_fixture.h"
#include "tests/headless_kit/headless_kit.h"
#include "ui/control_kit.h"

namespace {

using PreviewScaleTest = AppTest;

// The pixels of an image, row by row without padding.
std::string Pixels(ImageHandle handle) {
  ImageView view;
  if (!ViewImage(handle, &view)) return {};
  const std::size_t row = static_cast<std::size_t>(view.width) * 4;
  std::string bytes;
  for (int y = 0; y < view.height; ++y) {
    bytes.append(reinterpret_cast<const char*>(view.pixels) + view.stride * y, row);
  }
  return bytes;
}

TEST_F(PreviewScaleTest, PreviewIsMadeForTheWindowsScaleAndTheScreenshotKeepsItsSize) {
  struct Case {
    double scale;
    int width, height;
  };
  const Case cases[] = {{1.0, 800, 600},         {1.25, 1000, 750}, {1.5, 1200, 900},
                        {1.75, 1400, 1050},      {2.0, 1600, 1200}, {1.3, 1040, 780},
                        {1.0 / 3 + 1, 1067, 800}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scale);
    headless::Reset();
    headless::SetWindowScale(c.scale);
    writeGame();
    launch();
    EXPECT_EQ(ImageSlotWidth(3), c.width);
    EXPECT_EQ(ImageSlotHeight(3), c.height);
    EXPECT_EQ(headless::ControlAt(1).width, c.width);
    EXPECT_EQ(headless::ControlAt(1).height, c.height);
    EXPECT_EQ(GetControlState(1), reinterpret_cast<std::intptr_t>(ImageSlotHandle(3)));
    EXPECT_EQ(ImageSlotWidth(2), 1024);
    EXPECT_EQ(ImageSlotHeight(2), 768);
    shutDown(false);
  }
}

TEST_F(PreviewScaleTest, ScaleChangeRemakesThePreviewFromTheFullSizeScreenshot) {
  headless::SetWindowScale(1.5);
  writeGame();
  launch();
  ASSERT_EQ(ImageSlotWidth(3), 1200);
  headless::PushScaleChange(2.0);
  headless::PushClose();
  runEventLoop();
  EXPECT_FALSE(headless::RanDry());
  EXPECT_EQ(ImageSlotWidth(3), 1600);
  EXPECT_EQ(ImageSlotHeight(3), 1200);
  EXPECT_EQ(GetControlState(1), reinterpret_cast<std::intptr_t>(ImageSlotHandle(3)));
  EXPECT_EQ(headless::ControlAt(1).width, 1600);
  // Resized from slot 2 directly, not from the 1200 x 900 preview.
  ASSERT_NE(CopyImageSlot(2, 9), nullptr);
  ASSERT_NE(ResizeImageSlot(9, 1600, 1200, ResizeSmooth), nullptr);
  const std::string expected = Pixels(ImageSlotHandle(9));
  ASSERT_FALSE(expected.empty());
  EXPECT_TRUE(Pixels(ImageSlotHandle(3)) == expected);
  EXPECT_EQ(ImageSlotWidth(2), 1024);
  shutDown(false);
}

TEST_F(PreviewScaleTest, JpegInTheArchiveIsTheSameAtEveryScale) {
  std::vector<std::string> jpegs;
  for (double scale : {1.0, 2.0}) {
    SCOPED_TRACE(scale);
    headless::Reset();
    headless::SetWindowScale(scale);
    writeGame();
    std::filesystem::remove_all(folder_.hostPath("zip"));
    launch("bmp/jpg = 1\r\n");
    pressAndEnd();
    std::vector<ZipEntry> entries;
    ASSERT_TRUE(ReadZip(zipPath("oakfield_Ann Lee_973.zip"), &entries));
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries[0].name, "oakfield_Ann Lee_973.jpg");
    jpegs.push_back(entries[0].data);
    shutDown(false);
  }
  ASSERT_EQ(jpegs.size(), 2u);
  EXPECT_GT(jpegs[0].size(), 1000u);
  EXPECT_TRUE(jpegs[0] == jpegs[1]);
}

}  // namespace
