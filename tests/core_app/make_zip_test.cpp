// The make-zip action driven through the event loop: captions, status
// texts, staged copies and archive contents for each outcome.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/app.h"
#include "imaging/image_store.h"
#include "platform/platform.h"
#include "tests/core_app/app_fixture.h"
#include "tests/headless_kit/headless_kit.h"
#include "ui/control_kit.h"

namespace {

const std::string kName = "oakfield_Ann Lee_973";
const std::string kOk = "..\\zip\\" + kName + ".zip ok";
using Captions = std::vector<std::string>;
const Captions kAllCaptions = {"Make Zip", " Wait", "Wait ", " Wait", "Wait ", "End"};
// The zip writer pauses 10 ms after each chunk of 102,400 bytes; with a small
// screenshot every packed file is one chunk.
constexpr long long kChunkPauseMs = 10;

sample::GameOptions smallScreenshot() {
  sample::GameOptions options;
  options.screenWidth = 64;
  options.screenHeight = 48;
  return options;
}

std::vector<std::string> entryNames(const std::vector<ZipEntry>& entries) {
  std::vector<std::string> names;
  for (const ZipEntry& e : entries) names.push_back(e.name);
  return names;
}

class MakeZipTest : public AppTest {
 protected:
  // Writes the sample game and starts in it.
  void start(const sample::GameOptions& options = {}, const char* settings = nullptr) {
    writeGame(options);
    launch(settings);
  }
  std::vector<ZipEntry> archive(const std::string& name) {
    std::vector<ZipEntry> entries;
    EXPECT_TRUE(ReadZip(zipPath(name), &entries)) << name;
    return entries;
  }
};

struct Outcome {
  const char* label;
  std::function<void()> arrange;
  Captions captions;
  const char* status;
  std::vector<std::string> leftInZip;
  long long pausedMs;
};

TEST_F(MakeZipTest, EachOutcomeShowsItsCaptionsAndStatus) {
  const std::string bmp = kName + ".bmp", gam = kName + ".gam", zip = kName + ".zip";
  const Outcome outcomes[] = {
      {"success", [] {}, kAllCaptions, kOk.c_str(), {zip}, 900 + 3 * kChunkPauseMs},
      {"screenshot not staged",
       [] { platform::FailNthCall(platform::Op::kCopy, 1); },
       {"Make Zip", " Wait", "End"},
       "Error",
       {},
       0},
      {"saved game not copied",
       [] { platform::FailNthCall(platform::Op::kCopy, 2); },
       {"Make Zip", " Wait", "Wait ", "End"},
       "Error",
       {bmp},
       300},
      // A folder in the way: the archive is written whole under its
      // temporary name, then cannot take its own.
      {"archive not created",
       [&] { folder_.makeFolder("zip/" + zip); },
       {"Make Zip", " Wait", "Wait ", " Wait", "End"},
       "Error",
       {bmp, gam, zip},
       600 + 3 * kChunkPauseMs},
      // An archive that could not be finished is an error, and removed; the
      // staged copies stay so that nothing is lost.
      {"archive incomplete",
       [] { platform::FailNthCall(platform::Op::kWrite, 1, true); },
       {"Make Zip", " Wait", "Wait ", " Wait", "End"},
       "Error",
       {bmp, gam},
       600 + 3 * kChunkPauseMs},
  };
  for (const Outcome& o : outcomes) {
    SCOPED_TRACE(o.label);
    std::filesystem::remove_all(folder_.hostPath("zip"));
    headless::Reset();
    start(smallScreenshot());
    o.arrange();
    pressAndEnd();
    EXPECT_EQ(platform::PausedMs(), o.pausedMs);
    platform::ResetFaults();
    EXPECT_EQ(headless::TextHistory(50), o.captions);
    EXPECT_EQ(headless::ControlAt(5).text, o.status);
    EXPECT_TRUE(headless::ControlAt(50).enabled);
    EXPECT_EQ(FolderNames(folder_.hostPath("zip")), o.leftInZip);
    shutDown(false);
  }
}

TEST_F(MakeZipTest, SuccessPacksTheRaceAndShowsEachStageBeforeItsPause) {
  start(smallScreenshot());
  headless::PushClick(50);
  headless::PushClick(50);
  runEventLoop();
  EXPECT_EQ(platform::PausedMs(), 900 + 3 * kChunkPauseMs);
  EXPECT_EQ(headless::ControlAt(5).text, kOk);
  EXPECT_EQ(headless::TextHistory(50), kAllCaptions);

  // Each caption is on screen, with the button disabled, before its pause.
  std::vector<std::string> shown;
  std::vector<long long> pausedBefore;
  for (const headless::Flush& f : headless::Flushes()) {
    shown.push_back(f.buttonText);
    pausedBefore.push_back(f.pausedMs);
    EXPECT_FALSE(f.buttonEnabled);
  }
  EXPECT_EQ(shown, Captions({" Wait", "Wait ", " Wait", "Wait "}));
  EXPECT_EQ(pausedBefore, std::vector<long long>({0, 0, 300, 600 + 3 * kChunkPauseMs}));

  const std::vector<ZipEntry> entries = archive(kName + ".zip");
  ASSERT_EQ(entryNames(entries),
            std::vector<std::string>({kName + ".bmp", kName + ".gam", "Oakfield.trk"}));
  EXPECT_EQ(entries[0].data, folder_.read("Screens/Screen1.bmp"));
  EXPECT_EQ(entries[1].data, folder_.read("Saves/Race1.gam"));
  EXPECT_EQ(entries[2].data, folder_.read("Tracks/Hills/Oakfield.trk"));
  EXPECT_EQ(FolderNames(folder_.hostPath("zip")), std::vector<std::string>({kName + ".zip"}));
  EXPECT_EQ(shutDown(false), 0);
}

struct NameCase {
  const char* typed;
  const char* archiveOnDisk;         // UTF-8, as the file system shows it
  std::vector<std::string> entries;  // names as stored: OEM code page
  const char* status;
};

TEST_F(MakeZipTest, TheNameFieldAsEditedNamesEverything) {
  const NameCase cases[] = {
      {"Final", "Final.zip", {"Final.bmp", "Final.gam", "Oakfield.trk"}, "..\\zip\\Final.zip ok"},
      {"", ".zip", {".bmp", ".gam", "Oakfield.trk"}, "..\\zip\\.zip ok"},
      {"Cup \xE4",
       "Cup \xC3\xA4.zip",
       {"Cup \x84.bmp", "Cup \x84.gam", "Oakfield.trk"},
       "..\\zip\\Cup \xE4.zip ok"},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.archiveOnDisk);
    std::filesystem::remove_all(folder_.hostPath("zip"));
    headless::Reset();
    start();
    headless::PushTyping(5, c.typed);  // typing alone starts nothing
    headless::PushClick(50);
    headless::PushClick(50);
    runEventLoop();
    EXPECT_EQ(headless::ControlAt(5).text, c.status);
    EXPECT_EQ(entryNames(archive(c.archiveOnDisk)), c.entries);
    EXPECT_EQ(FolderNames(folder_.hostPath("zip")), std::vector<std::string>({c.archiveOnDisk}));
    shutDown(false);
  }
}

struct BoxCase {
  std::vector<int> clickedOff;
  std::vector<std::string> entries;
};

TEST_F(MakeZipTest, CheckBoxesChooseTheEntries) {
  const BoxCase cases[] = {
      {{2, 3, 4}, {}},
      {{2}, {kName + ".bmp", kName + ".gam"}},
      {{4}, {kName + ".gam", "Oakfield.trk"}},
      {{3, 4}, {"Oakfield.trk"}},
  };
  for (const BoxCase& c : cases) {
    SCOPED_TRACE(c.entries.size());
    std::filesystem::remove_all(folder_.hostPath("zip"));
    headless::Reset();
    start();
    for (int box : c.clickedOff) headless::PushClick(box);
    pressAndEnd();
    EXPECT_EQ(headless::ControlAt(5).text, kOk);
    EXPECT_EQ(entryNames(archive(kName + ".zip")), c.entries);
    // Unpacked items are still staged and removed.
    EXPECT_EQ(platform::CallCount(platform::Op::kCopy), 2);
    EXPECT_EQ(FolderNames(folder_.hostPath("zip")), std::vector<std::string>({kName + ".zip"}));
    shutDown(false);
  }
}

TEST_F(MakeZipTest, JpegModeConvertsTheFullSizeScreenshot) {
  start({}, "bmp/jpg = 1\r\n");
  pressAndEnd();
  EXPECT_EQ(headless::ControlAt(5).text, kOk);
  EXPECT_EQ(platform::CallCount(platform::Op::kCopy), 1);  // the bitmap is never copied
  const std::vector<ZipEntry> entries = archive(kName + ".zip");
  ASSERT_EQ(entryNames(entries),
            std::vector<std::string>({kName + ".jpg", kName + ".gam", "Oakfield.trk"}));
  const std::string& jpeg = entries[0].data;
  ASSERT_GT(jpeg.size(), 4u);
  EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
  // The baseline frame header gives the size: the screenshot's, not the preview's.
  const std::size_t sof = jpeg.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  auto word = [&](std::size_t at) {
    return static_cast<unsigned char>(jpeg[at]) * 256 + static_cast<unsigned char>(jpeg[at + 1]);
  };
  EXPECT_EQ(word(sof + 5), 768);
  EXPECT_EQ(word(sof + 7), 1024);
  EXPECT_EQ(FolderNames(folder_.hostPath("zip")), std::vector<std::string>({kName + ".zip"}));
  shutDown(false);
}

TEST_F(MakeZipTest, JpegFailuresShowErrorAndTheToolGoesOn) {
  // The encoder's write fails, or there is no image to convert.
  for (const bool brokenImage : {false, true}) {
    SCOPED_TRACE(brokenImage);
    std::filesystem::remove_all(folder_.hostPath("zip"));
    headless::Reset();
    writeGame();
    if (brokenImage) folder_.write("Screens/Screen1.bmp", "BM");
    launch("bmp/jpg = 1\r\n");
    if (!brokenImage) platform::FailNthCall(platform::Op::kWrite, 1, true);
    pressAndEnd();
    platform::ResetFaults();
    EXPECT_EQ(headless::TextHistory(50), Captions({"Make Zip", " Wait", "End"}));
    EXPECT_EQ(headless::ControlAt(5).text, "Error");
    EXPECT_TRUE(FolderNames(folder_.hostPath("zip")).empty());
    shutDown(false);
  }
}

TEST_F(MakeZipTest, MissingTrackFileIsLeftOutSilently) {
  sample::GameOptions options;
  options.writeTrack = false;
  start(options);
  pressAndEnd();
  EXPECT_EQ(headless::ControlAt(5).text, "..\\zip\\oakfield_Ann Lee_0.zip ok");
  EXPECT_EQ(entryNames(archive("oakfield_Ann Lee_0.zip")),
            std::vector<std::string>({"oakfield_Ann Lee_0.bmp", "oakfield_Ann Lee_0.gam"}));
  shutDown(false);
}

TEST_F(MakeZipTest, AnExistingArchiveIsReplaced) {
  writeGame();
  folder_.write("zip/" + kName + ".zip", "old and not an archive");
  start();
  pressAndEnd();
  EXPECT_EQ(entryNames(archive(kName + ".zip")).size(), 3u);
  shutDown(false);
}

TEST_F(MakeZipTest, InputWhileTheActionRunsIsDroppedAndACloseIsKept) {
  for (const bool closeToo : {false, true}) {
    SCOPED_TRACE(closeToo);
    std::filesystem::remove_all(folder_.hostPath("zip"));
    headless::Reset();
    start(smallScreenshot());
    headless::PushClick(50);
    // The second click of a double-click, and typing, while the action runs.
    headless::PushClick(50);
    headless::MarkLastDuringAction();
    headless::PushTyping(5, "late");
    headless::MarkLastDuringAction();
    if (closeToo) {
      headless::PushClose();
      headless::MarkLastDuringAction();
    }
    runEventLoop();
    EXPECT_EQ(app().actionState, 1);  // "End" was never pressed
    EXPECT_EQ(headless::ControlAt(5).text, kOk);
    // Without a close request the tool went on waiting for the user.
    EXPECT_EQ(headless::RanDry(), !closeToo);
    shutDown(false);
  }
}

TEST_F(MakeZipTest, AFailedActionKeepsTheEarlierArchiveAndNoTemporaryFile) {
  const std::string zip = kName + ".zip";
  // The archive cannot be written, or cannot take its name.
  for (const platform::Op op : {platform::Op::kWrite, platform::Op::kRename}) {
    SCOPED_TRACE(static_cast<int>(op));
    std::filesystem::remove_all(folder_.hostPath("zip"));
    headless::Reset();
    writeGame(smallScreenshot());
    folder_.write("zip/" + zip, "the earlier archive");
    launch();
    platform::FailNthCall(op, 1, true);
    pressAndEnd();
    platform::ResetFaults();
    EXPECT_EQ(headless::ControlAt(5).text, "Error");
    EXPECT_EQ(folder_.read("zip/" + zip), "the earlier archive");
    EXPECT_EQ(FolderNames(folder_.hostPath("zip")),
              std::vector<std::string>({kName + ".bmp", kName + ".gam", zip}));
    shutDown(false);
  }
}

TEST_F(MakeZipTest, TheLoopRunsTheActionOnceAndEndsOnRequest) {
  // Closing before the press packs nothing.
  start();
  headless::PushClick(3);
  headless::PushClose();
  runEventLoop();
  EXPECT_FALSE(headless::RanDry());
  EXPECT_EQ(app().actionState, 0);
  EXPECT_EQ(headless::TextHistory(50), Captions({"Make Zip"}));
  EXPECT_TRUE(FolderNames(folder_.hostPath("zip")).empty());
  shutDown(false);

  // Other events are ignored; after the action a close request ends the loop.
  headless::Reset();
  ASSERT_TRUE(startUp());
  headless::PushOtherEvent(RepaintEvent);
  headless::PushClick(4);
  headless::PushClick(4);
  headless::PushOtherEvent(MoveWindowEvent);
  headless::PushClick(50);
  headless::PushOtherEvent(RepaintEvent);
  headless::PushClose();
  runEventLoop();
  EXPECT_FALSE(headless::RanDry());
  EXPECT_EQ(app().actionState, 1);
  EXPECT_EQ(headless::TextHistory(50), kAllCaptions);
  EXPECT_EQ(headless::ControlAt(5).text, kOk);
  EXPECT_EQ(shutDown(false), 0);
}

}  // namespace
