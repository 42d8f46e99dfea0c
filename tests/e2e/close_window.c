/* close-window WID: asks a top-level window to close, as a window manager's
 * close box does, by sending it WM_DELETE_WINDOW. Needed because the virtual
 * display of the tests runs no window manager. */
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

#include "tests/testing/close_request.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: close-window WINDOW-ID\n");
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "close-window: cannot open the display\n");
    return 1;
  }
  Window window = (Window)strtoul(argv[1], NULL, 0);
  int sent = SendCloseRequest(display, window);
  XCloseDisplay(display);
  return sent ? 0 : 1;
}
