// Private to the FLTK backend: the window and control records and the
// widget classes behind them.
#pragma once

#include <FL/Fl_Box.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Widget.H>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/image_store.h"
#include "support/numbered_table.h"
#include "ui/control_kit.h"
#include "ui/kit_backend.h"

namespace kit {

struct WindowRecord {
  Fl_Double_Window* window = nullptr;  // owns its controls
  std::uint32_t flags = 0;
  double scale = 1.0;  // the scale it is laid out at, for its whole life
};

struct ControlRecord {
  Fl_Widget* widget = nullptr;  // owned by its window
  Kind kind = Kind::kButton;
  int window = 0;
  std::string text;  // UTF-8 caption as set (labels are drawn without symbols)
};

// The font size of every control at scale 1, close to the default GUI font;
// Scaled(kFontSize, scale) at a scale.
constexpr int kFontSize = 12;
// A label type that draws its text as is: no "@" symbols.
constexpr Fl_Labeltype kPlainLabel = FL_FREE_LABELTYPE;

// The numbers in use in a table, lowest first.
template <class Table>
std::vector<int> UsedNumbers(const Table& table) {
  std::vector<int> numbers;
  for (std::size_t i = 0; i < table.capacity(); ++i) {
    if (table.get(static_cast<std::int64_t>(i))) numbers.push_back(static_cast<int>(i));
  }
  return numbers;
}

WindowRecord* FindWindow(int number);
ControlRecord* FindControl(int number);
// The number of the kit window that is this FLTK window, -1 if none.
int WindowNumberOf(const Fl_Window* window);
// The window that new controls go into, nullptr when there is none.
Fl_Double_Window* CurrentWindow(int* number);
// Every kit window, lowest number first.
std::vector<Fl_Window*> AllWindows();
// Frees the numbers of every control of a window that is being destroyed.
void ForgetControlsOf(int window);
// Installs the labels, fonts, icon and event hook; once.
void SetUpToolkit();
// The scale for a window whose client area is width x height at 96 DPI: the
// one LAPBUNDLE_SCALE gives (a number from 1 to 4; any other value is
// ignored, with one line on standard error), otherwise Xft.dpi / 96 from the
// X server's resource database, otherwise 1. Never below 1, and limited so
// that the scaled client area fits within 90 % of the work area (of the
// screen where the desktop sets none).
double DesktopScale(int width, int height);

// Builds an image control (showing nothing yet) that reports its clicks.
Fl_Widget* NewImageControl(int number, int x, int y, int width, int height);
// Shows a handle (0: nothing); the control takes the image's size.
void ShowImage(Fl_Widget* control, ImageHandle image);
ImageHandle ShownImage(Fl_Widget* control);

// True for an input event (mouse, keys, drag and drop) that arrives while
// the program is busy: it is dropped unhandled.
bool DropsInput(int event);

// Sets the program icon on a window.
void SetProgramIcon(Fl_Window* window);

}  // namespace kit
