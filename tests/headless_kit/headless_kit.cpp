// The headless control kit: ui/control_kit.h over plain records.
#include "tests/headless_kit/headless_kit.h"

#include <deque>
#include <map>
#include <string>

#include "platform/platform.h"
#include "ui/control_kit.h"

namespace headless {
namespace {

enum class ActionKind { kClick, kTyping, kClose, kOther, kScale };

struct Action {
  ActionKind kind;
  int control = 0;
  int code = 0;
  std::string text;
  bool duringAction = false;
  double scale = 1.0;
};

struct Kit {
  std::map<int, Control> controls;
  std::map<int, Window> windows;
  std::map<int, std::vector<std::string>> history;
  std::vector<std::string> log;
  std::vector<ShownMessage> messages;
  std::vector<Flush> flushes;
  std::deque<Action> script;
  std::deque<Action> arrived;  // input that came while the core was blocked
  bool busy = false;
  int currentWindow = -1;
  int idleLimit = 1000;
  int idleWaits = 0;
  bool ranDry = false;
  std::string chosenFolder;
  int waitCalls = 0;
  int lastControl = 0;
  int lastType = -1;
  int lastWindow = 0;
  double scale = 1.0;
};

Kit kit;

Control* find(int number) {
  auto it = kit.controls.find(number);
  return it == kit.controls.end() ? nullptr : &it->second;
}

ControlHandle makeControl(const char* call, Kind kind, int number, int x, int y, int width,
                          int height, std::string_view text) {
  kit.log.push_back(std::string(call) + " " + std::to_string(number));
  auto window = kit.windows.find(kit.currentWindow);
  if (window == kit.windows.end() || !window->second.open) return 0;
  Control c;
  c.kind = kind;
  c.x = x;
  c.y = y;
  c.width = width;
  c.height = height;
  c.text = std::string(text);
  kit.controls[number] = c;
  kit.history[number] = {c.text};
  return 1000 + number;
}

// Plays one scripted action; the event code it raises, 0 when it was lost.
int play(const Action& action) {
  switch (action.kind) {
    case ActionKind::kClose:
      kit.lastWindow = 0;
      return CloseWindowEvent;
    case ActionKind::kOther:
      return action.code;
    case ActionKind::kScale:
      kit.scale = action.scale;
      kit.lastWindow = 0;
      return ScaleChangedEvent;
    case ActionKind::kTyping: {
      Control* c = find(action.control);
      if (c == nullptr || !c->enabled || c->kind != Kind::kEdit) return 0;
      c->text = action.text;
      kit.history[action.control].push_back(action.text);
      kit.lastControl = action.control;
      kit.lastType = TextChangedEvent;
      return ControlEvent;
    }
    case ActionKind::kClick: {
      Control* c = find(action.control);
      if (c == nullptr || !c->enabled) return 0;
      if (c->kind == Kind::kCheckBox) c->state = c->state != 0 ? 0 : 1;
      kit.lastControl = action.control;
      kit.lastType = ClickedEvent;
      return ControlEvent;
    }
  }
  return 0;
}

}  // namespace

void Reset() { kit = Kit{}; }

void PushClick(int control) { kit.script.push_back({ActionKind::kClick, control, 0, {}}); }
void PushTyping(int control, const std::string& text) {
  kit.script.push_back({ActionKind::kTyping, control, 0, text});
}
void PushClose() { kit.script.push_back({ActionKind::kClose, 0, 0, {}}); }
void PushOtherEvent(int code) { kit.script.push_back({ActionKind::kOther, 0, code, {}}); }
void SetWindowScale(double scale) { kit.scale = scale; }
void PushScaleChange(double scale) {
  Action action{ActionKind::kScale, 0, 0, {}};
  action.scale = scale;
  kit.script.push_back(action);
}
void MarkLastDuringAction() {
  if (!kit.script.empty()) kit.script.back().duringAction = true;
}
void SetIdleLimit(int waits) { kit.idleLimit = waits; }
bool RanDry() { return kit.ranDry; }
void SetChosenFolder(const std::string& folder) { kit.chosenFolder = folder; }

const Control& ControlAt(int number) {
  static const Control none;
  const Control* c = find(number);
  return c == nullptr ? none : *c;
}

const Window& WindowAt(int number) {
  static const Window none;
  auto it = kit.windows.find(number);
  return it == kit.windows.end() ? none : it->second;
}

const std::vector<std::string>& TextHistory(int number) {
  static const std::vector<std::string> none;
  auto it = kit.history.find(number);
  return it == kit.history.end() ? none : it->second;
}

const std::vector<std::string>& CallLog() { return kit.log; }
const std::vector<ShownMessage>& MessageBoxes() { return kit.messages; }
const std::vector<Flush>& Flushes() { return kit.flushes; }
int WaitCalls() { return kit.waitCalls; }

}  // namespace headless

using headless::Kind;
using headless::kit;

void InitControlKit() {
  kit.controls.clear();
  kit.windows.clear();
  kit.currentWindow = -1;
  kit.log.push_back("InitControlKit");
}

ControlHandle MakeWindow(int number, int x, int y, int width, int height, std::string_view title,
                         std::uint32_t flags) {
  kit.log.push_back("MakeWindow " + std::to_string(number));
  kit.windows[number] = {true, x, y, width, height, std::string(title), flags};
  if ((flags & WindowNotCurrent) == 0) kit.currentWindow = number;
  return 500 + number;
}

ControlHandle MakeImageControl(int number, int x, int y, int width, int height, ImageHandle image) {
  ControlHandle h =
      headless::makeControl("MakeImageControl", Kind::kImage, number, x, y, width, height, "");
  if (h != 0 && image != nullptr) SetControlState(number, reinterpret_cast<std::intptr_t>(image));
  return h;
}
ControlHandle MakeCheckBox(int number, int x, int y, int width, int height, std::string_view text) {
  return headless::makeControl("MakeCheckBox", Kind::kCheckBox, number, x, y, width, height, text);
}
ControlHandle MakeTextLabel(int number, int x, int y, int width, int height,
                            std::string_view text) {
  return headless::makeControl("MakeTextLabel", Kind::kLabel, number, x, y, width, height, text);
}
ControlHandle MakeEditField(int number, int x, int y, int width, int height,
                            std::string_view text) {
  return headless::makeControl("MakeEditField", Kind::kEdit, number, x, y, width, height, text);
}
ControlHandle MakeButton(int number, int x, int y, int width, int height, std::string_view text) {
  return headless::makeControl("MakeButton", Kind::kButton, number, x, y, width, height, text);
}

double WindowScale(int /*number*/) { return kit.scale; }

void SetControlState(int control, std::intptr_t value) {
  headless::Control* c = headless::find(control);
  if (c == nullptr) return;
  if (c->kind == Kind::kImage) {
    kit.log.push_back("SetControlState " + std::to_string(control) +
                      (value != 0 ? " image" : " none"));
    c->state = value;
    // An image control takes the size of the image it shows.
    ImageView view;
    if (ViewImage(reinterpret_cast<ImageHandle>(value), &view)) {
      c->width = view.width;
      c->height = view.height;
    }
  } else if (c->kind == Kind::kCheckBox || c->kind == Kind::kButton) {
    kit.log.push_back("SetControlState " + std::to_string(control) + " " + std::to_string(value));
    c->state = value != 0 ? 1 : 0;
  }
}

std::intptr_t GetControlState(int control) {
  const headless::Control* c = headless::find(control);
  if (c == nullptr) return 0;
  if (c->kind == Kind::kImage || c->kind == Kind::kCheckBox || c->kind == Kind::kButton) {
    return c->state;
  }
  return 0;
}

void SetControlText(int control, std::string_view text) {
  headless::Control* c = headless::find(control);
  if (c == nullptr) return;
  kit.log.push_back("SetControlText " + std::to_string(control));
  c->text = std::string(text);
  kit.history[control].push_back(c->text);
}

std::string GetControlText(int control) {
  const headless::Control* c = headless::find(control);
  return c == nullptr ? std::string() : c->text;
}

void DisableControl(int control, int flag) {
  headless::Control* c = headless::find(control);
  if (c == nullptr) return;
  kit.log.push_back("DisableControl " + std::to_string(control) + " " + std::to_string(flag));
  c->enabled = flag == 0;
}

void FlushDisplay() {
  kit.flushes.push_back({platform::PausedMs(), GetControlText(50), GetControlText(5),
                         headless::ControlAt(50).enabled});
  while (!kit.script.empty() && kit.script.front().duringAction) {
    const headless::Action action = kit.script.front();
    kit.script.pop_front();
    // Clicks and typing are dropped while the core is busy; a close request
    // or a scale change is kept.
    const bool input =
        action.kind == headless::ActionKind::kClick || action.kind == headless::ActionKind::kTyping;
    if (!kit.busy || !input) kit.arrived.push_back(action);
  }
}

void BeginBusy() {
  kit.log.push_back("BeginBusy");
  kit.busy = true;
}

void EndBusy() {
  kit.log.push_back("EndBusy");
  kit.busy = false;
}

int WaitEvent(int /*timeoutMs*/) {
  ++kit.waitCalls;
  kit.lastType = -1;
  if (!kit.arrived.empty()) {
    const headless::Action action = kit.arrived.front();
    kit.arrived.pop_front();
    return headless::play(action);
  }
  if (kit.script.empty()) {
    if (++kit.idleWaits <= kit.idleLimit) return 0;
    kit.ranDry = true;
    kit.lastWindow = 0;
    return CloseWindowEvent;
  }
  kit.idleWaits = 0;
  headless::Action action = kit.script.front();
  kit.script.pop_front();
  return headless::play(action);
}

int LastEventControl() { return kit.lastControl; }
int LastEventType() { return kit.lastType; }
int LastEventWindow() { return kit.lastWindow; }

int ShowMessageBox(std::string_view title, std::string_view text) {
  kit.log.push_back("ShowMessageBox");
  kit.messages.push_back({std::string(title), std::string(text), headless::WindowAt(0).open});
  return 1;
}

void CloseAllWindows() {
  kit.log.push_back("CloseAllWindows");
  kit.controls.clear();
  for (auto& [number, window] : kit.windows) window.open = false;
  kit.currentWindow = -1;
}

std::string ChooseFolder(std::string_view /*title*/, std::string_view start) {
  kit.log.push_back("ChooseFolder " + std::string(start));
  return kit.chosenFolder;
}
