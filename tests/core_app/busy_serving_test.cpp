// The window is served all through the make-zip action, not only in its
// pauses: on a 100 MB screenshot, in both modes, no stretch without a call
// of the pause handler (which serves the window) takes long. The stretches
// are measured in the thread's processor time, so that other programs
// sharing the processor (tests run side by side) do not count. On an idle
// machine the longest is about 30 ms, within the 100 ms the program serves
// by; a busy one adds to the thread's own processor time too (a shared core,
// memory reclaimed in its name), up to about 120 ms seen. The bound of
// 250 ms holds there, and still fails a step that never serves (a whole
// read-back or encoding of the screenshot takes half a second or more).
#include <time.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app.h"
#include "platform/platform.h"
#include "tests/core_app/app_fixture.h"
#include "tests/headless_kit/headless_kit.h"

namespace {

// The calling thread's processor time.
struct Clock {
  using duration = std::chrono::nanoseconds;
  using time_point = std::chrono::time_point<Clock, duration>;
  static time_point now() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return time_point(std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec));
  }
};

std::vector<Clock::time_point> served;
// Serves at once: the test measures the work between servings, not pauses.
void RecordServing(int /*milliseconds*/) { served.push_back(Clock::now()); }

class BusyServingTest : public AppTest {
 protected:
  void TearDown() override {
    platform::SetPauseHandler(nullptr);
    AppTest::TearDown();
  }
};

TEST_F(BusyServingTest, EveryStretchOfWorkOnA100MegabyteScreenshotIsShort) {
  constexpr auto kLongestGap = std::chrono::milliseconds(250);
  sample::GameOptions options;
  options.screenWidth = 5800;
  options.screenHeight = 5800;  // 100.9 MB of pixels
  for (const bool jpeg : {false, true}) {
    SCOPED_TRACE(jpeg ? "JPEG" : "byte copy");
    std::filesystem::remove_all(folder_.hostPath("zip"));
    headless::Reset();
    writeGame(options);
    folder_.write("lapbundle.prf", jpeg ? "bmp/jpg = 1\r\n" : "bmp/jpg = 0\r\n");
    enter();
    ASSERT_TRUE(startUp());
    platform::SetPausesEnabled(true);
    platform::SetPauseHandler(RecordServing);
    served.clear();
    headless::PushClick(50);
    headless::PushClick(50);
    const Clock::time_point start = Clock::now();
    runEventLoop();
    served.push_back(Clock::now());
    platform::SetPauseHandler(nullptr);
    EXPECT_EQ(headless::ControlAt(5).text, "..\\zip\\oakfield_Ann Lee_973.zip ok");
    Clock::duration longest{};
    Clock::time_point last = start;
    for (const Clock::time_point at : served) {
      if (at - last > longest) longest = at - last;
      last = at;
    }
    const auto longestMs = std::chrono::duration_cast<std::chrono::milliseconds>(longest).count();
    RecordProperty(jpeg ? "longest_gap_ms_jpeg" : "longest_gap_ms_copy",
                   static_cast<int>(longestMs));
    std::printf("longest gap (%s): %lld ms over %zu servings\n", jpeg ? "JPEG" : "byte copy",
                static_cast<long long>(longestMs), served.size());
    EXPECT_LT(longest, kLongestGap);
    shutDown(false);
  }
}

}  // namespace
