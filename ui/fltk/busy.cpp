// A long action on the one thread: the windows stay drawn through its
// pauses, input aimed at them is dropped, and close requests are kept.
#include <FL/Fl.H>
#include <FL/x.H>

#include <chrono>

#include "platform/platform.h"
#include "ui/fltk/fltk_kit.h"

namespace {

bool busy = false;

// Handles window-system events until the pause is over: exposed parts are
// redrawn, and the dispatch hook drops input meanwhile. A pause of 0 ms
// handles what is waiting now, between two pieces of work.
void ServeWindowsDuringPause(int milliseconds) {
  if (milliseconds <= 0) {
    Fl::check();
    return;
  }
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    const std::chrono::duration<double> left = deadline - Clock::now();
    if (left.count() <= 0) return;
    Fl::wait(left.count());
  }
}

}  // namespace

namespace kit {

bool DropsInput(int event) {
  if (!busy) return false;
  switch (event) {
    case FL_PUSH:
    case FL_RELEASE:
    case FL_DRAG:
    case FL_MOVE:
    case FL_MOUSEWHEEL:
    case FL_KEYDOWN:
    case FL_KEYUP:
    case FL_SHORTCUT:
    case FL_PASTE:
    case FL_DND_ENTER:
    case FL_DND_DRAG:
    case FL_DND_LEAVE:
    case FL_DND_RELEASE:
      return true;
    default:
      return false;
  }
}

}  // namespace kit

void BeginBusy() {
  busy = true;
  platform::SetPauseHandler(ServeWindowsDuringPause);
}

void EndBusy() {
  // Input sent while the thread was working between pauses is still
  // waiting: fetch all of it from the display and drop it while busy.
  if (fl_display) XSync(fl_display, False);
  Fl::check();
  platform::SetPauseHandler(nullptr);
  busy = false;
}
