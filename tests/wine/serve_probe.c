/* Measures how long a window keeps a message waiting: sends it WM_NULL
 * every few milliseconds for the given time and prints the longest wait
 * for an answer so far, in milliseconds, twice a second. A thread that
 * handles its messages at least every N ms answers within about N ms.
 *
 *   serve_probe TITLE SECONDS
 */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: serve_probe TITLE SECONDS\n");
    return 2;
  }
  HWND window = NULL;
  for (int i = 0; i < 200 && window == NULL; ++i) {
    window = FindWindowA(NULL, argv[1]);
    if (window == NULL) Sleep(50);
  }
  if (window == NULL) {
    fprintf(stderr, "no window titled %s\n", argv[1]);
    return 1;
  }
  LARGE_INTEGER frequency, start, now, before, after;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const double seconds = atof(argv[2]);
  double longest = 0;
  LONGLONG reported = start.QuadPart;
  for (;;) {
    QueryPerformanceCounter(&now);
    if ((double)(now.QuadPart - start.QuadPart) / frequency.QuadPart >= seconds) break;
    DWORD_PTR result = 0;
    QueryPerformanceCounter(&before);
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result)) break;
    QueryPerformanceCounter(&after);
    const double ms = 1000.0 * (double)(after.QuadPart - before.QuadPart) / frequency.QuadPart;
    if (ms > longest) longest = ms;
    if (after.QuadPart - reported > frequency.QuadPart / 2) {
      printf("%.0f\n", longest);
      fflush(stdout);
      reported = after.QuadPart;
    }
    Sleep(5);
  }
  printf("%.0f\n", longest);
  return 0;
}
