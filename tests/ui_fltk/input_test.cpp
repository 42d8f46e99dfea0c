// Real input (xdotool) on the controls of the real kit.
#include <FL/Fl.H>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "kit_fixture.h"

namespace {

using Events = std::vector<std::pair<int, int>>;  // control, type

class InputTest : public KitTest {
 protected:
  void SetUp() override {
    KitTest::SetUp();
    OpenWindow(1, 20, 20, 400, 200, kCaptionWithCloseBox);
    check_ = MakeCheckBox(10, 10, 10, 120, 20, "Screenshot");
    label_ = MakeTextLabel(11, 10, 40, 120, 20, "Name:");
    edit_ = MakeEditField(12, 10, 70, 300, 22, "");
    image_ = MakeImageControl(13, 320, 10, 60, 60, nullptr);
    button_ = MakeButton(14, 10, 110, 100, 25, "Make Zip");
    Settle(100);
  }

  // Presses keys with the pointer inside the window, so they reach it.
  bool Keys(const std::string& keys) {
    return Xdotool("mousemove --window " + std::to_string(XidOf(window_)) +
                   " 390 190 key --delay 20 " + keys);
  }

  ControlHandle check_ = 0, label_ = 0, edit_ = 0, image_ = 0, button_ = 0;
};

TEST_F(InputTest, ButtonClickRaisesAControlEventWithItsNumber) {
  ASSERT_TRUE(ClickControl(button_));
  ASSERT_TRUE(WaitFor(ControlEvent, 2000));
  EXPECT_EQ(LastEventControl(), 14);
  EXPECT_EQ(LastEventType(), ClickedEvent);
}

TEST_F(InputTest, DisabledButtonRaisesNothingUntilEnabledAgain) {
  DisableControl(14, 1);
  ASSERT_TRUE(ClickControl(button_));
  EXPECT_EQ(CollectControlEvents(400), Events{});
  DisableControl(14, 0);
  ASSERT_TRUE(ClickControl(button_));
  EXPECT_EQ(CollectControlEvents(1000, 1), (Events{{14, ClickedEvent}}));
}

TEST_F(InputTest, CheckBoxClickTogglesItAndReportsEachClick) {
  ASSERT_TRUE(ClickControl(check_));
  EXPECT_EQ(CollectControlEvents(1000, 1), (Events{{10, ClickedEvent}}));
  EXPECT_EQ(GetControlState(10), 1);
  ASSERT_TRUE(ClickControl(check_));
  EXPECT_EQ(CollectControlEvents(1000, 1), (Events{{10, ClickedEvent}}));
  EXPECT_EQ(GetControlState(10), 0);
}

TEST_F(InputTest, TypedTextIsReadBackWithoutALengthLimit) {
  ASSERT_TRUE(ClickControl(edit_));
  ASSERT_TRUE(Xdotool("type --delay 5 'Monza 1:23'"));
  Settle(200);
  EXPECT_EQ(GetControlText(12), "Monza 1:23");

  // Beyond the 32767 characters a text field often stops at.
  const std::string longText(40000, 'a');
  SetControlText(12, longText);
  ASSERT_TRUE(ClickControl(edit_));
  ASSERT_TRUE(Keys("End"));
  ASSERT_TRUE(Xdotool("type --delay 5 xyz"));
  Settle(200);
  EXPECT_EQ(GetControlText(12), longText + "xyz");
}

TEST_F(InputTest, EditFieldReportsFocusAndChanges) {
  ASSERT_TRUE(ClickControl(edit_));
  ASSERT_TRUE(Xdotool("type --delay 5 ab"));
  ASSERT_TRUE(ClickControl(button_));
  EXPECT_EQ(CollectControlEvents(1000, 5), (Events{{12, FocusGainedEvent},
                                                   {12, TextChangedEvent},
                                                   {12, TextChangedEvent},
                                                   {12, FocusLostEvent},
                                                   {14, ClickedEvent}}));
}

TEST_F(InputTest, TabVisitsCheckBoxEditFieldAndButtonInCreationOrder) {
  WidgetOf(check_)->take_focus();
  struct Step {
    const char* key;
    ControlHandle* focus;
  };
  const Step steps[] = {{"Tab", &edit_},         {"Tab", &button_},     {"Tab", &check_},
                        {"shift+Tab", &button_}, {"shift+Tab", &edit_}, {"shift+Tab", &check_}};
  for (const Step& step : steps) {
    ASSERT_TRUE(Keys(step.key));
    Settle(60);
    EXPECT_EQ(Fl::focus(), WidgetOf(*step.focus)) << step.key;
  }
  // A disabled control is passed over.
  DisableControl(12, 1);
  ASSERT_TRUE(Keys("Tab"));
  Settle(60);
  EXPECT_EQ(Fl::focus(), WidgetOf(button_));
}

TEST_F(InputTest, EscapeIsNoCloseRequest) {
  ASSERT_TRUE(Keys("Escape"));
  std::vector<int> events = CollectEvents(200);
  EXPECT_EQ(std::count(events.begin(), events.end(), CloseWindowEvent), 0);
  EXPECT_TRUE(window_->shown());
}

TEST_F(InputTest, ImageControlReportsClicksByButton) {
  struct Case {
    int button, count;
    Events expected;
  };
  const Case cases[] = {
      {1, 1, {{13, ClickedEvent}}},
      {1, 2, {{13, ClickedEvent}, {13, DoubleClickEvent}}},
      {3, 1, {{13, RightReleaseEvent}}},
      {3, 2, {{13, RightReleaseEvent}, {13, RightDoubleClickEvent}}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(ClickControl(image_, c.button, c.count));
    EXPECT_EQ(CollectControlEvents(1000, c.expected.size()), c.expected)
        << c.button << " x" << c.count;
    Fl::event_is_click(0);  // the next case's first click starts afresh
  }
}

}  // namespace
