// The image control: shows an image handle unscaled at its top-left corner
// through a DIB section of its own, takes the image's size, and reports
// clicks, double-clicks and drags by posting them to its window.
#include <cstdlib>
#include <cstring>

#include "ui/win32/win32_kit.h"

namespace kit {
namespace {

// A 32-bit top-down DIB section holding a copy of the image's pixels;
// nullptr when the image cannot be viewed or the section cannot be made.
HBITMAP MakeBitmap(ImageHandle image, int* width, int* height) {
  ImageView view;
  if (!ViewImage(image, &view) || view.width <= 0 || view.height <= 0 || !view.pixels) {
    return nullptr;
  }
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = view.width;
  info.bmiHeader.biHeight = -view.height;  // negative: rows run top to bottom
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap || !bits) {
    if (bitmap) DeleteObject(bitmap);
    return nullptr;
  }
  // Rows of a 32-bit DIB are exactly width * 4 bytes; the view's may be longer.
  const std::size_t row = static_cast<std::size_t>(view.width) * 4;
  auto* out = static_cast<std::uint8_t*>(bits);
  for (int y = 0; y < view.height; ++y) {
    std::memcpy(out + row * static_cast<std::size_t>(y),
                view.pixels + view.stride * static_cast<std::size_t>(y), row);
  }
  *width = view.width;
  *height = view.height;
  return bitmap;
}

void DropBitmap(ControlRecord& record) {
  if (record.bitmap) DeleteObject(record.bitmap);
  record.bitmap = nullptr;
  record.imageWidth = 0;
  record.imageHeight = 0;
}

// Repaints the part of the parent window that the control covers, so that
// no stale pixels remain where the image was.
void RepaintBeneath(HWND control) {
  HWND parent = GetParent(control);
  if (!parent) return;
  RECT area;
  GetWindowRect(control, &area);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
  InvalidateRect(parent, &area, TRUE);
  UpdateWindow(parent);
}

void Raise(const ControlRecord& record, int type) {
  const int number = ControlNumberOf(record.hwnd);
  if (number < 0) return;
  const WindowRecord* window = FindWindow(record.window);
  if (window == nullptr) return;
  PostMessageA(window->hwnd, kControlEventMessage, static_cast<WPARAM>(number),
               static_cast<LPARAM>(type));
}

void Paint(ControlRecord& record) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(record.hwnd, &paint);
  DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(record.bitmap), 0, 0, 0,
             record.imageWidth, record.imageHeight, DST_BITMAP);
  EndPaint(record.hwnd, &paint);
}

void StartPress(ControlRecord& record, LPARAM lParam) {
  record.press = POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  record.leftHeld = true;
  record.dragReported = false;
  SetCapture(record.hwnd);
}

// A drag starts once the pointer leaves the platform's drag distance.
void CheckDrag(ControlRecord& record, WPARAM keys, LPARAM lParam) {
  if (!record.leftHeld || record.dragReported || !(keys & MK_LBUTTON)) return;
  const int dx = std::abs(static_cast<short>(LOWORD(lParam)) - record.press.x);
  const int dy = std::abs(static_cast<short>(HIWORD(lParam)) - record.press.y);
  if (dx > GetSystemMetrics(SM_CXDRAG) || dy > GetSystemMetrics(SM_CYDRAG)) {
    record.dragReported = true;
    Raise(record, DragStartEvent);
  }
}

}  // namespace

bool ImageNotify(ControlRecord& record, UINT message, WPARAM wParam, LPARAM lParam,
                 LRESULT* result) {
  *result = 0;
  switch (message) {
    case WM_PAINT:
      if (!record.bitmap) return false;  // the platform paints an empty control
      Paint(record);
      return true;
    case WM_ERASEBKGND:
      if (!record.bitmap) return false;
      *result = 1;  // the image covers the whole control
      return true;
    case WM_LBUTTONDOWN:
      StartPress(record, lParam);
      Raise(record, ClickedEvent);
      return true;
    case WM_LBUTTONDBLCLK:
      StartPress(record, lParam);
      Raise(record, DoubleClickEvent);
      return true;
    case WM_MOUSEMOVE:
      CheckDrag(record, wParam, lParam);
      return true;
    case WM_LBUTTONUP:
      record.leftHeld = false;
      if (GetCapture() == record.hwnd) ReleaseCapture();
      return true;
    case WM_RBUTTONDBLCLK:
      record.skipRightRelease = true;
      Raise(record, RightDoubleClickEvent);
      return true;
    case WM_RBUTTONUP:
      if (record.skipRightRelease) {
        record.skipRightRelease = false;
      } else {
        Raise(record, RightReleaseEvent);
      }
      return true;
    default:
      return false;
  }
}

void ImageRelease(ControlRecord& record) {
  DropBitmap(record);
  record.image = nullptr;
}

std::intptr_t ImageGetState(const ControlRecord& record) {
  return reinterpret_cast<std::intptr_t>(record.image);
}

void ImageSetState(ControlRecord& record, std::intptr_t value) {
  auto image = reinterpret_cast<ImageHandle>(value);
  DropBitmap(record);
  int width = 0, height = 0;
  record.bitmap = MakeBitmap(image, &width, &height);
  record.image = record.bitmap ? image : nullptr;
  if (!record.bitmap) {
    RepaintBeneath(record.hwnd);
    return;
  }
  record.imageWidth = width;
  record.imageHeight = height;
  const LONG_PTR style = GetWindowLongPtrA(record.hwnd, GWL_STYLE);
  const LONG_PTR exStyle = GetWindowLongPtrA(record.hwnd, GWL_EXSTYLE);
  if ((exStyle & WS_EX_CLIENTEDGE) || (style & SS_SUNKEN)) {
    width += 4;
    height += 4;
  }
  RepaintBeneath(record.hwnd);
  SetWindowPos(record.hwnd, nullptr, 0, 0, width, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(record.hwnd, nullptr, FALSE);
  UpdateWindow(record.hwnd);
}

}  // namespace kit
