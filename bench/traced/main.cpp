// lapbundle-traced: the program itself, with its start-up steps timed on
// stderr ("startup-trace STEP MICROSECONDS", monotonic clock) and the window
// painted before the event loop, so bench/window_startup.sh can tell when the
// window with its preview is on the display. The shipped program reads no
// environment and prints nothing.
#include "core/app.h"

int main() {
  setStartupTrace(true);
  const bool ready = startUp();
  if (ready) runEventLoop();
  return shutDown(!ready);
}
