// A long action that blocks the thread: while it runs, every platform pause
// pumps the thread's messages so the windows repaint and the system sees the
// program answering; mouse and key input aimed at the kit's windows is
// dropped, while a click on the close box still raises the close request
// that the event queue keeps for the first WaitEvent afterwards.
#include "platform/platform.h"
#include "ui/win32/win32_kit.h"

namespace kit {
namespace {

bool busy = false;
// How long a pause of 0 ms may go on answering a flood of messages.
constexpr DWORD kServeSpan = 20;
bool quitSeen = false;
WPARAM quitCode = 0;

// A kit window, or a control (or a child of one) inside a kit window.
bool IsKitWindow(HWND hwnd) {
  for (HWND at = hwnd; at != nullptr; at = GetParent(at)) {
    if (WindowNumberOf(at) >= 0) return true;
  }
  return false;
}

bool IsNonClientPress(UINT message) {
  switch (message) {
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONDBLCLK:
    case WM_NCXBUTTONDOWN:
    case WM_NCXBUTTONDBLCLK:
      return true;
    default:
      return false;
  }
}

// Input the user aimed at a kit window while it could not act on it. Alt+F4
// and a press on the close box pass: they become the close request.
bool IsDroppedInput(const MSG& message) {
  const UINT m = message.message;
  const bool key = m >= WM_KEYFIRST && m <= WM_KEYLAST;
  const bool mouse = m >= WM_MOUSEFIRST && m <= WM_MOUSELAST;
  const bool controlEvent = m == kControlEventMessage;  // raised by input to a control
  if (!key && !mouse && !controlEvent && !IsNonClientPress(m)) return false;
  if (!IsKitWindow(message.hwnd)) return false;
  if (m == WM_SYSKEYDOWN && message.wParam == VK_F4) return false;
  if (m == WM_NCLBUTTONDOWN && message.wParam == HTCLOSE) return false;
  return true;
}

// Handles every waiting message, dropping the input; false once `span`
// milliseconds have passed since `start` (GetTickCount values).
bool PumpWaiting(DWORD start, DWORD span) {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // Handed back to the thread's queue when the action is over.
      quitSeen = true;
      quitCode = message.wParam;
    } else if (!IsDroppedInput(message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    if (GetTickCount() - start >= span) return false;
  }
  return true;
}

// The pause handler: answers messages until the pause's time is up; a
// pause of 0 ms answers the messages waiting now, between two pieces of
// work. GetTickCount wraps after 49 days; the unsigned differences stay right.
void PumpFor(int milliseconds) {
  const DWORD start = GetTickCount();
  if (milliseconds <= 0) {
    PumpWaiting(start, kServeSpan);
    return;
  }
  const auto span = static_cast<DWORD>(milliseconds);
  while (PumpWaiting(start, span)) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= span) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, span - elapsed, QS_ALLINPUT);
  }
}

}  // namespace
}  // namespace kit

void BeginBusy() {
  kit::busy = true;
  kit::quitSeen = false;
  platform::SetPauseHandler(kit::PumpFor);
}

void EndBusy() {
  if (!kit::busy) return;
  // Input that came while the thread worked between pauses (the second
  // click of a double-click) goes too; everything else is handled now.
  kit::PumpWaiting(GetTickCount(), 0xFFFFFFFFu);
  platform::SetPauseHandler(nullptr);
  kit::busy = false;
  if (kit::quitSeen) PostQuitMessage(static_cast<int>(kit::quitCode));
}
