// Waiting for events, pushing drawing out to the screen, and the modal
// message box.
#include <type_traits>
#include <vector>

#include "ui/event_queue.h"
#include "ui/win32/win32_kit.h"

namespace kit {
namespace {

// What WaitEvent returns after a message that raised no event of the kit's
// own. Not the message's number: those overlap the window event codes
// (WM_PAINT is 15, WM_CLOSE 16).
constexpr int kMessageHandled = 1;

bool menuEventPending = false;

// Offers the message to the active window's Tab accelerators, else
// translates and dispatches it.
void Dispatch(MSG& message) {
  HWND active = GetActiveWindow();
  WindowRecord* window = FindWindow(WindowNumberOf(active));
  if (window && window->acceleratorTable &&
      TranslateAcceleratorA(active, window->acceleratorTable, &message)) {
    return;
  }
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

// Takes one message: blocking, or only a waiting one, or waiting up to the
// time-out for input. False when none came.
bool TakeMessage(int timeoutMs, MSG* message) {
  if (timeoutMs < 0) return GetMessageA(message, nullptr, 0, 0) > 0;
  if (PeekMessageA(message, nullptr, 0, 0, PM_REMOVE)) return true;
  if (timeoutMs == 0) return false;
  const DWORD woke =
      MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(timeoutMs), QS_ALLINPUT);
  if (woke == WAIT_TIMEOUT) return false;
  return PeekMessageA(message, nullptr, 0, 0, PM_REMOVE) != 0;
}

struct Disabled {
  HWND foreground;
  std::vector<HWND> windows;
};

BOOL CALLBACK DisableOne(HWND hwnd, LPARAM data) {
  auto* disabled = reinterpret_cast<Disabled*>(data);
  if (hwnd != disabled->foreground && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
    EnableWindow(hwnd, FALSE);
    disabled->windows.push_back(hwnd);
  }
  return TRUE;
}

static_assert(std::is_same_v<decltype(&DisableOne), WNDENUMPROC>);

}  // namespace

void RaiseMenuEvent() { menuEventPending = true; }

}  // namespace kit

int WaitEvent(int timeoutMs) {
  if (int code = kit::TakeQueuedEvent()) return code;
  MSG message;
  if (!kit::TakeMessage(timeoutMs, &message)) return 0;
  kit::menuEventPending = false;
  kit::Dispatch(message);
  // A control event raised by this dispatch is returned now; window events
  // it raised wait for the next call.
  if (int code = kit::TakeControlEvent()) return code;
  if (kit::menuEventPending) {
    kit::menuEventPending = false;
    return MenuEvent;
  }
  return kit::kMessageHandled;
}

void FlushDisplay() {
  for (HWND hwnd : kit::AllWindows()) {
    RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  }
  GdiFlush();
  // Lets the system hand finished drawing to the screen without taking any
  // message (a zero wait returns at once).
  MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT);
}

int ShowMessageBox(std::string_view title, std::string_view text) {
  HWND foreground = GetForegroundWindow();
  kit::Disabled disabled{foreground, {}};
  EnumThreadWindows(GetCurrentThreadId(), kit::DisableOne, reinterpret_cast<LPARAM>(&disabled));
  DWORD process = 0;
  if (foreground) GetWindowThreadProcessId(foreground, &process);
  HWND owner = process == GetCurrentProcessId() ? foreground : nullptr;
  const std::string caption(title);
  const std::string message(text);
  const int pressed = MessageBoxA(owner, message.c_str(), caption.c_str(), MB_OK);
  for (HWND hwnd : disabled.windows) EnableWindow(hwnd, TRUE);
  return pressed;
}
