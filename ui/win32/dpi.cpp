// Screen density: the DPI of the screen a window is on, the frame a window
// has at a DPI, the scale the kit lays a window out at, and the GUI font
// made for that scale. The calls that only newer Windows versions have are
// looked up at run time, so that the program still starts on Vista, where
// the system DPI (the one density a system-aware program sees there) takes
// their place.
#include <cmath>

#include "ui/win32/win32_kit.h"

namespace kit {
namespace {

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiCall = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using GetDpiForMonitorCall = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

// The stock GUI font is 11 pixels high at 96 DPI (8 points). Some systems
// hand it out already enlarged to the system DPI and others never do, so a
// scaled font starts from this height rather than from the stock object's.
constexpr int kGuiFontHeight96 = 11;

template <class Call>
Call Lookup(const char* library, const char* name) {
  HMODULE module = GetModuleHandleA(library);
  if (!module) module = LoadLibraryA(library);  // kept loaded for the process
  if (!module) return nullptr;
  // FARPROC stands for any function; the call's real type is known here.
  return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct DpiCalls {
  GetDpiForWindowCall forWindow = nullptr;              // Windows 10 (1607)
  AdjustWindowRectExForDpiCall adjustForDpi = nullptr;  // Windows 10 (1607)
  GetDpiForMonitorCall forMonitor = nullptr;            // Windows 8.1
};

const DpiCalls& Calls() {
  static const DpiCalls calls = {
      Lookup<GetDpiForWindowCall>("user32.dll", "GetDpiForWindow"),
      Lookup<AdjustWindowRectExForDpiCall>("user32.dll", "AdjustWindowRectExForDpi"),
      Lookup<GetDpiForMonitorCall>("shcore.dll", "GetDpiForMonitor"),
  };
  return calls;
}

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : kBaseDpi;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : kBaseDpi;
}

}  // namespace

int WindowDpi(HWND hwnd) {
  const DpiCalls& calls = Calls();
  if (calls.forWindow) {
    const UINT dpi = calls.forWindow(hwnd);
    if (dpi > 0) return static_cast<int>(dpi);
  }
  if (calls.forMonitor) {
    UINT x = 0, y = 0;
    HMONITOR monitor = MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST);
    if (SUCCEEDED(calls.forMonitor(monitor, kEffectiveDpi, &x, &y)) && x > 0) {
      return static_cast<int>(x);
    }
  }
  return SystemDpi();
}

void FrameAround(RECT* rect, DWORD style, int dpi) {
  const DpiCalls& calls = Calls();
  if (calls.adjustForDpi && calls.adjustForDpi(rect, style, FALSE, 0, static_cast<UINT>(dpi))) {
    return;
  }
  AdjustWindowRect(rect, style, FALSE);
}

double MonitorScale(int dpi, HMONITOR monitor, int width, int height, DWORD style) {
  double roomW = HUGE_VAL, roomH = HUGE_VAL;
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (monitor && GetMonitorInfoA(monitor, &info)) {
    RECT frame = {0, 0, 0, 0};
    FrameAround(&frame, style, dpi);
    roomW = (info.rcWork.right - info.rcWork.left) - (frame.right - frame.left);
    roomH = (info.rcWork.bottom - info.rcWork.top) - (frame.bottom - frame.top);
  }
  return ScaleFor(static_cast<double>(dpi) / kBaseDpi, width, height, roomW, roomH);
}

HFONT MakeGuiFont(int dpi, double scale) {
  // On a 96-DPI system at 96 DPI the stock font is the one made for it.
  if (dpi == kBaseDpi && scale == 1.0 && SystemDpi() == kBaseDpi) return nullptr;
  LOGFONTA font = {};
  if (!GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font)) return nullptr;
  font.lfHeight = -Scaled(kGuiFontHeight96, scale);
  font.lfWidth = 0;
  return CreateFontIndirectA(&font);
}

HFONT GuiFont(const WindowRecord* window) {
  if (window && window->font) return window->font;
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace kit
