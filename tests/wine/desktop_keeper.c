/* Holds Wine's desktop open for as long as it runs: a window that is never
 * shown, and a wait. Wine starts its desktop process with the first program
 * that uses windows and ends it after the last; a desktop started just as
 * the previous one ends can hang, and with it the program that waits for it.
 * Kept running through all checks, it makes one desktop serve them all.
 *
 *   desktop_keeper
 */
#include <windows.h>

int main(void) {
  HWND window = CreateWindowA("STATIC", "desktop keeper", WS_POPUP, 0, 0, 1, 1, NULL, NULL,
                              GetModuleHandleA(NULL), NULL);
  if (window == NULL) return 1;
  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
