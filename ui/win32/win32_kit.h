// Private to the Windows backend: the window and control records, the
// control classes behind them, and the messages the kit posts to itself.
#pragma once

#include <windows.h>
// These need windows.h before them.
#include <commctrl.h>
#include <ole2.h>

#include <cstdint>
#include <vector>

#include "imaging/image_store.h"
#include "support/numbered_table.h"
#include "ui/control_kit.h"
#include "ui/kit_backend.h"
#include "ui/scaling.h"

namespace kit {

// A control raises its own event by posting this to its top-level window:
// wParam is the control number, lParam the event type.
constexpr UINT kControlEventMessage = WM_APP + 1;

// The commands of the two Tab accelerators.
constexpr WORD kNextControlCommand = 64001;
constexpr WORD kPreviousControlCommand = 64002;

struct WindowRecord {
  HWND hwnd = nullptr;
  ACCEL accelerators[2] = {};
  HACCEL acceleratorTable = nullptr;
  bool sizedOut = false;        // minimised or maximised
  HBRUSH background = nullptr;  // never set by this system; deleted with the window
  // The layout: the client size as the caller gave it, the style, the DPI
  // of the window's screen and the scale the window is laid out at.
  int width = 0;
  int height = 0;
  DWORD style = 0;
  int dpi = kBaseDpi;
  double scale = 1.0;
  HFONT font = nullptr;  // the controls' font made for the scale; nullptr: the stock one
};

struct ControlClass;

struct ControlRecord {
  HWND hwnd = nullptr;
  const ControlClass* kind = nullptr;
  WNDPROC oldProcedure = nullptr;  // the platform's procedure the kit replaced
  int window = 0;                  // the kit window it lives in
  std::uint64_t order = 0;         // creation order, for Tab navigation
  RECT layout = {};                // position and size as the caller gave them
  // Image controls: the shown handle and the bitmap drawn from it.
  ImageHandle image = nullptr;
  HBITMAP bitmap = nullptr;
  int imageWidth = 0;
  int imageHeight = 0;
  // Image controls: mouse state for clicks and drags.
  POINT press = {};
  bool leftHeld = false;
  bool dragReported = false;
  bool skipRightRelease = false;
};

// One shared descriptor per control kind: the platform class and styles, and
// the operations that differ between kinds. A null operation has no effect
// and yields 0; a null text operation falls back to the window text.
struct ControlClass {
  Kind kind;
  const char* platformClass;
  DWORD style;
  DWORD exStyle;
  // Handles a message before the platform's procedure; true when handled
  // (the result is then in *result).
  bool (*notify)(ControlRecord& record, UINT message, WPARAM wParam, LPARAM lParam,
                 LRESULT* result);
  void (*release)(ControlRecord& record);
  std::intptr_t (*getState)(const ControlRecord& record);
  void (*setState)(ControlRecord& record, std::intptr_t value);
};

const ControlClass& ClassOf(Kind kind);

WindowRecord* FindWindow(int number);
ControlRecord* FindControl(int number);
// The kit window number of a top-level window, -1 for any other window.
int WindowNumberOf(HWND hwnd);
// The kit control number of a control window, -1 for any other window.
int ControlNumberOf(HWND hwnd);
// The controls of a window, in the order they were made.
std::vector<ControlRecord*> ControlsOf(int window);
// Every kit window, lowest number first.
std::vector<HWND> AllWindows();
// The window new controls go into; nullptr when there is none.
HWND CurrentWindow(int* number);

HINSTANCE Instance();
HICON ProgramIcon();
HCURSOR ArrowCursor();

// The kit's procedure of top-level windows.
LRESULT CALLBACK WindowProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Moves the keyboard focus to the next (or previous) tab stop of a window.
void MoveFocus(int window, bool forward);

// Image controls: the bitmap made from a handle, and the class operations.
bool ImageNotify(ControlRecord& record, UINT message, WPARAM wParam, LPARAM lParam,
                 LRESULT* result);
void ImageRelease(ControlRecord& record);
std::intptr_t ImageGetState(const ControlRecord& record);
void ImageSetState(ControlRecord& record, std::intptr_t value);

// Screen density (dpi.cpp). The DPI of the screen a window is on.
int WindowDpi(HWND hwnd);
// Widens a client rectangle to the outer frame of `style` at `dpi`.
void FrameAround(RECT* rect, DWORD style, int dpi);
// The scale of a window of client size width x height at `dpi` (ScaleFor
// of dpi / 96): the room is the monitor's work area less the frame of
// `style` at `dpi`; no limit when the monitor's area is unknown.
double MonitorScale(int dpi, HMONITOR monitor, int width, int height, DWORD style);
// The stock GUI font's face at its 96-DPI size times `scale`; nullptr at
// 96 DPI on a 96-DPI system, where the stock font itself serves. The caller
// deletes it.
HFONT MakeGuiFont(int dpi, double scale);
// The font of a window's controls.
HFONT GuiFont(const WindowRecord* window);

// Layout at a scale (scaling.cpp). Gives a window the scale and font for
// `dpi` on `monitor`; returns the font it replaced, which the caller deletes
// once no control uses it any more.
HFONT SetScale(WindowRecord& record, int dpi, HMONITOR monitor);
// The outer size of a window at its scale.
SIZE FrameSize(const WindowRecord& record);
// Corrects the outer size so that the client area is exactly the caller's
// size times the scale, whatever frame the system drew (a frame computed
// for the DPI can differ from the one drawn by a pixel or, when the density
// changed without the system's own scaling, by more).
void FitClient(const WindowRecord& record);
// A caller's rectangle in screen pixels at `scale`: its edges are scaled, so
// that controls that touch keep touching.
RECT ScaledRect(const RECT& layout, double scale);
// Lays window `number` and its controls out again for `dpi`, its frame's
// top-left corner at the one Windows suggests, and queues
// ScaleChangedEvent.
void OnDpiChanged(int number, int dpi, const RECT& suggested);

// Set by the window procedure when a menu or accelerator command other than
// Tab navigation arrives; taken by WaitEvent.
void RaiseMenuEvent();

}  // namespace kit
