// Numbered top-level windows: creation with the kit's flag rules, the window
// events they raise, and the toolkit's one-time set-up.
#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xutil.h>

#include <algorithm>

#include "platform/platform.h"
#include "ui/event_queue.h"
#include "ui/fltk/fltk_kit.h"
#include "ui/scaling.h"

namespace kit {
namespace {

// Platform style bits the flags may carry besides the kit's own.
constexpr std::uint32_t kMaximizeBox = 0x10000;
constexpr std::uint32_t kMinimizeBox = 0x20000;
constexpr std::uint32_t kSizingBorder = 0x40000;
constexpr std::uint32_t kBorder = 0x800000;
constexpr int kDefaultPosition = -65535;

struct Tables {
  NumberedTable<WindowRecord, 16> windows;
  int current = -1;  // the window that new controls go into
};

Tables& State() {
  static Tables tables;
  return tables;
}

class KitWindow : public Fl_Double_Window {
 public:
  KitWindow(int number, int w, int h) : Fl_Double_Window(w, h), number_(number) {}
  KitWindow(int number, int x, int y, int w, int h)
      : Fl_Double_Window(x, y, w, h), number_(number) {}

  int number() const { return number_; }
  void GoLive() { live_ = true; }
  bool minimized = false;

  // Moves and size changes by the user or the window manager.
  void resize(int x, int y, int w, int h) override {
    bool moved = x != this->x() || y != this->y();
    bool sized = w != this->w() || h != this->h();
    Fl_Double_Window::resize(x, y, w, h);
    if (!live_ || !shown()) return;
    if (moved) QueueWindowEvent(MoveWindowEvent, number_);
    if (sized) QueueWindowEvent(SizeWindowEvent, number_);
  }

  // A repaint that has to redraw the background (not only a control).
  void flush() override {
    if (live_ && (damage() & (FL_DAMAGE_ALL | FL_DAMAGE_EXPOSE))) {
      QueueWindowEvent(RepaintEvent, number_);
    }
    Fl_Double_Window::flush();
  }

  int handle(int event) override {
    // Arrow keys edit text or do nothing; only Tab moves the focus.
    if (event == FL_KEYBOARD || event == FL_SHORTCUT) {
      int key = Fl::event_key();
      if (key == FL_Left || key == FL_Right || key == FL_Up || key == FL_Down) {
        Fl_Widget* focus = Fl::focus();
        return focus && focus != this && focus->handle(event);
      }
    }
    return Fl_Double_Window::handle(event);
  }

 private:
  int number_;
  bool live_ = false;
};

// A close request only reports itself; the caller decides. Escape is not one.
void CloseRequested(Fl_Widget* widget, void*) {
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  QueueWindowEvent(CloseWindowEvent, static_cast<KitWindow*>(widget)->number());
}

// Sees every event before FLTK handles it, for the window events FLTK
// gives no virtual hook for: activation, minimising and restoring; and to
// drop input while the program is busy.
int Dispatch(int event, Fl_Window* window) {
  if (DropsInput(event)) return 1;
  auto* kitWindow = dynamic_cast<KitWindow*>(window);
  if (kitWindow && State().windows.get(kitWindow->number())) {
    int number = kitWindow->number();
    if (event == FL_FOCUS) {
      QueueWindowEvent(ActivateWindowEvent, number);
    } else if (event == FL_HIDE && window->shown() && !kitWindow->minimized) {
      kitWindow->minimized = true;
      QueueWindowEvent(MinimizeWindowEvent, number);
    } else if (event == FL_SHOW && kitWindow->minimized) {
      kitWindow->minimized = false;
      QueueWindowEvent(RestoreWindowEvent, number);
      QueueWindowEvent(SizeWindowEvent, number);
    }
  }
  return Fl::handle_(event, window);
}

void DrawPlainLabel(const Fl_Label* label, int x, int y, int w, int h, Fl_Align align) {
  fl_font(label->font, label->size);
  fl_color(label->color);
  fl_draw(label->value, x, y, w, h, align, label->image, 0);
}

void MeasurePlainLabel(const Fl_Label* label, int& w, int& h) {
  fl_font(label->font, label->size);
  fl_measure(label->value, w, h, 0);
}

// Tells the window manager which frame parts and functions the window has:
// move always; close, minimise, maximise and resize as the flags say.
void ApplyFrameHints(Fl_Window* window, std::uint32_t style) {
  struct {
    unsigned long flags, functions, decorations;
    long inputMode;
    unsigned long status;
  } hints = {3, 4, 2, 0, 0};
  if (style & WindowSystemMenu) hints.functions |= 32, hints.decorations |= 16;
  if (style & kMinimizeBox) hints.functions |= 8, hints.decorations |= 32;
  if (style & kMaximizeBox) hints.functions |= 16, hints.decorations |= 64;
  if (style & kSizingBorder) hints.functions |= 2, hints.decorations |= 4;
  if ((style & WindowTitleBar) == WindowTitleBar) hints.decorations |= 8;
  Atom atom = XInternAtom(fl_display, "_MOTIF_WM_HINTS", False);
  XChangeProperty(fl_display, fl_xid(window), atom, atom, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&hints), 5);
}

// Puts the outer frame's top-left corner at x, y. FLTK places the client
// area (static gravity) and nudges a new window so that a guessed frame
// stays on the screen; the caller's place is what counts here.
void PlaceFrame(Fl_Window* window, int x, int y) {
  XSizeHints* hints = XAllocSizeHints();
  long supplied = 0;
  if (hints && XGetWMNormalHints(fl_display, fl_xid(window), hints, &supplied)) {
    hints->flags |= PWinGravity;
    hints->win_gravity = NorthWestGravity;
    XSetWMNormalHints(fl_display, fl_xid(window), hints);
  }
  if (hints) XFree(hints);
  XMoveWindow(fl_display, fl_xid(window), x, y);
}

void DestroyWindow(int number) {
  WindowRecord* record = State().windows.get(number);
  if (!record) return;
  ForgetControlsOf(number);
  record->window->hide();
  delete record->window;
  State().windows.release(number);
  ForgetWindowEvents(number);
  if (State().current == number) State().current = -1;
}

// Where the window goes: centred on the screen, centred on the active
// window, or at x, y (the toolkit's default place for kDefaultPosition).
KitWindow* NewWindow(int number, int x, int y, int w, int h, std::uint32_t style) {
  int sx, sy, sw, sh;
  Fl::screen_xywh(sx, sy, sw, sh, 0);
  if (style & WindowCentreOnScreen) {
    w = std::min(w, sw);
    h = std::min(h, sh);
    return new KitWindow(number, sx + (sw - w) / 2, sy + (sh - h) / 2, w, h);
  }
  if (style & WindowCentreOnParent) {
    Fl_Window* active = Fl::first_window();
    if (active && !Fl::modal())
      sx = active->x(), sy = active->y(), sw = active->w(), sh = active->h();
    return new KitWindow(number, std::max(0, sx + (sw - w) / 2), std::max(0, sy + (sh - h) / 2), w,
                         h);
  }
  if (x == kDefaultPosition || y == kDefaultPosition) return new KitWindow(number, w, h);
  return new KitWindow(number, x, y, w, h);
}

// The frame's place at `scale` for a client area of width x height at
// 96 DPI: the caller's x and y times the scale, moved as far as needed to
// keep the scaled client area on the screen. The toolkit's default place
// stays.
void ScalePlace(double scale, int width, int height, int* x, int* y) {
  if (*x == kDefaultPosition || *y == kDefaultPosition) return;
  int sx, sy, sw, sh;
  Fl::screen_xywh(sx, sy, sw, sh, 0);
  *x = std::max(sx, std::min(Scaled(*x, scale), sx + sw - Scaled(width, scale)));
  *y = std::max(sy, std::min(Scaled(*y, scale), sy + sh - Scaled(height, scale)));
}

}  // namespace

WindowRecord* FindWindow(int number) { return State().windows.get(number); }

Fl_Double_Window* CurrentWindow(int* number) {
  WindowRecord* record = State().windows.get(State().current);
  if (!record) return nullptr;
  *number = State().current;
  return record->window;
}

std::vector<Fl_Window*> AllWindows() {
  std::vector<Fl_Window*> windows;
  for (int number : UsedNumbers(State().windows))
    windows.push_back(State().windows.get(number)->window);
  return windows;
}

int WindowNumberOf(const Fl_Window* window) {
  auto* kitWindow = dynamic_cast<const KitWindow*>(window);
  return kitWindow ? kitWindow->number() : -1;
}

void SetUpToolkit() {
  static bool done = false;
  if (done) return;
  done = true;
  fl_open_display();
  FL_NORMAL_SIZE = kFontSize;
  Fl::set_labeltype(kPlainLabel, DrawPlainLabel, MeasurePlainLabel);
  Fl::visible_focus(1);
  Fl::dnd_text_ops(0);
  Fl::option(Fl::OPTION_ARROW_FOCUS, false);
  Fl_Window::default_xclass("lapbundle");
  Fl::event_dispatch(Dispatch);
}

}  // namespace kit

void InitControlKit() {
  kit::SetUpToolkit();
  kit::ResetEvents();
}

ControlHandle MakeWindow(int number, int x, int y, int width, int height, std::string_view title,
                         std::uint32_t flags) {
  if (number < 0 || number > NumberedTable<kit::WindowRecord, 16>::kMaxNumber) return 0;
  kit::SetUpToolkit();
  kit::DestroyWindow(number);
  std::uint32_t style = flags & ~WindowNotCurrent;
  if ((style & ~(WindowCentreOnScreen | WindowCentreOnParent | WindowInvisible)) == 0) {
    style |= WindowTitleBar;
  }
  width = std::max(width, 1);
  height = std::max(height, 1);
  const double scale = kit::DesktopScale(width, height);
  if (scale != 1.0) kit::ScalePlace(scale, width, height, &x, &y);
  kit::KitWindow* window =
      kit::NewWindow(number, x, y, kit::Scaled(width, scale), kit::Scaled(height, scale), style);
  window->end();
  window->copy_label(platform::Cp1252ToUtf8(title).c_str());
  kit::SetProgramIcon(window);
  if (style & kit::kSizingBorder) {
    window->resizable(window);
  } else {
    window->size_range(window->w(), window->h(), window->w(), window->h());
  }
  if ((style & (WindowTitleBar | kit::kBorder)) == 0) window->border(0);
  window->callback(kit::CloseRequested);
  *kit::State().windows.allocate(number) = kit::WindowRecord{window, flags, scale};
  if (!(style & WindowInvisible)) {
    if (style & WindowMinimized) {
      window->minimized = true;
      window->iconize();
    } else {
      window->show();
      if (!(style & (WindowCentreOnScreen | WindowCentreOnParent)) && x != kit::kDefaultPosition &&
          y != kit::kDefaultPosition) {
        kit::PlaceFrame(window, x, y);
      }
    }
    if (window->border()) kit::ApplyFrameHints(window, style);
  }
  window->GoLive();
  if (!(flags & WindowNotCurrent)) kit::State().current = number;
  return reinterpret_cast<ControlHandle>(window);
}

double WindowScale(int number) {
  const kit::WindowRecord* record = kit::FindWindow(number);
  return record ? record->scale : 1.0;
}

void CloseAllWindows() {
  for (int number : kit::UsedNumbers(kit::State().windows)) kit::DestroyWindow(number);
  Fl::flush();
}
