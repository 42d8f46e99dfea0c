/* Asks a top-level window to close as a window manager's close box does: a
 * WM_DELETE_WINDOW client message. The virtual displays of the tests and
 * benchmarks run no window manager, so their helpers send it themselves.
 * Returns XSendEvent's result (0 when the event could not be sent). */
#ifndef LAPBUNDLE_TESTING_CLOSE_REQUEST_H
#define LAPBUNDLE_TESTING_CLOSE_REQUEST_H

#include <X11/Xlib.h>
#include <string.h>

static int SendCloseRequest(Display* display, Window window) {
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
  event.xclient.data.l[1] = CurrentTime;
  int sent = XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
  return sent;
}

#endif
