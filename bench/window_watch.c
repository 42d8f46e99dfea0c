/* window-watch RUNS PROGRAM: starts PROGRAM in the current folder RUNS
 * times and times each start-up from the moment of the fork: until the X
 * server maps the top-level window of the program's title (a MapNotify seen
 * on the root window, so no polling), and until each start-up step the
 * program reports (lapbundle-traced prints "startup-trace STEP
 * MICROSECONDS" on stderr, on the same monotonic clock). Then it closes the
 * window as a window manager's close box does and waits for the process.
 * Prints one line per run and the medians, in milliseconds.
 * Needs a display (run it under Xvfb) with no window manager. */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "tests/testing/close_request.h"

#define MAX_RUNS 200
#define MAX_STEPS 16
/* TITLE, the window title to wait for, comes from the build command. */
#ifndef TITLE
#error "compile with -DTITLE=\"...\""
#endif

static char stepNames[MAX_STEPS][32];
static int stepCount = 0;
/* Per run: [0] window mapped, [1 + i] end of step i; ms after the fork. */
static double figures[MAX_RUNS][MAX_STEPS + 1];

static long long nowUs(void) {
  struct timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return (long long)t.tv_sec * 1000000 + t.tv_nsec / 1000;
}

static int stepIndex(const char* name) {
  for (int i = 0; i < stepCount; ++i) {
    if (strcmp(stepNames[i], name) == 0) return i;
  }
  if (stepCount == MAX_STEPS) return -1;
  snprintf(stepNames[stepCount], sizeof stepNames[0], "%s", name);
  return stepCount++;
}

static int hasTitle(Display* display, Window window) {
  char* name = NULL;
  int match = XFetchName(display, window, &name) && name && strcmp(name, TITLE) == 0;
  if (name) XFree(name);
  return match;
}

/* Reads trace lines from `fd` until "shown", the end of the stream or ten
 * quiet seconds (a program built without the tracing). */
static void readTrace(int fd, long long forkUs, double* row) {
  static char buffer[4096];
  size_t used = 0;
  for (;;) {
    struct pollfd ready = {fd, POLLIN, 0};
    if (poll(&ready, 1, 10000) != 1) {
      fprintf(stderr, "window-watch: no start-up trace from the program\n");
      return;
    }
    ssize_t got = read(fd, buffer + used, sizeof buffer - 1 - used);
    if (got <= 0) return;
    used += (size_t)got;
    buffer[used] = '\0';
    char* line = buffer;
    char* end;
    while ((end = strchr(line, '\n')) != NULL) {
      *end = '\0';
      char step[32];
      long long us;
      if (sscanf(line, "startup-trace %31s %lld", step, &us) == 2) {
        int i = stepIndex(step);
        if (i >= 0) row[1 + i] = (us - forkUs) / 1000.0;
        if (strcmp(step, "shown") == 0) return;
      }
      line = end + 1;
    }
    used = strlen(line);
    memmove(buffer, line, used);
    if (used == sizeof buffer - 1) used = 0;
  }
}

static Window waitForMap(Display* display, long long* mappedUs) {
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    /* Taken before the title is asked for: that is a round trip. */
    long long seenUs = nowUs();
    if (event.type == MapNotify && hasTitle(display, event.xmap.window)) {
      *mappedUs = seenUs;
      return event.xmap.window;
    }
  }
}


static int runOnce(Display* display, char* program, double* row) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return 0;
  long long forkUs = nowUs();
  pid_t pid = fork();
  if (pid == 0) {
    dup2(pipeFds[1], 2);
    close(pipeFds[0]);
    close(pipeFds[1]);
    execl(program, program, (char*)NULL);
    _exit(127);
  }
  close(pipeFds[1]);
  if (pid < 0) return 0;
  long long mappedUs;
  Window window = waitForMap(display, &mappedUs);
  row[0] = (mappedUs - forkUs) / 1000.0;
  readTrace(pipeFds[0], forkUs, row);
  SendCloseRequest(display, window);
  int status;
  waitpid(pid, &status, 0);
  close(pipeFds[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

static int compareDoubles(const void* a, const void* b) {
  double x = *(const double*)a, y = *(const double*)b;
  return (x > y) - (x < y);
}

/* Prints the median and the smallest value of one column: on a busy
 * machine the smallest shows what the program needs when it is not kept
 * waiting for the processor. */
static void printColumn(const char* label, int column, int runs) {
  double values[MAX_RUNS];
  for (int r = 0; r < runs; ++r) values[r] = figures[r][column];
  qsort(values, (size_t)runs, sizeof values[0], compareDoubles);
  double median = runs % 2 ? values[runs / 2] : (values[runs / 2 - 1] + values[runs / 2]) / 2;
  printf("  %-10s %7.1f %7.1f\n", label, median, values[0]);
}

int main(int argc, char** argv) {
  int runs = argc == 3 ? atoi(argv[1]) : 0;
  if (runs < 1 || runs > MAX_RUNS) {
    fprintf(stderr, "usage: window-watch RUNS PROGRAM (1..%d runs)\n", MAX_RUNS);
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  if (display == NULL) {
    fprintf(stderr, "window-watch: cannot open the display\n");
    return 1;
  }
  XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
  XSync(display, False);
  for (int r = 0; r < runs; ++r) {
    if (!runOnce(display, argv[2], figures[r])) {
      fprintf(stderr, "window-watch: run %d did not end cleanly\n", r + 1);
      return 1;
    }
    printf("run %3d: mapped %7.1f", r + 1, figures[r][0]);
    for (int i = 0; i < stepCount; ++i) printf("  %s %7.1f", stepNames[i], figures[r][1 + i]);
    printf("\n");
  }
  /* Medians of the moments after the fork, then of each step's own share
   * (the first step's share runs from the fork: loading and linking). */
  printf("\nms after the fork, over %d runs:  median minimum\n", runs);
  printColumn("mapped", 0, runs);
  for (int i = 0; i < stepCount; ++i) printColumn(stepNames[i], 1 + i, runs);
  for (int r = 0; r < runs; ++r) {
    for (int i = stepCount - 1; i > 0; --i) figures[r][1 + i] -= figures[r][i];
  }
  printf("\neach step's own share, ms (the first from the fork):  median minimum\n");
  for (int i = 0; i < stepCount; ++i) printColumn(stepNames[i], 1 + i, runs);
  XCloseDisplay(display);
  return 0;
}
