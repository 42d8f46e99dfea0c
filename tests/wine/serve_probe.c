/* Measures how long a window keeps a message waiting: sends it WM_NULL
 * every few milliseconds for the given time and notes, for the longest
 * wait, both the clock time and the processor time the window's thread used
 * meanwhile. Twice a second it prints the longest of each so far, in
 * milliseconds: "PROCESSOR CLOCK". A thread that handles its messages
 * after every N ms of work answers within about N ms of processor time,
 * however busy the machine is; the clock time also counts the time the
 * machine gave to other programs.
 *
 *   serve_probe TITLE SECONDS
 */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

/* The processor time a thread has used, in milliseconds. */
static double ThreadMs(HANDLE thread) {
  FILETIME created, ended, kernel, user;
  if (!GetThreadTimes(thread, &created, &ended, &kernel, &user)) return 0;
  ULARGE_INTEGER k, u;
  k.LowPart = kernel.dwLowDateTime, k.HighPart = kernel.dwHighDateTime;
  u.LowPart = user.dwLowDateTime, u.HighPart = user.dwHighDateTime;
  return (double)(k.QuadPart + u.QuadPart) / 10000.0;
}

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
  HANDLE thread = OpenThread(THREAD_QUERY_LIMITED_INFORMATION, FALSE,
                             GetWindowThreadProcessId(window, NULL));
  if (thread == NULL) {
    fprintf(stderr, "the window's thread cannot be queried\n");
    return 1;
  }
  LARGE_INTEGER frequency, start, now, before, after;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const double seconds = atof(argv[2]);
  double longestClock = 0, longestWork = 0;
  LONGLONG reported = start.QuadPart;
  for (;;) {
    QueryPerformanceCounter(&now);
    if ((double)(now.QuadPart - start.QuadPart) / frequency.QuadPart >= seconds) break;
    DWORD_PTR result = 0;
    const double workBefore = ThreadMs(thread);
    QueryPerformanceCounter(&before);
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result)) break;
    QueryPerformanceCounter(&after);
    const double work = ThreadMs(thread) - workBefore;
    const double ms = 1000.0 * (double)(after.QuadPart - before.QuadPart) / frequency.QuadPart;
    if (ms > longestClock) longestClock = ms;
    if (work > longestWork) longestWork = work;
    if (after.QuadPart - reported > frequency.QuadPart / 2) {
      printf("%.0f %.0f\n", longestWork, longestClock);
      fflush(stdout);
      reported = after.QuadPart;
    }
    Sleep(5);
  }
  printf("%.0f %.0f\n", longestWork, longestClock);
  CloseHandle(thread);
  return 0;
}
