// The make-zip action on a game folder that is not what it should be: the
// window reports "Error" or packs what it can, never hangs, and leaves the
// user's files alone.
#include <filesystem>
#include <string>
#include <vector>

#include "core/app.h"
#include "imaging/image_store.h"
#include "platform/platform.h"
#include "tests/core_app/app_fixture.h"
#include "tests/headless_kit/headless_kit.h"

namespace {

using Names = std::vector<std::string>;

Names operator+(Names a, const Names& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
const std::string kName = "oakfield_Ann Lee_973";

class BadInputTest : public AppTest {
 protected:
  // Starts in the folder as written, then runs the action and ends.
  void startThenPress(const std::string& typedName = "") {
    enter();
    ASSERT_TRUE(startUp());
    platform::SetPausesEnabled(false);
    if (!typedName.empty()) headless::PushTyping(5, typedName);
    headless::PushClick(50);
    headless::PushClick(50);
    runEventLoop();
    EXPECT_FALSE(headless::RanDry());
    EXPECT_EQ(headless::TextHistory(50).back(), "End");
  }
  Names entries(const std::string& archive) {
    std::vector<ZipEntry> read;
    EXPECT_TRUE(ReadZip(zipPath(archive), &read)) << archive;
    Names names;
    for (const ZipEntry& e : read) names.push_back(e.name);
    return names;
  }
};

TEST_F(BadInputTest, AScreenshotThatIsNoImageIsStillPackedAsACopy) {
  writeGame();
  folder_.write("Screens/Screen1.bmp", "BM but no bitmap");
  startThenPress();
  EXPECT_EQ(headless::ControlAt(14).text, "Screen1.bmp");  // its name is shown
  EXPECT_EQ(headless::ControlAt(1).state, 0);              // no preview
  EXPECT_EQ(ImageSlotHandle(2), nullptr);
  EXPECT_EQ(headless::ControlAt(5).text, "..\\zip\\" + kName + ".zip ok");
  EXPECT_EQ(entries(kName + ".zip"), Names({kName + ".bmp", kName + ".gam", "Oakfield.trk"}));
  EXPECT_EQ(shutDown(false), 0);
}

TEST_F(BadInputTest, NoUsableZipFolderShowsErrorAndTouchesNothing) {
  struct Case {
    const char* label;
    bool zipIsAFile;
    const char* typedName;  // a name that is no file name inside zip
  } cases[] = {
      {"zip is a file", true, ""},
      {"name with a folder separator", false, "a/b"},
      {"name with a backslash", false, "a\\b"},
      // Through zip to the files being packed: they must stay as they are.
      {"name of the saved game", false, "..\\Saves\\Race1"},
      {"name of the screenshot", false, "..\\Screens\\Screen1"},
      // Characters Windows refuses in file names.
      {"colon", false, "a:b"},
      {"star", false, "a*b"},
      {"question mark", false, "a?b"},
      {"double quote", false, "a\"b"},
      {"less than", false, "a<b"},
      {"greater than", false, "a>b"},
      {"bar", false, "a|b"},
      {"control character", false, "a\tb"},
      // Names Windows opens as devices, whatever follows.
      {"device name", false, "NUL"},
      {"device name and extension", false, "com1.race"},
      {"device name, blank, extension", false, "Aux .txt"},
      {"device name with a superscript digit", false, "lpt\xB9"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    std::filesystem::remove_all(folder_.hostPath("zip"));
    headless::Reset();
    writeGame();
    if (c.zipIsAFile) folder_.write("zip", "a file where the folder belongs");
    const auto sources = [&] {
      return FolderNames(folder_.hostPath("Saves")) + FolderNames(folder_.hostPath("Screens")) +
             Names({folder_.read("Saves/Race1.gam"), folder_.read("Screens/Screen1.bmp")});
    };
    const Names before = sources();
    startThenPress(c.typedName);
    EXPECT_EQ(sources(), before);
    EXPECT_EQ(headless::TextHistory(50), Names({"Make Zip", " Wait", "End"}));
    EXPECT_EQ(headless::ControlAt(5).text, "Error");
    if (c.zipIsAFile) {
      EXPECT_EQ(folder_.read("zip"), "a file where the folder belongs");
    } else {
      EXPECT_TRUE(FolderNames(folder_.hostPath("zip")).empty());
    }
    EXPECT_EQ(shutDown(false), 0);
  }
}

TEST_F(BadInputTest, ASavedGameThatVanishedBeforeThePressShowsError) {
  writeGame();
  enter();
  ASSERT_TRUE(startUp());
  platform::SetPausesEnabled(false);
  std::filesystem::remove(folder_.hostPath("Saves/Race1.gam"));
  headless::PushClick(50);
  headless::PushClick(50);
  runEventLoop();
  EXPECT_EQ(headless::TextHistory(50), Names({"Make Zip", " Wait", "Wait ", "End"}));
  EXPECT_EQ(headless::ControlAt(5).text, "Error");
  // The staged screenshot stays; nothing else is made.
  EXPECT_EQ(FolderNames(folder_.hostPath("zip")), Names({kName + ".bmp"}));
  EXPECT_EQ(shutDown(false), 0);
}

TEST_F(BadInputTest, A40MegabyteScreenshotIsPackedWhole) {
  sample::GameOptions options;
  options.screenWidth = 4096;
  options.screenHeight = 3413;  // 41.9 MB of pixels
  writeGame(options);
  startThenPress();
  EXPECT_EQ(headless::ControlAt(5).text, "..\\zip\\" + kName + ".zip ok");
  std::vector<ZipEntry> read;
  ASSERT_TRUE(ReadZip(zipPath(kName + ".zip"), &read));
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[0].data, folder_.read("Screens/Screen1.bmp"));
  EXPECT_EQ(ImageSlotWidth(2), 4096);  // the preview's source stays at full size
  EXPECT_EQ(headless::ControlAt(1).width, 800);
  EXPECT_EQ(shutDown(false), 0);
}

}  // namespace
