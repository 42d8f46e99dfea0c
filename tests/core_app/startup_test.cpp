// Start-up and shut-down: the settings round trip, the window, the found
// files and the fatal stop.
#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app.h"
#include "imaging/image_store.h"
#include "platform/platform.h"
#include "tests/core_app/app_fixture.h"
#include "tests/headless_kit/headless_kit.h"
#include "ui/control_kit.h"

namespace {

using StartUpTest = AppTest;

TEST_F(StartUpTest, FirstRunShowsTheRaceAndStoresTheDefaults) {
  writeGame();
  enter();
  ASSERT_TRUE(startUp());

  EXPECT_EQ(headless::ControlAt(2).state, 1);
  EXPECT_EQ(headless::ControlAt(3).state, 1);
  EXPECT_EQ(headless::ControlAt(4).state, 1);
  EXPECT_EQ(headless::ControlAt(7).state, 0);
  EXPECT_EQ(headless::ControlAt(12).text, "\\Hills\\Oakfield");
  EXPECT_EQ(headless::ControlAt(13).text, "Race1.gam");
  EXPECT_EQ(headless::ControlAt(14).text, "Screen1.bmp");
  EXPECT_EQ(headless::ControlAt(5).text, "oakfield_Ann Lee_973");
  EXPECT_TRUE(folder_.exists("zip"));
  EXPECT_EQ(app().workDir, folder_.program());

  // The preview is stretched to 800 x 600; slot 2 keeps the full size.
  EXPECT_EQ(GetControlState(1), reinterpret_cast<std::intptr_t>(ImageSlotHandle(3)));
  EXPECT_EQ(headless::ControlAt(1).width, 800);
  EXPECT_EQ(headless::ControlAt(1).height, 600);
  EXPECT_EQ(ImageSlotWidth(2), 1024);
  EXPECT_EQ(ImageSlotHeight(2), 768);

  ASSERT_NE(app().fileBuffer, nullptr);
  EXPECT_FALSE(folder_.exists("lapbundle.prf"));
  EXPECT_EQ(shutDown(false), 0);
  EXPECT_EQ(folder_.read("lapbundle.prf"), kDefaultSettings);
  EXPECT_FALSE(headless::WindowAt(0).open);
  EXPECT_EQ(app().fileBuffer, nullptr);
}

TEST_F(StartUpTest, SecondRunLeavesTheSettingsFileAlone) {
  writeGame();
  enter();
  ASSERT_TRUE(startUp());
  ASSERT_EQ(shutDown(false), 0);
  const std::string first = folder_.read("lapbundle.prf");
  ASSERT_EQ(first, kDefaultSettings);

  headless::Reset();
  ASSERT_TRUE(startUp());
  headless::PushClick(2);  // check boxes changed in the window are not stored
  headless::PushClick(7);
  headless::PushClose();
  runEventLoop();
  EXPECT_EQ(headless::ControlAt(2).state, 0);
  EXPECT_EQ(headless::ControlAt(7).state, 1);
  EXPECT_EQ(shutDown(false), 0);
  EXPECT_EQ(folder_.read("lapbundle.prf"), first);

  // A hand-edited file is not rewritten either, whatever it holds.
  const std::string edited = "; mine\nGame=0\n[other]\nTrack = 0\n";
  folder_.write("lapbundle.prf", edited);
  headless::Reset();
  ASSERT_TRUE(startUp());
  EXPECT_EQ(headless::ControlAt(3).state, 0);
  EXPECT_EQ(headless::ControlAt(2).state, 1);  // keys after a group header are not seen
  EXPECT_EQ(shutDown(false), 0);
  EXPECT_EQ(folder_.read("lapbundle.prf"), edited);

  // Nor is one that another program held while the tool started and let go
  // of before it ended: it is not replaced by the defaults.
  headless::Reset();
  platform::File* holder =
      platform::OpenFile(folder_.programPath("lapbundle.prf"), platform::OpenMode::kReadWriteDenyWrite);
  ASSERT_NE(holder, nullptr);
  ASSERT_TRUE(startUp());
  EXPECT_FALSE(app().settingsOpened);
  platform::CloseFile(holder);
  EXPECT_EQ(shutDown(false), 0);
  EXPECT_EQ(folder_.read("lapbundle.prf"), edited);
}

struct SettingsCase {
  const char* file;
  std::vector<std::intptr_t> boxes;  // check boxes 2, 3, 4, 7
  const char* name;                  // the proposed archive name
};

TEST_F(StartUpTest, SettingsKeepTheirLowEightBits) {
  const SettingsCase cases[] = {
      {"Track = 256\r\n", {0, 1, 1, 0}, "oakfield_Ann Lee_973"},
      {"Track = 257\r\nGame = 0\r\n", {1, 0, 1, 0}, "oakfield_Ann Lee_973"},
      {"Screen = 255\r\nbmp/jpg = 1\r\n", {1, 1, 1, 1}, "oakfield_Ann Lee_973"},
      {"bmp/jpg = 512\r\ntime/kmh = abc\r\n", {1, 1, 1, 0}, "oakfield_Ann Lee"},
      {"text = Cup\r\nTextPos = 1\r\ntrackname = 2\r\ndrivername = 3\r\ntime/kmh = 4\r\n",
       {1, 1, 1, 0},
       "Cup_oakfield_Ann Lee_973"},
      {"trackname = 258\r\ndrivername = 1\r\ntime/kmh = 0\r\n", {1, 1, 1, 0}, "Ann Lee_oakfield"},
      {"trackname = 0\r\ndrivername = 0\r\ntime/kmh = 4\r\n", {1, 1, 1, 0}, "973"},
  };
  writeGame();
  enter();
  for (const SettingsCase& c : cases) {
    SCOPED_TRACE(c.file);
    folder_.write("lapbundle.prf", c.file);
    headless::Reset();
    ASSERT_TRUE(startUp());
    const std::vector<std::intptr_t> boxes = {
        headless::ControlAt(2).state, headless::ControlAt(3).state, headless::ControlAt(4).state,
        headless::ControlAt(7).state};
    EXPECT_EQ(boxes, c.boxes);
    EXPECT_EQ(headless::ControlAt(5).text, c.name);
    EXPECT_EQ(shutDown(false), 0);
    EXPECT_EQ(folder_.read("lapbundle.prf"), c.file);
  }
  // 255 is kept as -1, not as 255.
  folder_.write("lapbundle.prf", "Screen = 255\r\n");
  ASSERT_TRUE(startUp());
  EXPECT_EQ(app().includeScreen, -1);
  shutDown(false);
}

TEST_F(StartUpTest, NoSavesFolderStopsWithTheMessage) {
  folder_.makeFolder("Screens");
  enter();
  EXPECT_FALSE(startUp());
  ASSERT_EQ(headless::MessageBoxes().size(), 1u);
  const headless::ShownMessage& box = headless::MessageBoxes()[0];
  EXPECT_EQ(box.title, "Finde \\Saves nicht");
  EXPECT_EQ(box.text, "Programm mu\xDF im Vantor-Verzeichnis stehen");
  EXPECT_TRUE(box.windowOpen);
  EXPECT_EQ(shutDown(true), 0);
  EXPECT_FALSE(folder_.exists("lapbundle.prf"));
  EXPECT_FALSE(folder_.exists("zip"));
  EXPECT_FALSE(headless::WindowAt(0).open);
}

TEST_F(StartUpTest, NoMemoryForTheFileBufferStopsWithAReason) {
  writeGame();
  enter();
  platform::FailNthCall(platform::Op::kAllocate, 1);
  EXPECT_FALSE(startUp());
  EXPECT_NE(app().startFailure, "");
  EXPECT_TRUE(headless::MessageBoxes().empty());
  EXPECT_FALSE(headless::WindowAt(0).open);
  shutDown(true);
  EXPECT_FALSE(folder_.exists("lapbundle.prf"));
}

TEST_F(StartUpTest, WindowIsBuiltInOrderWithTheSettingsStates) {
  writeGame();
  folder_.write("lapbundle.prf", "Game = 0\r\nbmp/jpg = 1\r\n");
  enter();
  ASSERT_TRUE(startUp());
  const headless::Window& w = headless::WindowAt(0);
  EXPECT_EQ(w.title, "Vantor Lapbundle by Orlik");
  EXPECT_EQ(std::vector<int>({w.x, w.y, w.width, w.height}), std::vector<int>({10, 10, 840, 710}));
  EXPECT_EQ(w.flags, 0xC80000u);

  // Each check box takes its state before the next control is made.
  std::vector<std::string> building;
  for (const std::string& call : headless::CallLog()) {
    if (call.rfind("Make", 0) == 0 || call.rfind("SetControlState", 0) == 0) {
      building.push_back(call);
    }
  }
  building.resize(std::min<std::size_t>(building.size(), 17));
  const std::vector<std::string> expected = {
      "MakeWindow 0",           "MakeImageControl 1",  "MakeCheckBox 2",   "SetControlState 2 1",
      "MakeCheckBox 3",         "SetControlState 3 0", "MakeCheckBox 4",   "SetControlState 4 1",
      "MakeCheckBox 7",         "SetControlState 7 1", "MakeTextLabel 12", "MakeTextLabel 13",
      "MakeTextLabel 14",       "MakeTextLabel 15",    "MakeEditField 5",  "MakeButton 50",
      "SetControlState 1 image"};
  EXPECT_EQ(building, expected);

  struct Layout {
    int number, x, y, width, height;
    const char* caption;
  };
  const Layout layout[] = {
      {2, 20, 620, 70, 24, "Track"},  {3, 20, 650, 70, 24, "Game"},
      {4, 20, 680, 70, 24, "Screen"}, {7, 320, 680, 60, 24, " jpg"},
      {12, 100, 625, 300, 24, "-"},   {13, 100, 655, 300, 24, "-"},
      {14, 100, 685, 200, 24, "-"},   {15, 410, 625, 38, 24, "Zip:"},
      {5, 450, 620, 350, 24, "Zip"},  {50, 450, 660, 80, 30, "Make Zip"},
  };
  for (const Layout& l : layout) {
    SCOPED_TRACE(l.number);
    const headless::Control& c = headless::ControlAt(l.number);
    EXPECT_EQ(std::vector<int>({c.x, c.y, c.width, c.height}),
              std::vector<int>({l.x, l.y, l.width, l.height}));
    ASSERT_FALSE(headless::TextHistory(l.number).empty());
    EXPECT_EQ(headless::TextHistory(l.number)[0], l.caption);
  }
  EXPECT_EQ(headless::ControlAt(1).x, 20);
  EXPECT_EQ(headless::ControlAt(1).y, 5);
  shutDown(false);
}

TEST_F(StartUpTest, PreviewStaysEmptyWithoutALoadableScreenshot) {
  sample::GameOptions options;
  options.screenName = "Broken.bmp";
  writeGame(options);
  // The newest screenshot is not an image: its name is shown, nothing else.
  folder_.write("Screens/Broken.bmp", "BM not really a bitmap");
  enter();
  ASSERT_TRUE(startUp());
  EXPECT_EQ(headless::ControlAt(14).text, "Broken.bmp");
  EXPECT_EQ(GetControlState(1), 0);
  EXPECT_EQ(ImageSlotHandle(2), nullptr);
  shutDown(false);

  // Without a Screens folder there is no name and no preview.
  std::filesystem::remove_all(folder_.hostPath("Screens"));
  headless::Reset();
  ASSERT_TRUE(startUp());
  EXPECT_EQ(headless::ControlAt(14).text, "");
  EXPECT_EQ(GetControlState(1), 0);
  EXPECT_EQ(headless::ControlAt(5).text, "oakfield_Ann Lee_973");
  shutDown(false);
}

}  // namespace
