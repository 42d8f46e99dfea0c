// The main window at the density of the screen: its client area, every
// control's rectangle and font, and every caption it shows fitting its
// control, at the system's DPI and after WM_DPICHANGED. The program is
// DPI-aware through its manifest; this test program asks for the same.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "core/app.h"
#include "imaging/image_store.h"
#include "ui/control_kit.h"

namespace {

const bool kDpiAware = SetProcessDPIAware() != 0;

// The layout at 96 DPI: control number, x, y, width, height.
struct Place {
  int number, x, y, width, height;
};
constexpr Place kLayout[] = {
    {1, 20, 5, 800, 600},    {2, 20, 620, 70, 24},    {3, 20, 650, 70, 24},
    {4, 20, 680, 70, 24},    {7, 320, 680, 60, 24},   {12, 100, 625, 300, 24},
    {13, 100, 655, 300, 24}, {14, 100, 685, 200, 24}, {15, 410, 625, 38, 24},
    {5, 450, 620, 350, 24},  {50, 450, 660, 80, 30},
};

// What the labels show for the sample game, and the button's captions.
const std::pair<int, const char*> kLabelTexts[] = {
    {12, "\\Hills\\Oakfield"}, {13, "Race1.gam"}, {14, "Screen1.bmp"}};
const char* const kButtonCaptions[] = {"Make Zip", " Wait", "Wait ", "End"};

int Scaled(int value, double scale) { return static_cast<int>(std::lround(value * scale)); }

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

RECT WorkArea(HWND window) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &info);
  return info.rcWork;
}

// Whether the main window at `scale`, framed at `dpi`, fits the work area.
bool FitsAt(HWND window, double scale, int dpi) {
  RECT frame = {0, 0, Scaled(840, scale), Scaled(710, scale)};
  AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                           0, static_cast<UINT>(dpi));
  const RECT work = WorkArea(window);
  return frame.right - frame.left <= work.right - work.left &&
         frame.bottom - frame.top <= work.bottom - work.top;
}

SIZE TextSize(HWND control, const std::string& text) {
  HDC dc = GetDC(control);
  HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE size = {};
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size;
}

std::string TextOf(HWND control) {
  char text[256] = {};
  GetWindowTextA(control, text, sizeof text);
  return text;
}

// The room a caption leaves for its text, in 96-DPI pixels: a check box's
// box and the gap after it; a button's edges and focus frame.
struct Room {
  int width, height;
};
Room RoomAround(int number) {
  switch (number) {
    case 2:
    case 3:
    case 4:
    case 7:
      return {16, 0};
    case 50:
      return {8, 6};
    default:
      return {0, 0};
  }
}

void ExpectCaptionFits(HWND control, int number, const Place& place, double scale) {
  const std::string text = TextOf(control);
  const SIZE size = TextSize(control, text);
  const Room room = RoomAround(number);
  EXPECT_LE(size.cx + Scaled(room.width, scale), Scaled(place.width, scale))
      << "control " << number << " '" << text << "' is cut";
  EXPECT_LE(size.cy + Scaled(room.height, scale), Scaled(place.height, scale))
      << "control " << number << " '" << text << "' is cut";
}

class DpiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kDpiAware);
    InitControlKit();
    InitImageStore();
    resetAppState();
    buildMainWindow();
    window_ = FindMain();
    ASSERT_NE(window_, nullptr);
    for (const auto& [number, text] : kLabelTexts) SetControlText(number, text);
    Drain();
  }
  void TearDown() override {
    CloseAllWindows();
    FreeAllImageSlots();
    resetAppState();
  }

  static HWND FindMain() { return FindWindowA("WindowClass_0", nullptr); }

  static void Drain() {
    for (int i = 0; i < 10000 && WaitEvent(0) != 0; ++i) {
    }
  }

  // The window, every control and every caption at `scale`, fonts for `dpi`.
  void ExpectLaidOutAt(double scale, int dpi) {
    SCOPED_TRACE(testing::Message() << "scale " << scale << ", dpi " << dpi);
    RECT client;
    GetClientRect(window_, &client);
    EXPECT_EQ(client.right, Scaled(840, scale));
    EXPECT_EQ(client.bottom, Scaled(710, scale));
    const HFONT stock = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA stockFont = {};
    GetObjectA(stock, sizeof stockFont, &stockFont);
    for (const Place& place : kLayout) {
      SCOPED_TRACE(place.number);
      HWND control = GetDlgItem(window_, place.number);
      ASSERT_NE(control, nullptr);
      RECT at;
      GetWindowRect(control, &at);
      MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&at), 2);
      EXPECT_NEAR(at.left, place.x * scale, 1.0);
      EXPECT_NEAR(at.top, place.y * scale, 1.0);
      EXPECT_NEAR(at.right - at.left, place.width * scale, 1.0);
      EXPECT_NEAR(at.bottom - at.top, place.height * scale, 1.0);
      const auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
      if (dpi == 96 && SystemDpi() == 96) {
        EXPECT_EQ(font, stock);  // at 96 DPI the stock font itself
      } else {
        LOGFONTA made = {};
        ASSERT_NE(GetObjectA(font, sizeof made, &made), 0);
        EXPECT_EQ(made.lfHeight, -Scaled(11, scale));
        EXPECT_STREQ(made.lfFaceName, stockFont.lfFaceName);
      }
      if (place.number == 1 || place.number == 5) continue;  // no caption
      if (place.number == 50) {
        for (const char* caption : kButtonCaptions) {
          SetControlText(50, caption);
          ExpectCaptionFits(control, 50, place, scale);
        }
      } else {
        ExpectCaptionFits(control, place.number, place, scale);
      }
    }
  }

  HWND window_ = nullptr;
};

// Expects a screen that holds the window at the system's scale (2048 x 1600
// up to 192 DPI).
TEST_F(DpiTest, MainWindowIsItsLayoutTimesTheScreensScale) {
  const int dpi = SystemDpi();
  ASSERT_TRUE(FitsAt(window_, dpi / 96.0, dpi)) << "the screen is too small for " << dpi << " DPI";
  const double scale = dpi <= 96 ? 1.0 : dpi / 96.0;
  EXPECT_EQ(WindowScale(0), scale);
  ExpectLaidOutAt(scale, dpi);
}

TEST_F(DpiTest, DpiChangeLaysTheWindowOutAgainAndIsReported) {
  for (int dpi : {120, 144, 192, 72, 96}) {
    SCOPED_TRACE(dpi);
    RECT suggested;
    GetWindowRect(window_, &suggested);
    SendMessageA(window_, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    std::vector<int> codes;
    for (int i = 0; i < 1000; ++i) {
      const int code = WaitEvent(0);
      if (code == 0) break;
      if (code == ScaleChangedEvent) {
        EXPECT_EQ(LastEventWindow(), 0);
      }
      codes.push_back(code);
    }
    EXPECT_EQ(std::count(codes.begin(), codes.end(), ScaleChangedEvent), 1);
    const double wanted = dpi <= 96 ? 1.0 : dpi / 96.0;
    const double scale = WindowScale(0);
    if (FitsAt(window_, wanted, dpi)) {
      EXPECT_EQ(scale, wanted);
    } else {
      // The largest scale that fits: the frame computed for the DPI fills
      // the work area's width or height to within a pixel or two. (Under
      // Wine the frame drawn stays that of the system's DPI.)
      EXPECT_GE(scale, 1.0);
      EXPECT_LT(scale, wanted);
      RECT outer, client;
      GetWindowRect(window_, &outer);
      GetClientRect(window_, &client);
      RECT frame = client;
      AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_STYLE)),
                               FALSE, 0, static_cast<UINT>(dpi));
      const RECT work = WorkArea(window_);
      const long spareW = (work.right - work.left) - (outer.right - outer.left);
      const long spareH = (work.bottom - work.top) - (outer.bottom - outer.top);
      const long moreW = (frame.right - frame.left) - (outer.right - outer.left);
      const long moreH = (frame.bottom - frame.top) - (outer.bottom - outer.top);
      EXPECT_GE(spareW, 0);
      EXPECT_GE(spareH, 0);
      EXPECT_LE(std::min(spareW - moreW, spareH - moreH), 2);
      EXPECT_GE(std::min(spareW - moreW, spareH - moreH), 0);
    }
    ExpectLaidOutAt(scale, dpi);
  }
}

}  // namespace
