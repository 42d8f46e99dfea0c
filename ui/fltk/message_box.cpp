// The modal message box: the text, one OK button, no icon. Every other
// window of the kit is disabled while it is shown.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <memory>

#include "platform/platform.h"
#include "ui/fltk/fltk_kit.h"
#include "ui/scaling.h"

namespace {

constexpr int kMargin = 16;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kMinTextWidth = 120;
constexpr int kOkButton = 1;  // what the box reports for OK, Enter, Escape and its close box

void Dismiss(Fl_Widget* widget, void*) {
  widget->window() ? widget->window()->hide() : widget->hide();
}

// The size of the text in the font of `fontSize`, wrapped at a width that
// suits the screen.
void MeasureText(const char* text, int fontSize, int minWidth, int* w, int* h) {
  int sx, sy, sw, sh;
  Fl::screen_xywh(sx, sy, sw, sh, 0);
  fl_font(FL_HELVETICA, fontSize);
  *w = std::max(minWidth, sw / 2);
  *h = 0;
  fl_measure(text, *w, *h, 0);
  // Left-aligned labels are drawn 3 pixels in from each side; leave that
  // room, so that drawing never wraps a line that measuring kept.
  *w = std::max(*w + 8, minWidth);
}

// The box is laid out at the scale the desktop asks for a box of the size
// it has at 96 DPI, its text measured in the scaled font.
std::unique_ptr<Fl_Window> BuildBox(const std::string& title, const std::string& text) {
  int textW = 0, textH = 0;
  MeasureText(text.c_str(), kit::kFontSize, kMinTextWidth, &textW, &textH);
  const double scale = kit::DesktopScale(textW + 2 * kMargin, textH + kButtonHeight + 3 * kMargin);
  const int fontSize = kit::Scaled(kit::kFontSize, scale);
  const int margin = kit::Scaled(kMargin, scale);
  const int buttonW = kit::Scaled(kButtonWidth, scale);
  const int buttonH = kit::Scaled(kButtonHeight, scale);
  if (scale != 1.0) {
    MeasureText(text.c_str(), fontSize, kit::Scaled(kMinTextWidth, scale), &textW, &textH);
  }
  int w = textW + 2 * margin;
  int h = textH + buttonH + 3 * margin;
  int sx, sy, sw, sh;
  Fl::screen_xywh(sx, sy, sw, sh, 0);
  Fl_Group::current(nullptr);
  auto box = std::make_unique<Fl_Window>(sx + (sw - w) / 2, sy + (sh - h) / 2, w, h);
  box->copy_label(title.c_str());
  auto* message = new Fl_Box(margin, margin, textW, textH);
  message->labeltype(kit::kPlainLabel);
  message->labelsize(fontSize);
  message->align(FL_ALIGN_INSIDE | FL_ALIGN_LEFT | FL_ALIGN_TOP | FL_ALIGN_WRAP);
  message->copy_label(text.c_str());
  auto* ok = new Fl_Return_Button((w - buttonW) / 2, h - margin - buttonH, buttonW, buttonH, "OK");
  ok->labelsize(fontSize);
  ok->callback(Dismiss);
  box->end();
  box->set_modal();
  box->size_range(w, h, w, h);
  box->callback(Dismiss);
  kit::SetProgramIcon(box.get());
  return box;
}

}  // namespace

int ShowMessageBox(std::string_view title, std::string_view text) {
  kit::SetUpToolkit();
  std::unique_ptr<Fl_Window> box =
      BuildBox(platform::Cp1252ToUtf8(title), platform::Cp1252ToUtf8(text));
  std::vector<Fl_Window*> disabled;
  for (Fl_Window* window : kit::AllWindows()) {
    if (window->shown() && window->active()) {
      window->deactivate();
      disabled.push_back(window);
    }
  }
  box->show();
  while (box->shown()) Fl::wait();
  for (Fl_Window* window : disabled) window->activate();
  box.reset();
  FlushDisplay();
  return kOkButton;
}
