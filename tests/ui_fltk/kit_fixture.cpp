#include "kit_fixture.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// The test's own connection to the display.
Display* TestDisplay() {
  static Display* display = XOpenDisplay(nullptr);
  return display;
}

}  // namespace

void KitTest::SetUp() {
  ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under xvfb-run";
  InitControlKit();
}

void KitTest::TearDown() {
  CloseAllWindows();
  Settle(30);
}

Fl_Window* KitTest::OpenWindow(int number, int x, int y, int w, int h, std::uint32_t flags) {
  window_ = reinterpret_cast<Fl_Window*>(MakeWindow(number, x, y, w, h, "Kit test", flags));
  Settle(100);
  return window_;
}

bool KitTest::WaitFor(int code, int ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < deadline) {
    if (WaitEvent(20) == code) return true;
  }
  return false;
}

std::vector<int> KitTest::CollectEvents(int ms) {
  std::vector<int> events;
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < deadline) {
    if (int code = WaitEvent(20)) events.push_back(code);
  }
  return events;
}

std::vector<std::pair<int, int>> KitTest::CollectControlEvents(int ms, std::size_t expected) {
  std::vector<std::pair<int, int>> events;
  auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  bool shortened = false;
  while (Clock::now() < deadline) {
    if (WaitEvent(20) == ControlEvent) events.emplace_back(LastEventControl(), LastEventType());
    if (expected && events.size() >= expected && !shortened) {
      deadline = std::min(deadline, Clock::now() + std::chrono::milliseconds(80));
      shortened = true;
    }
  }
  return events;
}

void KitTest::Settle(int ms) { CollectEvents(ms); }

Fl_Widget* WidgetOf(ControlHandle handle) { return reinterpret_cast<Fl_Widget*>(handle); }

unsigned long XidOf(const Fl_Window* window) { return fl_xid(window); }

bool Xdotool(const std::string& arguments) {
  FlushDisplay();
  std::string command = "xdotool " + arguments + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

bool ClickControl(ControlHandle control, int button, int count) {
  Fl_Widget* widget = WidgetOf(control);
  return Xdotool("mousemove --window " + std::to_string(XidOf(widget->window())) + " " +
                 std::to_string(widget->x() + widget->w() / 2) + " " +
                 std::to_string(widget->y() + widget->h() / 2) + " click --repeat " +
                 std::to_string(count) + " " + std::to_string(button));
}

XWindowState QueryWindow(unsigned long xid) {
  XWindowState state;
  Display* display = TestDisplay();
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, xid, &attributes)) return state;
  Window child;
  XTranslateCoordinates(display, xid, attributes.root, 0, 0, &state.x, &state.y, &child);
  state.width = attributes.width;
  state.height = attributes.height;
  state.viewable = attributes.map_state == IsViewable;
  return state;
}

void SendCloseRequest(unsigned long xid) {
  Display* display = TestDisplay();
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = xid;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, xid, False, NoEventMask, &event);
  XSync(display, False);
}

void MoveWindow(unsigned long xid, int x, int y) {
  XMoveWindow(TestDisplay(), xid, x, y);
  XSync(TestDisplay(), False);
}

unsigned long PixelAt(unsigned long xid, int x, int y) {
  FlushDisplay();
  XImage* image = XGetImage(TestDisplay(), xid, x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return ~0ul;
  unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
  XDestroyImage(image);
  return pixel;
}
