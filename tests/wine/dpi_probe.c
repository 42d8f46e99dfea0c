/* Prints the layout of a window as the program made it, in screen pixels:
 * "client WIDTH HEIGHT", then one line "ID X Y WIDTH HEIGHT" per child
 * window (control id, rectangle in client coordinates). The probe is
 * DPI-aware, so Wine hands it the real pixels, not ones scaled for a
 * program that knows nothing of the density.
 *
 *   dpi_probe TITLE
 */
#include <stdio.h>
#include <windows.h>

static HWND parent;

static BOOL CALLBACK PrintChild(HWND child, LPARAM unused) {
  (void)unused;
  RECT at;
  GetWindowRect(child, &at);
  MapWindowPoints(NULL, parent, (POINT*)&at, 2);
  printf("%d %ld %ld %ld %ld\n", GetDlgCtrlID(child), at.left, at.top, at.right - at.left,
         at.bottom - at.top);
  return TRUE;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: dpi_probe TITLE\n");
    return 2;
  }
  SetProcessDPIAware();
  for (int i = 0; i < 200 && parent == NULL; ++i) {
    parent = FindWindowA(NULL, argv[1]);
    if (parent == NULL) Sleep(50);
  }
  if (parent == NULL) {
    fprintf(stderr, "no window titled %s\n", argv[1]);
    return 1;
  }
  RECT client;
  GetClientRect(parent, &client);
  printf("client %ld %ld\n", client.right, client.bottom);
  EnumChildWindows(parent, PrintChild, 0);
  return 0;
}
