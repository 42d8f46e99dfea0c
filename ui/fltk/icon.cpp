// The program icon on every window, in the two sizes window managers ask for.
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Window.H>

#include "resources/lapbundle_icon.h"
#include "ui/fltk/fltk_kit.h"

namespace kit {

void SetProgramIcon(Fl_Window* window) {
  // The window copies the images it is given.
  static Fl_RGB_Image small(kProgramIcon32, kProgramIcon32Size, kProgramIcon32Size, 4);
  static Fl_RGB_Image large(kProgramIcon48, kProgramIcon48Size, kProgramIcon48Size, 4);
  const Fl_RGB_Image* icons[] = {&small, &large};
  window->icons(icons, 2);
}

}  // namespace kit
