// A window laid out at the scale of the screen it is on: its client area,
// every control's rectangle and the controls' font are the caller's 96-DPI
// values times the scale. When the window moves to a screen of another
// density, everything is laid out again and the caller is told, so that it
// can remake what it drew for the old scale.
#include "ui/event_queue.h"
#include "ui/win32/win32_kit.h"

namespace kit {
namespace {

void PlaceControl(const ControlRecord& record, double scale) {
  const RECT at = ScaledRect(record.layout, scale);
  UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
  // An image control has the size of the image it shows.
  if (record.kind->kind == Kind::kImage && record.bitmap) flags |= SWP_NOSIZE;
  SetWindowPos(record.hwnd, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
               flags);
}

}  // namespace

HFONT SetScale(WindowRecord& record, int dpi, HMONITOR monitor) {
  const HFONT old = record.font;
  record.dpi = dpi;
  record.scale = MonitorScale(dpi, monitor, record.width, record.height, record.style);
  record.font = MakeGuiFont(dpi, record.scale);
  return old;
}

SIZE FrameSize(const WindowRecord& record) {
  RECT frame = {0, 0, Scaled(record.width, record.scale), Scaled(record.height, record.scale)};
  FrameAround(&frame, record.style, record.dpi);
  return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

void FitClient(const WindowRecord& record) {
  const int width = Scaled(record.width, record.scale);
  const int height = Scaled(record.height, record.scale);
  RECT client;
  if (!GetClientRect(record.hwnd, &client)) return;
  const int moreW = width - client.right;
  const int moreH = height - client.bottom;
  if (moreW == 0 && moreH == 0) return;
  RECT outer;
  GetWindowRect(record.hwnd, &outer);
  SetWindowPos(record.hwnd, nullptr, 0, 0, outer.right - outer.left + moreW,
               outer.bottom - outer.top + moreH, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT ScaledRect(const RECT& layout, double scale) {
  return RECT{Scaled(layout.left, scale), Scaled(layout.top, scale), Scaled(layout.right, scale),
              Scaled(layout.bottom, scale)};
}

void OnDpiChanged(int number, int dpi, const RECT& suggested) {
  WindowRecord* record = FindWindow(number);
  if (!record || dpi <= 0) return;
  const HFONT old = SetScale(*record, dpi, MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST));
  const HFONT font = GuiFont(record);
  for (ControlRecord* control : ControlsOf(number)) {
    PlaceControl(*control, record->scale);
    SendMessageA(control->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
  if (old) DeleteObject(old);
  const SIZE size = FrameSize(*record);
  SetWindowPos(record->hwnd, nullptr, suggested.left, suggested.top, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE);
  FitClient(*record);
  InvalidateRect(record->hwnd, nullptr, TRUE);
  QueueWindowEvent(ScaleChangedEvent, number);
}

}  // namespace kit

double WindowScale(int number) {
  const kit::WindowRecord* record = kit::FindWindow(number);
  return record ? record->scale : 1.0;
}
