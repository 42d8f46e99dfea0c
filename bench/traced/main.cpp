// lapbundle-traced: the program itself, with its start-up steps timed on
// stderr ("startup-trace STEP MICROSECONDS", monotonic clock) and the window
// painted before the event loop, so bench/window_startup.sh can tell when the
// window with its preview is on the display. The shipped program prints
// nothing.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/app.h"
#include "ui/control_kit.h"

namespace {

// Notes the end of a start-up step as microseconds of the monotonic clock,
// so that a harness on the same clock can place each step after the moment
// it started the process.
void traceStep(const char* step) {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
  const std::string line = "startup-trace " + std::string(step) + " " + std::to_string(us) + "\n";
  std::fputs(line.c_str(), stderr);
}

void onStep(const char* step) {
  traceStep(step);
  if (std::strcmp(step, "name") == 0) {
    // The event loop's first wait would paint; painting here lets the trace
    // show when the window with its preview is on the display.
    FlushDisplay();
    traceStep("shown");
  }
}

}  // namespace

int main() {
  setStartupStepHook(onStep);
  const bool ready = startUp();
  if (ready) runEventLoop();
  return shutDown(!ready);
}
