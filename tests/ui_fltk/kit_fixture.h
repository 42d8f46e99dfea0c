// Shared set-up for the tests of the real control kit: one kit window per
// test, real input through xdotool, and X queries through a connection of
// the test's own (as another client would see the window).
#pragma once

#include <FL/Fl_Widget.H>
#include <FL/Fl_Window.H>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/control_kit.h"

constexpr std::uint32_t kCaptionWithCloseBox = 0xC80000;

class KitTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Opens window `number` and lets its first repaints pass.
  Fl_Window* OpenWindow(int number, int x, int y, int w, int h, std::uint32_t flags);

  // Handles input until `code` comes or `ms` pass; true when it came.
  bool WaitFor(int code, int ms);
  // Every event WaitEvent reports during `ms`.
  std::vector<int> CollectEvents(int ms);
  // Control events as {control, type} during `ms`, or until `expected`
  // came and a short while passed without more.
  std::vector<std::pair<int, int>> CollectControlEvents(int ms, std::size_t expected = 0);
  // Handles input for `ms`, discarding the events.
  void Settle(int ms);

  Fl_Window* window_ = nullptr;
};

Fl_Widget* WidgetOf(ControlHandle handle);
unsigned long XidOf(const Fl_Window* window);

// Runs xdotool with the arguments; true when it succeeded.
bool Xdotool(const std::string& arguments);
// A left click (or `count` clicks with `button`) at the centre of a control.
bool ClickControl(ControlHandle control, int button = 1, int count = 1);

// What another X client sees of a window.
struct XWindowState {
  int x = 0, y = 0, width = 0, height = 0;
  bool viewable = false;
};
XWindowState QueryWindow(unsigned long xid);
// Sends the window manager's close request (WM_DELETE_WINDOW).
void SendCloseRequest(unsigned long xid);
// Moves the window as a window manager would.
void MoveWindow(unsigned long xid, int x, int y);
// The colour (0xRRGGBB) of one pixel of a window.
unsigned long PixelAt(unsigned long xid, int x, int y);
