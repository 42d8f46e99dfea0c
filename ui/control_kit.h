// The control kit: numbered windows and controls, their texts and states,
// one event queue polled with a time-out, and a modal message box. Numbers
// are chosen by the caller; creating under a number in use first destroys
// the old window or control. Texts are Windows-1252; the backend shows them
// in the toolkit's own encoding. Operations on a number without a window or
// control do nothing and return 0.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "imaging/image_store.h"

// Event codes returned by WaitEvent.
constexpr int MoveWindowEvent = 3;
constexpr int SizeWindowEvent = 5;
constexpr int RepaintEvent = 15;
constexpr int CloseWindowEvent = 16;
constexpr int ControlEvent = 13100;
constexpr int MenuEvent = 13101;
constexpr int ActivateWindowEvent = 13104;
constexpr int MinimizeWindowEvent = 13107;
constexpr int MaximizeWindowEvent = 13108;
constexpr int RestoreWindowEvent = 13109;
// The window moved to a screen of another pixel density: WindowScale of
// LastEventWindow has changed, and the window and its controls have been
// laid out again at the new scale.
constexpr int ScaleChangedEvent = 13110;

// Control event types (LastEventType).
constexpr int ClickedEvent = 0;
constexpr int RightReleaseEvent = 1;
constexpr int DoubleClickEvent = 2;
constexpr int RightDoubleClickEvent = 3;
constexpr int FocusGainedEvent = 14000;
constexpr int FocusLostEvent = 14001;
constexpr int DragStartEvent = 14002;
constexpr int TextChangedEvent = 0x300;  // the edit field's change notification

// Window flags.
constexpr std::uint32_t WindowCentreOnScreen = 0x1;
constexpr std::uint32_t WindowCentreOnParent = 0x2;
constexpr std::uint32_t WindowNotCurrent = 0x8;
constexpr std::uint32_t WindowSystemMenu = 0x80000;  // caption close box
constexpr std::uint32_t WindowTitleBar = 0xC00000;
constexpr std::uint32_t WindowMaximized = 0x1000000;
constexpr std::uint32_t WindowInvisible = 0x10000000;
constexpr std::uint32_t WindowMinimized = 0x20000000;

// Opaque handle of a window or control (the backend's own object); 0 means
// failure. Valid until the window or control is destroyed.
using ControlHandle = std::intptr_t;

// Creates the tables and empties the event state; once, before any window.
// Connects to the display: a process without one cannot go on.
void InitControlKit();

// Opens window `number` (closing a window of that number first); x, y place
// the outer frame on the screen, width and height are the client area's
// exact size. Flags as above; 0xC80000 gives a caption with a close box and
// no minimise, maximise or sizing. With no bits but the centring and
// invisible ones, a caption is added. The new window becomes the current one
// for new controls unless WindowNotCurrent. 0 for a negative number.
ControlHandle MakeWindow(int number, int x, int y, int width, int height, std::string_view title,
                         std::uint32_t flags);

// How many screen pixels window `number` shows for one pixel of the sizes
// and positions its caller passes: the window's client area, its frame's
// position and every control's position and size are the caller's values
// times this scale, and the controls' font is made for it. 1 on a 96-DPI
// screen, and always 1 where the toolkit does not scale (its values are then
// screen pixels as given); also 1 for a number without a window. Never below
// 1. An image control is the exception: it takes the size of its image in
// screen pixels, so the caller makes the image for the scale. Where the
// system does not report density changes (X), the scale is the desktop's
// when the window is made, and stays.
double WindowScale(int number);

// Controls are made in the current window, at client coordinates, in the
// default GUI font; creating under a number in use destroys the old control.
// 0 (the number left as it was) when there is no current window or the
// number is negative. Tab and Shift+Tab move the focus over check boxes,
// edit fields and buttons in creation order. An image control takes the
// size of the image it shows; it does not own the image.
ControlHandle MakeImageControl(int number, int x, int y, int width, int height, ImageHandle image);
ControlHandle MakeCheckBox(int number, int x, int y, int width, int height, std::string_view text);
ControlHandle MakeTextLabel(int number, int x, int y, int width, int height, std::string_view text);
ControlHandle MakeEditField(int number, int x, int y, int width, int height, std::string_view text);
ControlHandle MakeButton(int number, int x, int y, int width, int height, std::string_view text);

// Check boxes: on for any non-zero value. Image controls: `value` is an
// ImageHandle (0 shows nothing). Other kinds ignore it.
void SetControlState(int control, std::intptr_t value);
// Check boxes and buttons: 1 or 0. Image controls: the shown handle.
// Other kinds: 0.
std::intptr_t GetControlState(int control);
void SetControlText(int control, std::string_view text);
std::string GetControlText(int control);
// 1 disables (greyed, no input, no events), 0 enables again.
void DisableControl(int control, int flag);

// Makes every change so far visible on screen now, before the caller blocks.
void FlushDisplay();

// Brackets a long action that blocks the caller's thread. Meanwhile every
// pause of the platform layer keeps the windows drawn (and, where the system
// watches for it, answering), mouse and key input aimed at the windows is
// dropped, and a close request is kept. EndBusy drops the input that is
// still waiting; a kept close request is reported by the next WaitEvent.
void BeginBusy();
void EndBusy();

// Waits for one event: -1 waits forever, 0 not at all, otherwise up to that
// many milliseconds. Window events queued earlier come first, one per call;
// a window event equal to the last one queued is not queued twice. A control
// event comes back from the call during which it was raised. The event
// code; 0 when nothing happened within the time-out; with time-out 0, some
// other non-zero number (not an event code) when input was handled that
// raised no event. A close request only reports CloseWindowEvent: the
// window stays open.
int WaitEvent(int timeoutMs);
// The control of the last ControlEvent, and its event type (-1 when the
// last WaitEvent reported no control event).
int LastEventControl();
int LastEventType();
// The window of the last window event.
int LastEventWindow();

// A modal box with the title, the text, one OK button and no icon; every
// other window is disabled until it is dismissed (by OK, Enter, Escape or
// its close box). The button pressed: 1 for OK.
int ShowMessageBox(std::string_view title, std::string_view text);

// A native folder chooser opened at `start` (a system path, platform.h;
// empty or missing: the system's choice). The chosen folder as a system
// path, empty when the user cancelled.
std::string ChooseFolder(std::string_view title, std::string_view start);

// Closes every window and frees every number.
void CloseAllWindows();
