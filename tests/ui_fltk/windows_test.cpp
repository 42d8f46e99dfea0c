// Windows and the event queue of the real kit.
#include <FL/Fl_Window.H>

#include <chrono>
#include <thread>

#include "kit_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Waiting uses up the time-out (so the loop cannot spin) and never blocks
// far past it; a zero time-out never blocks. The upper bounds are loose: a
// busy machine may hand the thread back late.
TEST_F(KitTest, WaitEventWithoutInputUsesUpItsTimeOut) {
  OpenWindow(1, 40, 40, 300, 200, kCaptionWithCloseBox);
  for (int round = 0; round < 5; ++round) {
    auto start = Clock::now();
    EXPECT_EQ(WaitEvent(20), 0);
    double waited = MillisecondsSince(start);
    EXPECT_GE(waited, 20.0);
    EXPECT_LT(waited, 2000.0);
  }
}

TEST_F(KitTest, WaitEventZeroNeverBlocks) {
  OpenWindow(1, 40, 40, 300, 200, kCaptionWithCloseBox);
  for (int round = 0; round < 5; ++round) {
    auto start = Clock::now();
    EXPECT_EQ(WaitEvent(0), 0);
    EXPECT_LT(MillisecondsSince(start), 2000.0);
  }
}

TEST_F(KitTest, ClientAreaHasExactlyTheAskedSizeAtTheAskedPlace) {
  struct Case {
    int x, y, w, h;
  };
  for (Case c : {Case{10, 20, 300, 200}, Case{0, 0, 816, 731}, Case{200, 100, 1, 1}}) {
    Fl_Window* window = OpenWindow(1, c.x, c.y, c.w, c.h, kCaptionWithCloseBox);
    XWindowState state = QueryWindow(XidOf(window));
    EXPECT_TRUE(state.viewable);
    EXPECT_EQ(state.width, c.w);
    EXPECT_EQ(state.height, c.h);
    // Without a window manager there is no frame: the window is the frame.
    EXPECT_EQ(state.x, c.x);
    EXPECT_EQ(state.y, c.y);
    // Without Xft.dpi or LAPBUNDLE_SCALE the kit does not scale.
    EXPECT_EQ(WindowScale(1), 1.0);
  }
}

TEST_F(KitTest, FlagsCentreHideAndKeepTheCurrentWindow) {
  Fl_Window* centred = OpenWindow(1, 5, 5, 400, 300, kCaptionWithCloseBox | WindowCentreOnScreen);
  XWindowState state = QueryWindow(XidOf(centred));
  EXPECT_EQ(state.x, (1280 - 400) / 2);
  EXPECT_EQ(state.y, (1024 - 300) / 2);

  Fl_Window* hidden = reinterpret_cast<Fl_Window*>(
      MakeWindow(2, 0, 0, 100, 100, "hidden", kCaptionWithCloseBox | WindowInvisible));
  ASSERT_NE(hidden, nullptr);
  EXPECT_FALSE(hidden->shown());

  // Window 3 is opened without becoming current: controls still go to 2.
  MakeWindow(3, 0, 0, 100, 100, "side", kCaptionWithCloseBox | WindowNotCurrent);
  Fl_Widget* button = WidgetOf(MakeButton(1, 5, 5, 50, 20, "B"));
  EXPECT_EQ(button->window(), hidden);
}

TEST_F(KitTest, NumbersOutOfRangeOrWithoutAWindowDoNothing) {
  EXPECT_EQ(MakeButton(1, 0, 0, 10, 10, "no window yet"), 0);
  EXPECT_EQ(MakeWindow(-1, 0, 0, 10, 10, "", kCaptionWithCloseBox), 0);
  OpenWindow(1, 0, 0, 100, 100, kCaptionWithCloseBox);
  EXPECT_EQ(MakeButton(-5, 0, 0, 10, 10, "negative"), 0);
  EXPECT_NE(MakeButton(700, 0, 0, 10, 10, "grows the table"), 0);
  EXPECT_EQ(GetControlText(700), "grows the table");
  EXPECT_EQ(GetControlText(699), "");
  EXPECT_EQ(GetControlState(699), 0);
  SetControlText(699, "ignored");
  DisableControl(699, 1);
  EXPECT_EQ(GetControlText(699), "");
}

TEST_F(KitTest, ANewControlUnderAUsedNumberReplacesTheOldOne) {
  Fl_Window* window = OpenWindow(1, 0, 0, 200, 100, kCaptionWithCloseBox);
  MakeButton(4, 0, 0, 50, 20, "first");
  MakeCheckBox(4, 0, 30, 50, 20, "second");
  EXPECT_EQ(window->children(), 1);
  EXPECT_EQ(GetControlText(4), "second");
  SetControlState(4, 1);
  EXPECT_EQ(GetControlState(4), 1);  // a check box now
}

TEST_F(KitTest, CloseRequestQueuesAnEventAndLeavesTheWindowOpen) {
  Fl_Window* window = OpenWindow(1, 30, 30, 300, 200, kCaptionWithCloseBox);
  SendCloseRequest(XidOf(window));
  EXPECT_TRUE(WaitFor(CloseWindowEvent, 2000));
  EXPECT_EQ(LastEventWindow(), 1);
  Settle(100);
  EXPECT_TRUE(window->shown());
  EXPECT_TRUE(QueryWindow(XidOf(window)).viewable);
}

TEST_F(KitTest, RepeatedWindowEventsCollapseUnlessSomethingCameBetween) {
  Fl_Window* window = OpenWindow(1, 30, 30, 300, 200, kCaptionWithCloseBox);
  unsigned long xid = XidOf(window);
  SendCloseRequest(xid);
  SendCloseRequest(xid);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // both arrive in one batch
  EXPECT_EQ(CollectEvents(300), std::vector<int>{CloseWindowEvent});

  SendCloseRequest(xid);
  MoveWindow(xid, 60, 70);
  SendCloseRequest(xid);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(CollectEvents(300),
            (std::vector<int>{CloseWindowEvent, MoveWindowEvent, CloseWindowEvent}));
  EXPECT_EQ(window->x(), 60);
  EXPECT_EQ(window->y(), 70);
}

TEST_F(KitTest, CloseAllWindowsTakesEveryWindowAway) {
  Fl_Window* first = OpenWindow(1, 0, 0, 100, 100, kCaptionWithCloseBox);
  unsigned long firstXid = XidOf(first);
  OpenWindow(20, 200, 0, 100, 100, kCaptionWithCloseBox);
  MakeButton(3, 0, 0, 50, 20, "B");
  CloseAllWindows();
  FlushDisplay();
  EXPECT_FALSE(QueryWindow(firstXid).viewable);
  EXPECT_EQ(GetControlText(3), "");
  EXPECT_EQ(MakeButton(3, 0, 0, 50, 20, "B"), 0);  // no current window any more
}

}  // namespace
