// A control kit without a display, for tests of the application core.
//
// It implements every operation of ui/control_kit.h over plain records and
// adds a script of user actions that WaitEvent plays back one per call, and
// read access to everything the core did: control texts and states, the
// history of each control's texts, the order of calls, the message boxes
// shown and what was on display at each FlushDisplay.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace headless {

enum class Kind { kNone, kImage, kCheckBox, kLabel, kEdit, kButton };

struct Control {
  Kind kind = Kind::kNone;
  int x = 0, y = 0, width = 0, height = 0;
  std::string text;
  std::intptr_t state = 0;
  bool enabled = true;
};

struct Window {
  bool open = false;
  int x = 0, y = 0, width = 0, height = 0;
  std::string title;
  std::uint32_t flags = 0;
};

struct ShownMessage {
  std::string title;
  std::string text;
  bool windowOpen = false;  // whether window 0 was open when it was shown
};

// What FlushDisplay saw: the pause time asked of the platform so far, the
// button's caption and state and the name field's text.
struct Flush {
  long long pausedMs = 0;
  std::string buttonText;  // control 50
  std::string fieldText;   // control 5
  bool buttonEnabled = true;
};

// Forgets everything: controls, windows, script, logs.
void Reset();

// Script of user actions, played back by WaitEvent one per call.
// A click on a check box toggles it; a click on a disabled control is lost.
void PushClick(int control);
// Replaces the text of an edit field as if typed, and reports the change.
void PushTyping(int control, const std::string& text);
// The close box of window 0.
void PushClose();
// A non-zero event code the core has no use for (a repaint, say).
void PushOtherEvent(int code);
// The scale WindowScale reports for every window (1 until set).
void SetWindowScale(double scale);
// Window 0 moves to a screen of another density: WindowScale becomes
// `scale` and WaitEvent reports ScaleChangedEvent for window 0.
void PushScaleChange(double scale);
// The action pushed last arrives while the core is blocked in a long action
// (at its next FlushDisplay) rather than while it waits: between BeginBusy
// and EndBusy a click or typing is dropped and a close request is kept;
// otherwise it waits to be played by the next WaitEvent.
void MarkLastDuringAction();
// When the script is empty WaitEvent returns 0 up to this many times in a
// row, then a close request so that a loop under test always ends.
void SetIdleLimit(int waits);
// True when WaitEvent had to end a loop with its fallback close request.
bool RanDry();
// What ChooseFolder answers (empty: the user cancels); each call is logged
// as "ChooseFolder <start>".
void SetChosenFolder(const std::string& folder);

// Read access.
const Control& ControlAt(int number);  // kind kNone when there is none
const Window& WindowAt(int number);
// Every text a control held, from the caption it was made with, in order.
const std::vector<std::string>& TextHistory(int number);
// Calls in order, such as "MakeCheckBox 2", "SetControlState 2 1".
const std::vector<std::string>& CallLog();
const std::vector<ShownMessage>& MessageBoxes();
const std::vector<Flush>& Flushes();
int WaitCalls();

}  // namespace headless
