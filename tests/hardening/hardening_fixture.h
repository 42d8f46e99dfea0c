// The application fixture as the make-zip fault tests use it: a fresh sample
// game in the test folder, and one press of the button run to the end.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tests/core_app/app_fixture.h"
#include "tests/headless_kit/headless_kit.h"

// The button's captions through one whole, successful action.
inline const std::vector<std::string> kAllCaptions = {"Make Zip", " Wait", "Wait ",
                                                      " Wait",    "Wait ", "End"};

class HardeningTest : public AppTest {
 protected:
  // Replaces whatever an earlier run left with a fresh game whose screenshot
  // has the given size, optionally set to save it as JPEG, and enters it.
  void writeFreshGame(bool jpeg, int screenWidth, int screenHeight) {
    for (const char* old : {"Saves", "Screens", "Tracks", "zip", "lapbundle.prf"}) {
      std::filesystem::remove_all(folder_.hostPath(old));
    }
    headless::Reset();
    sample::GameOptions options;
    options.screenWidth = screenWidth;
    options.screenHeight = screenHeight;
    writeGame(options);
    if (jpeg) folder_.write("lapbundle.prf", "bmp/jpg = 1\r\n");
    enter();
  }

  // Presses "Make Zip" and then "End", and runs the window until it closes.
  void pressAndEnd() {
    headless::PushClick(50);
    headless::PushClick(50);
    runEventLoop();
    EXPECT_FALSE(headless::RanDry());
  }
};
