// Texts, states and the image control of the real kit.
#include <FL/Fl_Input.H>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/image_store.h"
#include "kit_fixture.h"
#include "tests/testing/temp_folder.h"
#include "tools/sample_game.h"

namespace {

// A 24-bit BMP: the top half red, the bottom half blue.
std::string TwoColourBmp(int width, int height) {
  const std::vector<std::uint8_t> bytes = sample::Bmp24Bytes(
      width, height, [height](int, int y) { return y < height / 2 ? 0xFF0000u : 0x0000FFu; });
  return std::string(bytes.begin(), bytes.end());
}

TEST_F(KitTest, CheckBoxIsOnForAnyNonZeroValue) {
  OpenWindow(1, 0, 0, 200, 100, kCaptionWithCloseBox);
  MakeCheckBox(7, 10, 10, 100, 20, "JPG");
  for (std::intptr_t value : {5, 1, -1, 0x10000, 0}) {
    SetControlState(7, value);
    EXPECT_EQ(GetControlState(7), value != 0 ? 1 : 0) << value;
  }
}

TEST_F(KitTest, KindsWithoutStateIgnoreIt) {
  OpenWindow(1, 0, 0, 200, 100, kCaptionWithCloseBox);
  MakeButton(1, 0, 0, 50, 20, "B");
  MakeTextLabel(2, 0, 30, 50, 20, "L");
  MakeEditField(3, 0, 60, 50, 20, "E");
  for (int control : {1, 2, 3}) {
    SetControlState(control, 1);
    EXPECT_EQ(GetControlState(control), 0) << control;
  }
}

TEST_F(KitTest, TextsRoundTripInWindows1252AndShowInUtf8) {
  OpenWindow(1, 0, 0, 300, 200, kCaptionWithCloseBox);
  MakeButton(1, 0, 0, 80, 20, "");
  MakeCheckBox(2, 0, 30, 80, 20, "");
  MakeTextLabel(3, 0, 60, 80, 20, "");
  ControlHandle edit = MakeEditField(4, 0, 90, 80, 20, "");
  const std::string text = "Zeit \xE4\xF6\xFC\xDF @1 \x80";
  for (int control : {1, 2, 3, 4}) {
    SetControlText(control, text);
    EXPECT_EQ(GetControlText(control), text) << control;
  }
  EXPECT_STREQ(static_cast<Fl_Input*>(WidgetOf(edit))->value(),
               "Zeit \xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F @1 \xE2\x82\xAC");
}

TEST_F(KitTest, ImageControlTakesTheImageSizeAndShowsItsColours) {
  TempFolder folder;
  folder.write("shot.bmp", TwoColourBmp(640, 480));
  InitImageStore();
  ImageHandle image = LoadImageSlot(1, folder.programPath("shot.bmp"));
  ASSERT_NE(image, nullptr);

  Fl_Window* window = OpenWindow(1, 0, 0, 816, 640, kCaptionWithCloseBox);
  ControlHandle control = MakeImageControl(3, 8, 8, 800, 600, nullptr);
  EXPECT_EQ(WidgetOf(control)->w(), 800);
  EXPECT_EQ(WidgetOf(control)->h(), 600);
  EXPECT_EQ(GetControlState(3), 0);

  SetControlState(3, reinterpret_cast<std::intptr_t>(image));
  EXPECT_EQ(WidgetOf(control)->w(), 640);
  EXPECT_EQ(WidgetOf(control)->h(), 480);
  EXPECT_EQ(WidgetOf(control)->x(), 8);
  EXPECT_EQ(GetControlState(3), reinterpret_cast<std::intptr_t>(image));
  Settle(100);
  unsigned long xid = XidOf(window);
  EXPECT_EQ(PixelAt(xid, 8 + 10, 8 + 10), 0xFF0000u);    // top: red
  EXPECT_EQ(PixelAt(xid, 8 + 630, 8 + 470), 0x0000FFu);  // bottom: blue

  // Handle 0 shows nothing: the window's background comes back.
  unsigned long background = PixelAt(xid, 700, 620);
  SetControlState(3, 0);
  Settle(100);
  EXPECT_EQ(GetControlState(3), 0);
  EXPECT_EQ(PixelAt(xid, 8 + 10, 8 + 10), background);
  FreeAllImageSlots();
}

}  // namespace
