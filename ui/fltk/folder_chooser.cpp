// The folder chooser: FLTK's file chooser in directory mode. A typed or
// picked folder is accepted with OK or Return.
#include <FL/Fl.H>
#include <FL/Fl_Browser_.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Input_.H>
#include <FL/Fl_Menu_.H>
#include <FL/filename.H>

#include <algorithm>
#include <string>

#include "platform/platform.h"
#include "ui/fltk/fltk_kit.h"
#include "ui/scaling.h"

namespace {

// Lays out a widget built at 96 DPI, and everything in it, at `scale`: its
// edges are scaled (each relative to its window, as FLTK keeps them), and so
// are its label and text sizes. Each group's idea of its children's sizes is
// renewed afterwards, so that a later resize starts from the scaled layout.
void ScaleWidget(Fl_Widget* widget, double scale) {
  using kit::Scaled;
  const int left = Scaled(widget->x(), scale), top = Scaled(widget->y(), scale);
  widget->Fl_Widget::resize(left, top, Scaled(widget->x() + widget->w(), scale) - left,
                            Scaled(widget->y() + widget->h(), scale) - top);
  widget->labelsize(Scaled(widget->labelsize(), scale));
  if (auto* input = dynamic_cast<Fl_Input_*>(widget)) {
    input->textsize(Scaled(input->textsize(), scale));
  } else if (auto* browser = dynamic_cast<Fl_Browser_*>(widget)) {
    browser->textsize(Scaled(browser->textsize(), scale));
  } else if (auto* menu = dynamic_cast<Fl_Menu_*>(widget)) {
    menu->textsize(Scaled(menu->textsize(), scale));
  }
  if (Fl_Group* group = widget->as_group()) {
    for (int i = 0; i < group->children(); ++i) ScaleWidget(group->child(i), scale);
    group->init_sizes();
  }
}

// The chooser's window at `scale`; its place on the screen is the toolkit's.
void ScaleChooser(Fl_File_Chooser& chooser, double scale) {
  Fl_Window* window = chooser.newButton->window();
  const int x = window->x(), y = window->y();
  ScaleWidget(window, scale);
  window->Fl_Widget::resize(x, y, window->w(), window->h());
  window->size_range(window->w(), window->h());
  chooser.iconsize(static_cast<uchar>(std::min(255, kit::Scaled(chooser.iconsize(), scale))));
}

}  // namespace

std::string ChooseFolder(std::string_view title, std::string_view start) {
  kit::SetUpToolkit();
  std::string startHost(start);
  if (!startHost.empty() && !fl_filename_isdir(startHost.c_str())) startHost.clear();
  const std::string titleUtf8 = platform::Cp1252ToUtf8(title);
  Fl_File_Chooser chooser(startHost.empty() ? nullptr : startHost.c_str(), "*",
                          Fl_File_Chooser::DIRECTORY, titleUtf8.c_str());
  chooser.preview(0);
  Fl_Window* window = chooser.newButton->window();
  const double scale = kit::DesktopScale(window->w(), window->h());
  if (scale != 1.0) ScaleChooser(chooser, scale);
  chooser.show();
  while (chooser.shown()) Fl::wait();
  const char* value = chooser.value();
  if (value == nullptr || value[0] == '\0') return std::string();

  // An absolute host path (the chooser resolves typed relative names against
  // the folder it shows) without a trailing slash.
  std::string host = value;
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  return host;
}
