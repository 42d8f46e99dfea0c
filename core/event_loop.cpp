// The event loop: the button runs the make-zip action once, then ends the
// tool; the close box ends it at any time the loop is waiting. When the
// window moves to a screen of another pixel density, the preview is made
// again for the new scale.
#include "core/app.h"
#include "ui/control_kit.h"

void runEventLoop() {
  AppState& s = app();
  for (;;) {
    // The time-out only makes the loop poll; nothing runs on it.
    const int event = WaitEvent(20);
    if (event == ScaleChangedEvent && LastEventWindow() == 0) remakePreview();
    if (event == ControlEvent && LastEventControl() == 50) {
      if (s.actionState == 0) {
        makeZip();
      } else {
        s.actionState = 2;
      }
    }
    if (event == CloseWindowEvent || s.actionState == 2) return;
  }
}
