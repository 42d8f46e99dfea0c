// Waiting for events and pushing drawing out to the screen.
#include <FL/Fl.H>
#include <FL/x.H>

#include <chrono>

#include "ui/event_queue.h"
#include "ui/fltk/fltk_kit.h"

namespace {

using Clock = std::chrono::steady_clock;

// What WaitEvent returns after handling input that raised no event of the
// kit's own; any number outside the event table would do.
constexpr int kInputHandled = 1;

// Waiting "forever": long enough, and unlike Fl::wait() it also blocks
// while no window is shown.
constexpr double kForever = 1e20;

// The event that the input handled so far raised: a control event first,
// else a window event; 0 for none.
int Collect() {
  if (int code = kit::TakeControlEvent()) return code;
  if (kit::WindowEventWaiting()) return kit::TakeQueuedEvent();
  return 0;
}

}  // namespace

int WaitEvent(int timeoutMs) {
  if (int code = kit::TakeQueuedEvent()) return code;
  if (timeoutMs == 0) {
    bool waiting = Fl::ready();
    Fl::check();
    if (int code = Collect()) return code;
    return waiting ? kInputHandled : 0;
  }
  if (timeoutMs < 0) {
    for (;;) {
      Fl::wait(kForever);
      if (int code = Collect()) return code;
    }
  }
  // Fl::wait returns early for any input, also input that concerns no
  // window of the kit, so keep waiting until the time is really used up.
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    std::chrono::duration<double> left = deadline - Clock::now();
    if (left.count() <= 0) return 0;
    Fl::wait(left.count());
    if (int code = Collect()) return code;
  }
}

void FlushDisplay() {
  Fl::flush();
  if (fl_display) XSync(fl_display, False);
}
