// Numbered top-level windows: one window class per window, the flag rules of
// MakeWindow, the window procedure that turns messages into events, and the
// kit's one-time set-up.
#include <algorithm>
#include <cstdio>
#include <type_traits>

#include "ui/event_queue.h"
#include "ui/win32/win32_kit.h"

namespace kit {
namespace {

// Flag bits that MakeWindow interprets itself; every other bit is a window style.
constexpr std::uint32_t kKitFlags = WindowCentreOnScreen | WindowCentreOnParent | WindowInvisible;
constexpr int kDefaultPosition = -65535;

using WindowTable = NumberedTable<WindowRecord, 16>;

struct Tables {
  WindowTable windows;
  int current = -1;  // the window that new controls go into
  HICON icon = nullptr;
  HCURSOR cursor = nullptr;
};

Tables& State() {
  static Tables tables;
  return tables;
}

struct ClassName {
  char text[32];
};

ClassName ClassNameOf(int number) {
  ClassName name;
  std::snprintf(name.text, sizeof name.text, "WindowClass_%d", number);
  return name;
}

bool RegisterWindowClass(int number) {
  const ClassName name = ClassNameOf(number);
  // A class left behind by a failed creation would make registering fail.
  UnregisterClassA(name.text, Instance());
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = WindowProcedure;
  wc.hInstance = Instance();
  wc.hIcon = ProgramIcon();
  wc.hIconSm = ProgramIcon();
  wc.hCursor = ArrowCursor();
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = name.text;
  return RegisterClassExA(&wc) != 0;
}

// Destroys window `number` with its controls, its class and its accelerators.
void DestroyKitWindow(int number) {
  WindowRecord* record = State().windows.get(number);
  if (!record) return;
  HWND hwnd = record->hwnd;
  // Unmarked first: the messages of its destruction raise no events.
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  if (HWND owner = GetWindow(hwnd, GW_OWNER)) SetActiveWindow(owner);
  RevokeDragDrop(hwnd);
  DestroyWindow(hwnd);  // destroys the controls, which free their numbers
  UnregisterClassA(ClassNameOf(number).text, Instance());
  if (record->acceleratorTable) DestroyAcceleratorTable(record->acceleratorTable);
  if (record->background) DeleteObject(record->background);
  if (record->font) DeleteObject(record->font);  // its controls are gone
  State().windows.release(number);
  ForgetWindowEvents(number);
  if (State().current == number) State().current = -1;
}

// Where the outer frame goes: centred on the screen (and no larger than it),
// centred on the active window, or at x, y (CW_USEDEFAULT for the default).
void PlaceWindow(std::uint32_t flags, int* x, int* y, int* w, int* h) {
  const int screenW = GetSystemMetrics(SM_CXSCREEN);
  const int screenH = GetSystemMetrics(SM_CYSCREEN);
  if (flags & WindowCentreOnScreen) {
    *w = std::min(*w, screenW);
    *h = std::min(*h, screenH);
    *x = (screenW - *w) / 2;
    *y = (screenH - *h) / 2;
  } else if (flags & WindowCentreOnParent) {
    RECT around = {0, 0, screenW, screenH};
    if (HWND active = GetActiveWindow()) GetWindowRect(active, &around);
    *x = std::max(0L, around.left + (around.right - around.left - *w) / 2);
    *y = std::max(0L, around.top + (around.bottom - around.top - *h) / 2);
  } else if (*x == kDefaultPosition || *y == kDefaultPosition) {
    *x = CW_USEDEFAULT;
    *y = CW_USEDEFAULT;
  }
}

// A new window on a screen above 96 DPI: its scale and font, and its frame
// resized to hold the scaled client area, placed as the flags ask (a
// position given by the caller is scaled too, and kept on the work area).
// Nothing changes on a 96-DPI screen.
void ScaleNewWindow(WindowRecord& record, std::uint32_t place, int x, int y) {
  const int dpi = WindowDpi(record.hwnd);
  if (dpi == kBaseDpi) return;
  HMONITOR monitor = MonitorFromWindow(record.hwnd, MONITOR_DEFAULTTONEAREST);
  SetScale(record, dpi, monitor);
  const SIZE size = FrameSize(record);
  int w = size.cx, h = size.cy;
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (place & (WindowCentreOnScreen | WindowCentreOnParent)) {
    PlaceWindow(place, &x, &y, &w, &h);
  } else if (x == kDefaultPosition || y == kDefaultPosition) {
    flags |= SWP_NOMOVE;
  } else {
    x = Scaled(x, record.scale);
    y = Scaled(y, record.scale);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(monitor, &info)) {
      x = std::max<int>(info.rcWork.left, std::min<int>(x, info.rcWork.right - w));
      y = std::max<int>(info.rcWork.top, std::min<int>(y, info.rcWork.bottom - h));
    }
  }
  SetWindowPos(record.hwnd, nullptr, x, y, w, h, flags);
  FitClient(record);
}

void BuildAccelerators(WindowRecord& record) {
  record.accelerators[0] = ACCEL{FVIRTKEY, VK_TAB, kNextControlCommand};
  record.accelerators[1] = ACCEL{FVIRTKEY | FSHIFT, VK_TAB, kPreviousControlCommand};
  record.acceleratorTable = CreateAcceleratorTableA(record.accelerators, 2);
}

void OnSize(WindowRecord& record, int number, WPARAM kind) {
  if (kind == SIZE_MINIMIZED) {
    record.sizedOut = true;
    QueueWindowEvent(MinimizeWindowEvent, number);
    return;
  }
  if (kind == SIZE_MAXIMIZED) {
    record.sizedOut = true;
    QueueWindowEvent(MaximizeWindowEvent, number);
  } else if (kind == SIZE_RESTORED && record.sizedOut) {
    record.sizedOut = false;
    QueueWindowEvent(RestoreWindowEvent, number);
  }
  QueueWindowEvent(SizeWindowEvent, number);
}

// Control notifications become control events; menu and accelerator
// commands become Tab navigation or a menu event.
void OnCommand(int window, WPARAM wParam, LPARAM lParam) {
  if (lParam != 0) {
    const int control = ControlNumberOf(reinterpret_cast<HWND>(lParam));
    ControlRecord* record = FindControl(control);
    // Image controls raise their events themselves (the static's own
    // enable and disable notifications would look like clicks).
    if (!record || record->kind->kind == Kind::kImage) return;
    int type = HIWORD(wParam);
    if (record->kind->kind == Kind::kEditField) {
      if (type == EN_SETFOCUS) type = FocusGainedEvent;
      if (type == EN_KILLFOCUS) type = FocusLostEvent;
    }
    RaiseControlEvent(control, type);
    return;
  }
  const WORD command = LOWORD(wParam);
  if (command == kNextControlCommand || command == kPreviousControlCommand) {
    MoveFocus(window, command == kNextControlCommand);
  } else {
    RaiseMenuEvent();
  }
}

}  // namespace

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }
HICON ProgramIcon() { return State().icon; }
HCURSOR ArrowCursor() { return State().cursor; }

WindowRecord* FindWindow(int number) { return State().windows.get(number); }

int WindowNumberOf(HWND hwnd) {
  if (!hwnd) return -1;
  const LONG_PTR mark = GetWindowLongPtrA(hwnd, GWLP_USERDATA);
  if (mark <= 0 || mark > WindowTable::kMaxNumber + 1) return -1;
  const int number = static_cast<int>(mark - 1);
  WindowRecord* record = State().windows.get(number);
  return record && record->hwnd == hwnd ? number : -1;
}

std::vector<HWND> AllWindows() {
  std::vector<HWND> windows;
  WindowTable& table = State().windows;
  for (std::size_t n = 0; n < table.capacity(); ++n) {
    if (WindowRecord* record = table.get(static_cast<std::int64_t>(n))) {
      windows.push_back(record->hwnd);
    }
  }
  return windows;
}

HWND CurrentWindow(int* number) {
  WindowRecord* record = State().windows.get(State().current);
  if (!record) return nullptr;
  *number = State().current;
  return record->hwnd;
}

LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const int number = WindowNumberOf(hwnd);
  if (number < 0) return DefWindowProcA(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_MOVE:
      QueueWindowEvent(MoveWindowEvent, number);
      break;
    case WM_SIZE:
      OnSize(*State().windows.get(number), number, wParam);
      break;
    case WM_ERASEBKGND:
      QueueWindowEvent(RepaintEvent, number);
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE) QueueWindowEvent(ActivateWindowEvent, number);
      break;
    case WM_DPICHANGED: {
      // Windows suggests where the frame goes; the size is the kit's own.
      RECT suggested;
      GetWindowRect(hwnd, &suggested);
      if (lParam != 0) suggested = *reinterpret_cast<const RECT*>(lParam);
      OnDpiChanged(number, LOWORD(wParam), suggested);
      return 0;
    }
    case WM_CLOSE:
      // Only reported: the caller decides whether the window goes.
      QueueWindowEvent(CloseWindowEvent, number);
      return 0;
    case WM_COMMAND:
      OnCommand(number, wParam, lParam);
      return 0;
    case kControlEventMessage: {
      const int control = static_cast<int>(wParam);
      // The control may have gone while its message waited.
      if (FindControl(control)) RaiseControlEvent(control, static_cast<int>(lParam));
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace kit

static_assert(std::is_same_v<decltype(&kit::WindowProcedure), WNDPROC>,
              "window procedures use the platform's calling convention");

void InitControlKit() {
  kit::ResetEvents();
  kit::Tables& state = kit::State();
  state.icon = LoadIconA(kit::Instance(), MAKEINTRESOURCEA(1));
  if (!state.icon) state.icon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));  // IDI_APPLICATION
  state.cursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));               // IDC_ARROW
  InitCommonControls();
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  InitCommonControlsEx(&controls);
  // Only the thread's COM library; the result does not matter (S_FALSE
  // when it was already initialised).
  static_cast<void>(CoInitialize(nullptr));
}

ControlHandle MakeWindow(int number, int x, int y, int width, int height, std::string_view title,
                         std::uint32_t flags) {
  if (number < 0 || number > kit::WindowTable::kMaxNumber) return 0;
  kit::DestroyKitWindow(number);
  std::uint32_t style = flags & ~WindowNotCurrent;
  if ((style & ~kit::kKitFlags) == 0) style |= WindowTitleBar;
  const std::uint32_t place = style & kit::kKitFlags;
  style &= ~kit::kKitFlags;

  width = std::max(width, 0);
  height = std::max(height, 0);
  RECT frame = {0, 0, width, height};
  AdjustWindowRect(&frame, style, FALSE);
  int w = frame.right - frame.left;
  int h = frame.bottom - frame.top;
  const int givenX = x, givenY = y;
  kit::PlaceWindow(place, &x, &y, &w, &h);

  if (!kit::RegisterWindowClass(number)) return 0;
  const kit::ClassName name = kit::ClassNameOf(number);
  const std::string caption(title);
  HWND hwnd = CreateWindowExA(0, name.text, caption.c_str(), style, x, y, w, h, nullptr, nullptr,
                              kit::Instance(), nullptr);
  if (!hwnd) {
    UnregisterClassA(name.text, kit::Instance());
    return 0;
  }
  kit::WindowRecord* record = kit::State().windows.allocate(number);
  record->hwnd = hwnd;
  record->width = width;
  record->height = height;
  record->style = style;
  // Before the window is marked with its number: the resizing raises no
  // window events.
  kit::ScaleNewWindow(*record, place, givenX, givenY);
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, static_cast<LONG_PTR>(number) + 1);
  if (!(place & WindowInvisible)) {
    int show = SW_SHOWNORMAL;
    if (style & WindowMaximized) show = SW_SHOWMAXIMIZED;
    if (style & WindowMinimized) show = SW_SHOWMINIMIZED;
    ShowWindow(hwnd, show);
    UpdateWindow(hwnd);
  }
  kit::BuildAccelerators(*record);
  if (!(flags & WindowNotCurrent)) kit::State().current = number;
  return reinterpret_cast<ControlHandle>(hwnd);
}

void CloseAllWindows() {
  kit::WindowTable& windows = kit::State().windows;
  for (std::size_t n = 0; n < windows.capacity(); ++n) kit::DestroyKitWindow(static_cast<int>(n));
}
