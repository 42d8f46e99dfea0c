// The zip folder shared with other running copies and with what earlier
// runs left: staged copies that change under the action, the lock that lets
// one action run at a time, leftover temporary archives, read-only earlier
// archives and names Windows keeps for its devices.
#include "core/zip_folder.h"

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/app.h"
#include "platform/platform.h"
#include "tests/core_app/app_fixture.h"
#include "tests/headless_kit/headless_kit.h"

namespace {

using Names = std::vector<std::string>;

const std::string kName = "oakfield_Ann Lee_973";
const std::string kOk = "..\\zip\\" + kName + ".zip ok";
const std::string kBmp = kName + ".bmp", kGam = kName + ".gam", kZip = kName + ".zip";

// Runs inside the action's pauses (real pauses are skipped): the test's
// hands on the folder while the action is under way.
std::function<void(int)> duringPause;
void RunDuringPause(int milliseconds) { duringPause(milliseconds); }

class ZipFolderTest : public AppTest {
 protected:
  void TearDown() override {
    platform::SetPauseHandler(nullptr);
    platform::SetPausesEnabled(true);
    AppTest::TearDown();
  }
  void start() {
    sample::GameOptions options;
    options.screenWidth = 64;
    options.screenHeight = 48;
    writeGame(options);
    launch();
  }
  Names entries(const std::string& archive) {
    std::vector<ZipEntry> read;
    EXPECT_TRUE(ReadZip(zipPath(archive), &read)) << archive;
    Names names;
    for (const ZipEntry& e : read) names.push_back(e.name + "=" + std::to_string(e.data.size()));
    return names;
  }
};

struct Sabotage {
  const char* label;
  const char* extension;  // of the staged copy in zip
  bool remove;            // otherwise one byte changes, the size stays
};

TEST_F(ZipFolderTest, AStagedCopyGoneOrChangedBeforePackingGivesErrorAndReplacesNothing) {
  const Sabotage rows[] = {
      {"screenshot gone", "bmp", true},
      {"screenshot changed", "bmp", false},
      {"saved game gone", "gam", true},
      {"saved game changed", "gam", false},
  };
  for (const Sabotage& row : rows) {
    SCOPED_TRACE(row.label);
    std::filesystem::remove_all(folder_.hostPath("zip"));
    headless::Reset();
    folder_.write("zip/" + kZip, "the earlier archive");
    start();
    const std::string victim = kName + "." + row.extension;
    // The second stage pause comes after both copies were staged, just
    // before packing; another program acts on the copy then.
    int pauses = 0;
    duringPause = [&](int ms) {
      if (ms != 300 || ++pauses != 2) return;
      if (row.remove) {
        std::filesystem::remove(zipPath(victim));
      } else {
        std::string bytes = folder_.read("zip/" + victim);
        bytes[bytes.size() / 2] ^= 1;
        folder_.write("zip/" + victim, bytes);
      }
    };
    platform::SetPauseHandler(RunDuringPause);
    platform::SetPausesEnabled(true);
    pressAndEnd();
    EXPECT_EQ(headless::ControlAt(5).text, "Error");
    EXPECT_EQ(folder_.read("zip/" + kZip), "the earlier archive");
    Names left = {kBmp, kGam, kZip};
    if (row.remove) std::erase(left, victim);
    EXPECT_EQ(FolderNames(folder_.hostPath("zip")), left);
    shutDown(false);
  }
}

TEST_F(ZipFolderTest, AnotherCopysActionIsWaitedForAndItsLockLeftAlone) {
  start();
  const std::string lockPath = folder_.programPath("zip\\" + std::string(kActionLockName));
  platform::File* other = platform::TakeLockFile(lockPath);
  ASSERT_NE(other, nullptr);
  // The other action ends during the third pause of this one's wait.
  int pauses = 0;
  Names seenWhileWaiting;
  duringPause = [&](int) {
    if (other == nullptr) return;
    seenWhileWaiting = FolderNames(folder_.hostPath("zip"));
    if (++pauses == 3) {
      platform::ReleaseLockFile(other, lockPath);
      other = nullptr;
    }
  };
  platform::SetPauseHandler(RunDuringPause);
  platform::SetPausesEnabled(true);
  pressAndEnd();
  EXPECT_EQ(pauses, 3);
  EXPECT_EQ(seenWhileWaiting, Names({kActionLockName}));  // nothing staged meanwhile
  EXPECT_EQ(headless::ControlAt(5).text, kOk);
  EXPECT_EQ(entries(kZip).size(), 3u);
  EXPECT_EQ(FolderNames(folder_.hostPath("zip")), Names({kZip}));
  shutDown(false);

  // An action that never ends: after the longest wait, "Error", and nothing
  // made or removed.
  headless::Reset();
  std::filesystem::remove_all(folder_.hostPath("zip"));
  start();
  other = platform::TakeLockFile(lockPath);
  ASSERT_NE(other, nullptr);
  pressAndEnd();
  EXPECT_EQ(platform::PausedMs(), kActionLockWaitMs);
  EXPECT_EQ(headless::TextHistory(50), Names({"Make Zip", " Wait", "End"}));
  EXPECT_EQ(headless::ControlAt(5).text, "Error");
  EXPECT_EQ(FolderNames(folder_.hostPath("zip")), Names({kActionLockName}));
  platform::ReleaseLockFile(other, lockPath);
  shutDown(false);
}

TEST_F(ZipFolderTest, LeftoverTemporaryArchivesAreRemovedButNotOneBeingWritten) {
  // What runs that ended while packing left: their temporary archives (as
  // many as ever), the staged copies of this name and of another one.
  folder_.write("zip/~lapbundle.tmp", "partial");
  for (int n = 1; n < 100; ++n) folder_.write("zip/~lapbundle" + std::to_string(n) + ".tmp", "p");
  folder_.write("zip/~LAPBUNDLE100.TMP", "partial");
  folder_.write("zip/" + kBmp, "an older screenshot");
  folder_.write("zip/" + kGam, "an older game");
  folder_.write("zip/other.bmp", "another name's copy");
  start();
  // One is being written by a running copy of the program.
  platform::File* writer = platform::OpenFile(folder_.programPath("zip\\~lapbundle7.tmp"),
                                              platform::OpenMode::kCreateWrite);
  ASSERT_NE(writer, nullptr);
  pressAndEnd();
  EXPECT_EQ(headless::ControlAt(5).text, kOk);
  EXPECT_EQ(
      entries(kZip),
      Names({kBmp + "=" + std::to_string(folder_.read("Screens/Screen1.bmp").size()),
             kGam + "=" + std::to_string(folder_.read("Saves/Race1.gam").size()),
             "Oakfield.trk=" + std::to_string(folder_.read("Tracks/Hills/Oakfield.trk").size())}));
  EXPECT_EQ(FolderNames(folder_.hostPath("zip")), Names({kZip, "other.bmp", "~lapbundle7.tmp"}));
  platform::CloseFile(writer);
  shutDown(false);
}

TEST_F(ZipFolderTest, AReadOnlyEarlierArchiveIsKept) {
  folder_.write("zip/" + kZip, "the earlier archive, kept");
  ASSERT_EQ(chmod(zipPath(kZip).c_str(), 0444), 0);
  start();
  pressAndEnd();
  EXPECT_EQ(headless::ControlAt(5).text, "Error");
  EXPECT_EQ(folder_.read("zip/" + kZip), "the earlier archive, kept");
  EXPECT_EQ(FolderNames(folder_.hostPath("zip")), Names({kBmp, kGam, kZip}));
  shutDown(false);
}

TEST(ArchiveNameCheck, RefusesWhatWindowsCannotCreateAsAFile) {
  const char* refused[] = {
      "NUL",       "con",     "Prn",      "aUx",     "CONIN$", "conout$",  "COM1", "com9", "LPT1",
      "lpt9",      "COM\xB9", "com\xB2",  "LPT\xB3",  // superscript one, two, three
      "com1.race", "aux.txt", "NUL .txt", "nul  ",   "CON.",   "lpt2.a.b", "a/b",  "a\\b", "a:b",
      "a*b",       "a?b",     "a\"b",     "a<b",     "a>b",    "a|b",      "a\tb", "\x1F",
  };
  const char* accepted[] = {
      "",     "Final", "NULL",    "CONIN",         "conout",   "COM0",     "COM10", "LPT0",
      "com",  "lpt",   "COM\xB4", "LPT\xBC",  // other superscripts and fractions
      "xNUL", " NUL",  "NUL_x",   "auxiliary.txt", "com1race", "Cup \xE4", ".txt",  "~\x7F",
  };
  for (const char* name : refused) EXPECT_FALSE(isUsableArchiveName(name)) << name;
  for (const char* name : accepted) EXPECT_TRUE(isUsableArchiveName(name)) << name;
}

}  // namespace
