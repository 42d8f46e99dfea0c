// The window at the scale the desktop asks for: Xft.dpi in the X server's
// resource database, the LAPBUNDLE_SCALE override, and the limits. Needs a
// 2048 x 1600 screen, which holds the main window at 192 DPI.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "core/app.h"
#include "imaging/image_store.h"
#include "kit_fixture.h"
#include "tests/testing/temp_folder.h"
#include "tools/sample_game.h"
// Xlib's macros (None, Bool, ...) after GoogleTest, whose names they clash with.
#include <FL/Fl.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Return_Button.H>
#include <FL/x.H>
#include <X11/Xatom.h>

namespace {

int Scaled(int value, double scale) { return static_cast<int>(std::lround(value * scale)); }

// What xrdb leaves on the root window; "" removes it.
void SetResources(const std::string& resources) {
  const Window root = RootWindow(fl_display, fl_screen);
  const Atom atom = XInternAtom(fl_display, "RESOURCE_MANAGER", False);
  if (resources.empty()) {
    XDeleteProperty(fl_display, root, atom);
  } else {
    XChangeProperty(fl_display, root, atom, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()),
                    static_cast<int>(resources.size()));
  }
  XSync(fl_display, False);
}

// The desktop's work area (of desktop 1 of two); 0 x 0 removes it.
void SetWorkArea(long width, long height) {
  const Window root = RootWindow(fl_display, fl_screen);
  const Atom area = XInternAtom(fl_display, "_NET_WORKAREA", False);
  const Atom current = XInternAtom(fl_display, "_NET_CURRENT_DESKTOP", False);
  if (width == 0) {
    XDeleteProperty(fl_display, root, area);
    XDeleteProperty(fl_display, root, current);
  } else {
    const long areas[8] = {0, 0, 2048, 1600, 0, 40, width, height};
    const long desktop = 1;
    XChangeProperty(fl_display, root, area, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(areas), 8);
    XChangeProperty(fl_display, root, current, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&desktop), 1);
  }
  XSync(fl_display, False);
}

class ScaleTest : public KitTest {
 protected:
  void SetUp() override {
    KitTest::SetUp();
    unsetenv("LAPBUNDLE_SCALE");
  }
  void TearDown() override {
    KitTest::TearDown();
    unsetenv("LAPBUNDLE_SCALE");
    SetResources("");
    SetWorkArea(0, 0);
  }
};

// The main window's layout at 96 DPI: x, y, width, height of its controls
// in the order they are made.
struct Place {
  int x, y, width, height;
};
constexpr Place kLayout[] = {
    {20, 5, 800, 600},  {20, 620, 70, 24},   {20, 650, 70, 24},   {20, 680, 70, 24},
    {320, 680, 60, 24}, {100, 625, 300, 24}, {100, 655, 300, 24}, {100, 685, 200, 24},
    {410, 625, 38, 24}, {450, 620, 350, 24}, {450, 660, 80, 30},
};

TEST_F(ScaleTest, MainWindowIsItsLayoutTimesXftDpiOver96) {
  TempFolder folder;
  const std::vector<std::uint8_t> shot =
      sample::Bmp24Bytes(1024, 768, [](int x, int y) { return (x * 7u) ^ (y * 13u); });
  folder.write("shot.bmp", std::string(shot.begin(), shot.end()));
  InitImageStore();
  for (int dpi : {96, 120, 144, 192}) {
    SCOPED_TRACE(dpi);
    const double scale = dpi / 96.0;
    SetResources("Xft.dpi:\t" + std::to_string(dpi) + "\n");
    resetAppState();
    buildMainWindow();
    ASSERT_NE(LoadImageSlot(2, folder.programPath("shot.bmp")), nullptr);
    remakePreview();
    Settle(100);
    EXPECT_EQ(WindowScale(0), scale);
    Fl_Window* window = Fl::first_window();
    ASSERT_NE(window, nullptr);
    const XWindowState state = QueryWindow(XidOf(window));
    EXPECT_EQ(state.width, Scaled(840, scale));
    EXPECT_EQ(state.height, Scaled(710, scale));
    EXPECT_EQ(state.x, Scaled(10, scale));
    ASSERT_EQ(window->children(), static_cast<int>(std::size(kLayout)));
    for (int i = 0; i < window->children(); ++i) {
      SCOPED_TRACE(i);
      const Fl_Widget* control = window->child(i);
      const Place& place = kLayout[i];
      EXPECT_EQ(control->x(), Scaled(place.x, scale));
      EXPECT_EQ(control->y(), Scaled(place.y, scale));
      if (i == 0) {  // the preview, made at the scale from the full-size picture
        EXPECT_EQ(control->w(), Scaled(800, scale));
        EXPECT_EQ(control->h(), Scaled(600, scale));
        continue;
      }
      EXPECT_EQ(control->x() + control->w(), Scaled(place.x + place.width, scale));
      EXPECT_EQ(control->y() + control->h(), Scaled(place.y + place.height, scale));
      EXPECT_EQ(control->labelsize(), Scaled(12, scale));
      if (auto* edit = dynamic_cast<const Fl_Input*>(control)) {
        EXPECT_EQ(edit->textsize(), Scaled(12, scale));
      }
    }
    CloseAllWindows();
  }
  FreeAllImageSlots();
  resetAppState();
}

// LAPBUNDLE_SCALE wins over Xft.dpi; a value that is no number from 1 to 4
// is ignored with one line on standard error (an empty one silently); the
// scale is never below 1 and leaves a tenth of the work area (the screen's
// where the desktop sets none) around the client area.
TEST_F(ScaleTest, OverrideAndLimitsChooseTheScale) {
  struct Case {
    const char* override;  // nullptr: unset
    const char* resources;
    long workWidth, workHeight;  // 0: none set
    double scale;
    int warnings;
  };
  const Case cases[] = {
      {"1.25", "Xft.dpi:\t192\n", 0, 0, 1.25, 0},
      {"1", "Xft.dpi:\t192\n", 0, 0, 1.0, 0},
      {"4", "", 3800, 3200, 4.0, 0},
      {"4.01", "Xft.dpi:\t144\n", 0, 0, 1.5, 1},
      {"0.99", "Xft.dpi:\t144\n", 0, 0, 1.5, 1},
      {"1.5x", "", 0, 0, 1.0, 1},
      {"", "Xft.dpi:\t120\n", 0, 0, 1.25, 0},
      {nullptr, "Xft.antialias:\t1\n  Xft.dpi :  120 \nXft.hinting:\t1\n", 0, 0, 1.25, 0},
      {nullptr, "Xft.dpi:\t384\n", 0, 0, 0.9 * 1600 / 710, 0},
      {nullptr, "Xft.dpi:\t192\n", 2048, 1200, 0.9 * 1200 / 710, 0},
      {nullptr, "Xft.dpi:\t72\n", 0, 0, 1.0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.override ? c.override : "(unset)") << " / " << c.resources
                                    << " / " << c.workWidth);
    if (c.override) {
      setenv("LAPBUNDLE_SCALE", c.override, 1);
    } else {
      unsetenv("LAPBUNDLE_SCALE");
    }
    SetResources(c.resources);
    SetWorkArea(c.workWidth, c.workHeight);
    testing::internal::CaptureStderr();
    Fl_Window* window = OpenWindow(1, 0, 0, 840, 710, kCaptionWithCloseBox);
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_DOUBLE_EQ(WindowScale(1), c.scale);
    EXPECT_EQ(window->w(), Scaled(840, c.scale));
    EXPECT_EQ(window->h(), Scaled(710, c.scale));
    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), c.warnings) << told;
    CloseAllWindows();
  }
}

// The font sizes of a shown dialog's OK button and text fields (0 where it
// has none), noted from inside its loop before it is closed.
struct DialogFonts {
  int button = 0;
  int field = 0;
};

void NoteFonts(Fl_Group* group, DialogFonts* fonts) {
  for (int i = 0; i < group->children(); ++i) {
    Fl_Widget* child = group->child(i);
    if (dynamic_cast<Fl_Return_Button*>(child)) fonts->button = child->labelsize();
    if (auto* field = dynamic_cast<Fl_Input*>(child)) fonts->field = field->textsize();
    if (Fl_Group* inner = child->as_group()) NoteFonts(inner, fonts);
  }
}

void NoteFontsAndClose(void* data) {
  Fl_Window* dialog = Fl::modal();
  if (!dialog) return;
  NoteFonts(dialog, static_cast<DialogFonts*>(data));
  dialog->hide();
}

TEST_F(ScaleTest, DialogsUseTheScaledFont) {
  SetResources("Xft.dpi:\t144\n");
  DialogFonts box;
  Fl::add_timeout(0.3, NoteFontsAndClose, &box);
  ShowMessageBox("Title", "Text");
  EXPECT_EQ(box.button, 18);
  DialogFonts chooser;
  Fl::add_timeout(0.3, NoteFontsAndClose, &chooser);
  ChooseFolder("Title", "");
  EXPECT_EQ(chooser.button, 18);
  EXPECT_EQ(chooser.field, 18);
}

}  // namespace
