// The window-event queue and its duplicate rule, without a display.
#include "ui/event_queue.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ui/control_kit.h"

namespace {

using Entry = std::pair<int, int>;  // code, window

std::vector<Entry> Drain() {
  std::vector<Entry> out;
  while (int code = kit::TakeQueuedEvent()) out.emplace_back(code, LastEventWindow());
  return out;
}

TEST(EventQueue, AnEntryEqualToTheLastOneIsNotAppended) {
  struct Case {
    const char* name;
    std::vector<Entry> raised;
    std::vector<Entry> expected;
  };
  const Case cases[] = {
      {"two moves", {{3, 1}, {3, 1}}, {{3, 1}}},
      {"move, repaint, move", {{3, 1}, {15, 1}, {3, 1}}, {{3, 1}, {15, 1}, {3, 1}}},
      {"same code, two windows", {{16, 1}, {16, 2}, {16, 2}}, {{16, 1}, {16, 2}}},
      {"three closes", {{16, 0}, {16, 0}, {16, 0}}, {{16, 0}}},
  };
  for (const Case& c : cases) {
    kit::ResetEvents();
    for (auto [code, window] : c.raised) kit::QueueWindowEvent(code, window);
    EXPECT_EQ(Drain(), c.expected) << c.name;
  }
}

TEST(EventQueue, AnEntryTakenMayBeQueuedAgain) {
  kit::ResetEvents();
  kit::QueueWindowEvent(CloseWindowEvent, 1);
  EXPECT_EQ(kit::TakeQueuedEvent(), CloseWindowEvent);
  kit::QueueWindowEvent(CloseWindowEvent, 1);
  EXPECT_EQ(kit::TakeQueuedEvent(), CloseWindowEvent);
  EXPECT_EQ(kit::TakeQueuedEvent(), 0);
}

TEST(EventQueue, EveryControlEventIsKeptAndWindowEventsComeFirst) {
  kit::ResetEvents();
  kit::RaiseControlEvent(50, ClickedEvent);
  kit::RaiseControlEvent(50, ClickedEvent);
  kit::RaiseControlEvent(5, FocusLostEvent);
  kit::QueueWindowEvent(MoveWindowEvent, 2);

  EXPECT_EQ(kit::TakeQueuedEvent(), MoveWindowEvent);
  EXPECT_EQ(LastEventWindow(), 2);
  EXPECT_EQ(LastEventType(), -1);
  for (auto [control, type] : {Entry{50, 0}, Entry{50, 0}, Entry{5, FocusLostEvent}}) {
    EXPECT_EQ(kit::TakeQueuedEvent(), ControlEvent);
    EXPECT_EQ(LastEventControl(), control);
    EXPECT_EQ(LastEventType(), type);
  }
  EXPECT_EQ(kit::TakeQueuedEvent(), 0);
  EXPECT_EQ(LastEventType(), -1);
  EXPECT_EQ(LastEventControl(), 5);  // kept until the next control event
}

TEST(EventQueue, EventsOfAnObjectThatIsGoneAreDropped) {
  kit::ResetEvents();
  kit::QueueWindowEvent(RepaintEvent, 1);
  kit::QueueWindowEvent(RepaintEvent, 2);
  kit::RaiseControlEvent(7, ClickedEvent);
  kit::RaiseControlEvent(8, ClickedEvent);
  kit::ForgetWindowEvents(1);
  kit::ForgetControlEvents(7);
  EXPECT_EQ(Drain(), (std::vector<Entry>{{RepaintEvent, 2}, {ControlEvent, 2}}));
  EXPECT_EQ(LastEventControl(), 8);
}

}  // namespace
