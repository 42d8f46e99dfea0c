// The modal message box of the real kit, dismissed by a real click.
#include <FL/Fl.H>
#include <FL/Fl_Return_Button.H>

#include <string>

#include "kit_fixture.h"

namespace {

struct SeenWhileShown {
  bool modal = false;
  std::string title;
  std::string text;
  bool mainWindowActive = true;
  bool clicked = false;
};

Fl_Window* g_mainWindow = nullptr;

// Runs inside the box's own loop: notes what is on screen, then clicks OK.
void InspectAndClickOk(void* data) {
  auto* seen = static_cast<SeenWhileShown*>(data);
  Fl_Window* box = Fl::modal();
  if (!box) return;
  seen->modal = true;
  seen->title = box->label() ? box->label() : "";
  seen->mainWindowActive = g_mainWindow->active() != 0;
  for (int i = 0; i < box->children(); ++i) {
    Fl_Widget* child = box->child(i);
    if (dynamic_cast<Fl_Return_Button*>(child)) {
      seen->clicked = Xdotool("mousemove --window " + std::to_string(XidOf(box)) + " " +
                              std::to_string(child->x() + 10) + " " +
                              std::to_string(child->y() + 10) + " click 1");
    } else if (child->label()) {
      seen->text = child->label();
    }
  }
}

TEST_F(KitTest, MessageBoxIsModalAndReturnsOk) {
  g_mainWindow = OpenWindow(1, 0, 0, 300, 200, kCaptionWithCloseBox);
  MakeButton(50, 10, 10, 100, 25, "Make Zip");
  SeenWhileShown seen;
  Fl::add_timeout(0.3, InspectAndClickOk, &seen);
  EXPECT_EQ(ShowMessageBox("Gr\xFC\xDF"
                           "e",
                           "Eine Zeile\nund noch eine"),
            1);
  EXPECT_TRUE(seen.modal);
  EXPECT_TRUE(seen.clicked);
  EXPECT_EQ(seen.title,
            "Gr\xC3\xBC\xC3\x9F"
            "e");
  EXPECT_EQ(seen.text, "Eine Zeile\nund noch eine");
  EXPECT_FALSE(seen.mainWindowActive);
  EXPECT_TRUE(g_mainWindow->active());
  EXPECT_EQ(Fl::modal(), nullptr);
}

}  // namespace
