// Every disk call and pause of the platform layer passes through this table
// so that tests can count calls and make the Nth one fail; pauses are
// counted here and handed to the pause handler or the backend's sleep.
#include "platform/fault_table.h"

#include <array>
#include <chrono>
#include <functional>
#include <utility>
#include <vector>

namespace platform {
namespace {

struct OpCounter {
  long calls = 0;
  long failAt = 0;  // absolute call number that fails; 0 = none
  bool sticky = false;
  long hookAt = 0;  // absolute call number that runs the hook; 0 = none
  bool hookSticky = false;
  std::function<void()> hook;
};

bool Due(long calls, long at, bool sticky) {
  return at != 0 && (calls == at || (sticky && calls > at));
}

std::array<OpCounter, static_cast<int>(Op::kCount)> counters;
long long pausedMs = 0;
bool recording = false;
std::vector<Op> recorded;
bool pausesEnabled = true;
PauseHandler pauseHandler = nullptr;
// When the pause handler last returned; KeepServing measures from here.
std::chrono::steady_clock::time_point lastServed;

OpCounter& Counter(Op op) { return counters[static_cast<int>(op)]; }

}  // namespace

bool CallFails(Op op) {
  OpCounter& c = Counter(op);
  ++c.calls;
  if (recording) recorded.push_back(op);
  if (Due(c.calls, c.hookAt, c.hookSticky) && c.hook) c.hook();
  return Due(c.calls, c.failAt, c.sticky);
}

void FailNthCall(Op op, long n, bool sticky) {
  OpCounter& c = Counter(op);
  c.failAt = n > 0 ? c.calls + n : 0;
  c.sticky = sticky;
}

void HookNthCall(Op op, long n, std::function<void()> hook, bool sticky) {
  OpCounter& c = Counter(op);
  c.hookAt = n > 0 ? c.calls + n : 0;
  c.hookSticky = sticky;
  c.hook = std::move(hook);
}

long CallCount(Op op) { return Counter(op).calls; }

long long PausedMs() { return pausedMs; }

void ResetFaults() {
  counters = {};
  pausedMs = 0;
  recording = false;
  recorded.clear();
}

void RecordCalls() { recording = true; }

std::vector<Op> RecordedCalls() { return recorded; }

void SetPausesEnabled(bool enabled) { pausesEnabled = enabled; }

void SetPauseHandler(PauseHandler handler) {
  pauseHandler = handler;
  lastServed = std::chrono::steady_clock::now();
}

void KeepServing() {
  if (pauseHandler == nullptr || !pausesEnabled) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastServed < std::chrono::milliseconds(kServeIntervalMs)) return;
  pauseHandler(0);
  lastServed = std::chrono::steady_clock::now();
}

void PauseMs(int milliseconds) {
  CallFails(Op::kPause);
  pausedMs += milliseconds;
  if (!pausesEnabled || milliseconds <= 0) return;
  if (pauseHandler != nullptr) {
    pauseHandler(milliseconds);
    lastServed = std::chrono::steady_clock::now();
  } else {
    SleepMs(milliseconds);
  }
}

}  // namespace platform
