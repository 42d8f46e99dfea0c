// The Windows control kit in a real (Wine) display: window events and their
// queue, control events, states, texts, Tab navigation, the image control
// and the modal message box.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "imaging/image_store.h"
#include "platform/platform.h"
#include "ui/control_kit.h"

namespace {

constexpr std::uint32_t kStyle = WindowTitleBar | WindowSystemMenu;

HWND Hwnd(ControlHandle handle) { return reinterpret_cast<HWND>(handle); }

// Every event code that the waiting messages raise, in order (the
// "message handled" number 1 left out).
std::vector<int> Drain() {
  std::vector<int> codes;
  for (int i = 0; i < 10000; ++i) {
    const int code = WaitEvent(0);
    if (code == 0) break;
    if (code != 1) codes.push_back(code);
  }
  return codes;
}

// The control events (control, type) that the waiting messages raise.
std::vector<std::pair<int, int>> DrainControlEvents() {
  std::vector<std::pair<int, int>> events;
  for (int i = 0; i < 10000; ++i) {
    const int code = WaitEvent(0);
    if (code == 0) break;
    if (code == ControlEvent) events.emplace_back(LastEventControl(), LastEventType());
  }
  return events;
}

// A 24-bit bottom-up BMP of the given size, all one grey.
std::string Bmp(int width, int height) {
  const int row = (width * 3 + 3) / 4 * 4;
  const int size = 54 + row * height;
  std::string bytes(static_cast<std::size_t>(size), '\x80');
  auto put = [&bytes](int at, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i)
      bytes[static_cast<std::size_t>(at + i)] = char(value >> (8 * i));
  };
  bytes[0] = 'B', bytes[1] = 'M';
  put(2, static_cast<std::uint32_t>(size), 4), put(6, 0, 4), put(10, 54, 4);
  put(14, 40, 4), put(18, static_cast<std::uint32_t>(width), 4);
  put(22, static_cast<std::uint32_t>(height), 4), put(26, 1, 2), put(28, 24, 2);
  for (int at = 30; at < 54; at += 4) put(at, 0, 4);
  return bytes;
}

class Win32KitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitControlKit();
    InitImageStore();
    window_ = Hwnd(MakeWindow(0, 10, 10, 400, 300, "Kit", kStyle));
    ASSERT_NE(window_, nullptr);
    MakeCheckBox(2, 10, 10, 80, 24, "Track");
    MakeTextLabel(12, 100, 10, 100, 24, "-");
    MakeEditField(5, 10, 40, 200, 24, "Zip");
    MakeButton(50, 10, 80, 80, 30, "Make Zip");
    Drain();
  }
  void TearDown() override {
    CloseAllWindows();
    FreeAllImageSlots();
  }
  HWND window_ = nullptr;
};

TEST_F(Win32KitTest, WindowHasExactClientSizeItsOwnClassAndNoSizingFrame) {
  RECT client;
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(client.bottom, 300);
  char name[64] = {};
  GetClassNameA(window_, name, sizeof name);
  EXPECT_STREQ(name, "WindowClass_0");
  const LONG_PTR style = GetWindowLongPtrA(window_, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
}

// WaitEvent may return early without an event (Wine wakes the wait for
// messages it then handles itself), but it never blocks far past its time-out,
// and a zero time-out never blocks at all. The bounds hold on a loaded
// machine: waiting is checked by the processor time the waits use, not by the
// clock.
TEST_F(Win32KitTest, WaitEventNeverBlocksPastItsTimeOut) {
  using Clock = std::chrono::steady_clock;
  for (int timeout : {0, 20}) {
    const auto start = Clock::now();
    EXPECT_EQ(WaitEvent(timeout), 0) << timeout;
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << timeout;
  }
}

// The thread's processor time in milliseconds.
long long ThreadCpuMs() {
  FILETIME created, ended, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user);
  auto ms = [](FILETIME t) {
    return ((static_cast<long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000;
  };
  return ms(kernel) + ms(user);
}

// The event loop waits with WaitEvent(20) while nothing happens: two seconds
// of that must sleep, not spin.
TEST_F(Win32KitTest, IdleEventLoopDoesNotSpin) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  const long long before = ThreadCpuMs();
  int calls = 0;
  while (std::chrono::steady_clock::now() < until) {
    WaitEvent(20);
    ++calls;
  }
  EXPECT_LT(ThreadCpuMs() - before, 100) << calls << " calls";
}

TEST_F(Win32KitTest, WindowEventsQueueWithoutRepeatingTheLastOne) {
  struct Case {
    std::vector<UINT> messages;
    std::vector<int> events;
  };
  const Case cases[] = {
      {{WM_MOVE, WM_MOVE}, {MoveWindowEvent}},
      {{WM_MOVE, WM_ERASEBKGND, WM_MOVE}, {MoveWindowEvent, RepaintEvent, MoveWindowEvent}},
      {{WM_CLOSE, WM_CLOSE, WM_MOVE}, {CloseWindowEvent, MoveWindowEvent}},
  };
  HDC dc = GetDC(window_);
  for (const Case& c : cases) {
    for (UINT message : c.messages) {
      SendMessageA(window_, message, message == WM_ERASEBKGND ? WPARAM(dc) : 0, 0);
    }
    EXPECT_EQ(Drain(), c.events) << c.messages.size() << " messages";
  }
  ReleaseDC(window_, dc);
}

TEST_F(Win32KitTest, CloseRequestLeavesTheWindowOpen) {
  PostMessageA(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  int code = 0;
  for (int i = 0; i < 50 && code != CloseWindowEvent; ++i) code = WaitEvent(20);
  EXPECT_EQ(code, CloseWindowEvent);
  EXPECT_EQ(LastEventWindow(), 0);
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_TRUE(IsWindowVisible(window_));
}

TEST_F(Win32KitTest, StatesByKind) {
  SetControlState(2, 5);
  EXPECT_EQ(GetControlState(2), 1);
  SetControlState(2, 0);
  EXPECT_EQ(GetControlState(2), 0);
  SetControlState(12, 1);
  EXPECT_EQ(GetControlState(12), 0);
  EXPECT_EQ(GetControlState(50), 0);
  EXPECT_EQ(GetControlState(99), 0);
}

TEST_F(Win32KitTest, TextsRoundTripWithoutALengthLimit) {
  SetControlText(12, "Programm mu\xDF");
  EXPECT_EQ(GetControlText(12), "Programm mu\xDF");
  SetControlText(5, "");
  // EM_REPLACESEL obeys the edit field's limit, as typing does.
  const std::string typed(40000, 'x');
  SendMessageA(GetDlgItem(window_, 5), EM_REPLACESEL, FALSE,
               reinterpret_cast<LPARAM>(typed.c_str()));
  EXPECT_EQ(GetControlText(5).size(), typed.size());
  EXPECT_EQ(GetControlText(99), "");
}

TEST_F(Win32KitTest, ControlEventsCarryControlAndType) {
  SendMessageA(GetDlgItem(window_, 2), BM_CLICK, 0, 0);
  SetFocus(GetDlgItem(window_, 5));
  SetFocus(GetDlgItem(window_, 50));
  const std::vector<std::pair<int, int>> expected = {
      {2, ClickedEvent}, {5, FocusGainedEvent}, {5, FocusLostEvent}};
  EXPECT_EQ(DrainControlEvents(), expected);
  EXPECT_EQ(GetControlState(2), 1);
}

TEST_F(Win32KitTest, TabAndShiftTabSkipLabelsAndDisabledControlsAndWrap) {
  struct Case {
    int from;
    WORD command;
    int to;
  };
  const Case cases[] = {
      {2, 64001, 5}, {5, 64001, 50}, {50, 64001, 2}, {2, 64002, 50}, {50, 64002, 5}};
  for (const Case& c : cases) {
    SetFocus(GetDlgItem(window_, c.from));
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(c.command, 1), 0);
    EXPECT_EQ(GetFocus(), GetDlgItem(window_, c.to)) << c.from << " " << c.command;
  }
  DisableControl(5, 1);
  SetFocus(GetDlgItem(window_, 2));
  SendMessageA(window_, WM_COMMAND, MAKEWPARAM(64001, 1), 0);
  EXPECT_EQ(GetFocus(), GetDlgItem(window_, 50));
  DisableControl(5, 0);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window_, 5)));
}

TEST_F(Win32KitTest, ImageControlTakesTheImageSizeAndReportsMouseUse) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("kit-" + std::to_string(GetCurrentProcessId()) + ".bmp");
  std::ofstream(file, std::ios::binary) << Bmp(640, 480);
  ImageHandle image = LoadImageSlot(1, file.string());
  std::filesystem::remove(file);
  ASSERT_NE(image, nullptr);
  HWND control = Hwnd(MakeImageControl(1, 0, 120, 800, 600, nullptr));
  ASSERT_NE(control, nullptr);
  SetControlState(1, reinterpret_cast<std::intptr_t>(image));
  RECT rect;
  GetClientRect(control, &rect);
  EXPECT_EQ(rect.right, 640);
  EXPECT_EQ(rect.bottom, 480);
  EXPECT_EQ(GetControlState(1), reinterpret_cast<std::intptr_t>(image));
  Drain();

  const LPARAM at = MAKELPARAM(10, 10), away = MAKELPARAM(40, 10);
  SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, away);
  SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, at);  // one drag event per press
  SendMessageA(control, WM_LBUTTONUP, 0, away);
  SendMessageA(control, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
  SendMessageA(control, WM_LBUTTONUP, 0, at);
  SendMessageA(control, WM_RBUTTONUP, 0, at);
  SendMessageA(control, WM_RBUTTONDBLCLK, MK_RBUTTON, at);
  SendMessageA(control, WM_RBUTTONUP, 0, at);  // the release after a double-click: nothing
  SendMessageA(control, WM_RBUTTONUP, 0, at);
  const std::vector<std::pair<int, int>> expected = {
      {1, ClickedEvent},      {1, DragStartEvent},        {1, DoubleClickEvent},
      {1, RightReleaseEvent}, {1, RightDoubleClickEvent}, {1, RightReleaseEvent}};
  EXPECT_EQ(DrainControlEvents(), expected);

  SetControlState(1, 0);
  EXPECT_EQ(GetControlState(1), 0);
}

TEST_F(Win32KitTest, NewWindowUnderAUsedNumberReplacesItAndFreesItsControls) {
  HWND again = Hwnd(MakeWindow(0, 20, 20, 200, 100, "Again", kStyle));
  ASSERT_NE(again, nullptr);
  EXPECT_FALSE(IsWindow(window_));
  SetControlState(2, 1);
  EXPECT_EQ(GetControlState(2), 0);
  CloseAllWindows();
  EXPECT_FALSE(IsWindow(again));
  WNDCLASSEXA info = {};
  info.cbSize = sizeof info;
  EXPECT_FALSE(GetClassInfoExA(GetModuleHandleA(nullptr), "WindowClass_0", &info));
}

// While busy, a pause repaints an exposed window; clicks and keys posted
// during the pause or between pauses are dropped, a close request is kept.
TEST_F(Win32KitTest, BusyPausesPaintDropInputAndKeepTheCloseRequest) {
  HWND button = GetDlgItem(window_, 50);
  auto click = [button] {
    PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  };
  BeginBusy();
  click();
  PostMessageA(GetDlgItem(window_, 5), WM_CHAR, 'x', 0);
  PostMessageA(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
  InvalidateRect(window_, nullptr, FALSE);
  platform::PauseMs(60);
  EXPECT_FALSE(GetUpdateRect(window_, nullptr, FALSE)) << "not painted during the pause";
  click();
  EndBusy();
  EXPECT_EQ(Drain(), std::vector<int>{CloseWindowEvent});
  EXPECT_EQ(GetControlText(5), "Zip");
  // Afterwards input counts again.
  click();
  EXPECT_EQ(Drain(), std::vector<int>{ControlEvent});
}

// The box disables the kit's other windows while it is up and enables
// them again afterwards; it reports OK.
TEST_F(Win32KitTest, MessageBoxIsModalOverTheOtherWindows) {
  HWND other = Hwnd(MakeWindow(1, 300, 300, 100, 80, "Other", kStyle | WindowNotCurrent));
  ASSERT_NE(other, nullptr);
  SetForegroundWindow(window_);
  bool otherDisabled = false;
  std::thread dismiss([&otherDisabled, other] {
    for (int i = 0; i < 200; ++i) {
      if (HWND box = FindWindowA(nullptr, "Finde \\Saves nicht")) {
        otherDisabled = !IsWindowEnabled(other);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        return;
      }
      Sleep(25);
    }
  });
  const int pressed = ShowMessageBox("Finde \\Saves nicht", "Programm mu\xDF hier stehen");
  dismiss.join();
  EXPECT_EQ(pressed, IDOK);
  EXPECT_TRUE(otherDisabled);
  EXPECT_TRUE(IsWindowEnabled(other));
  EXPECT_TRUE(IsWindowEnabled(window_));
}

}  // namespace
