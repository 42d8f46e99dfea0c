#include "ui/event_queue.h"

#include <algorithm>
#include <deque>

#include "ui/control_kit.h"

namespace kit {
namespace {

struct WindowEntry {
  int code;
  int window;
};

struct ControlEntry {
  int control;
  int type;
};

struct EventState {
  std::deque<WindowEntry> windowEvents;
  std::deque<ControlEntry> controlEvents;
  int lastControl = 0;
  int lastType = -1;
  int lastWindow = 0;
};

EventState& State() {
  static EventState state;
  return state;
}

}  // namespace

void ResetEvents() { State() = EventState{}; }

void QueueWindowEvent(int code, int window) {
  std::deque<WindowEntry>& queue = State().windowEvents;
  if (!queue.empty() && queue.back().code == code && queue.back().window == window) return;
  queue.push_back({code, window});
}

void RaiseControlEvent(int control, int type) { State().controlEvents.push_back({control, type}); }

int TakeControlEvent() {
  EventState& state = State();
  if (state.controlEvents.empty()) return 0;
  ControlEntry entry = state.controlEvents.front();
  state.controlEvents.pop_front();
  state.lastControl = entry.control;
  state.lastType = entry.type;
  return ControlEvent;
}

int TakeQueuedEvent() {
  EventState& state = State();
  state.lastType = -1;
  if (!state.windowEvents.empty()) {
    WindowEntry entry = state.windowEvents.front();
    state.windowEvents.pop_front();
    state.lastWindow = entry.window;
    return entry.code;
  }
  return TakeControlEvent();
}

bool WindowEventWaiting() { return !State().windowEvents.empty(); }

void ForgetWindowEvents(int window) {
  std::deque<WindowEntry>& queue = State().windowEvents;
  queue.erase(std::remove_if(queue.begin(), queue.end(),
                             [window](const WindowEntry& e) { return e.window == window; }),
              queue.end());
}

void ForgetControlEvents(int control) {
  std::deque<ControlEntry>& queue = State().controlEvents;
  queue.erase(std::remove_if(queue.begin(), queue.end(),
                             [control](const ControlEntry& e) { return e.control == control; }),
              queue.end());
}

}  // namespace kit

int LastEventControl() { return kit::State().lastControl; }
int LastEventType() { return kit::State().lastType; }
int LastEventWindow() { return kit::State().lastWindow; }
