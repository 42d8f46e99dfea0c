// Every way the make-zip action can fail on disk, made to happen with the
// platform's fault table: the status text, the captions of the button, what
// stays in the zip folder, and that no file in Saves, Screens or Tracks was
// touched. Nothing the user had may be lost, and no broken archive may be
// reported as made.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "archive/zip_writer.h"
#include "core/app.h"
#include "imaging/image_store.h"
#include "platform/platform.h"
#include "tests/hardening/game_snapshot.h"
#include "tests/hardening/hardening_fixture.h"
#include "tests/headless_kit/headless_kit.h"

namespace {

using platform::Op;
using Captions = std::vector<std::string>;

const std::string kName = "oakfield_Ann Lee_973";
const std::string kOk = "..\\zip\\" + kName + ".zip ok";
const std::string kBmp = kName + ".bmp", kJpg = kName + ".jpg", kGam = kName + ".gam",
                  kZip = kName + ".zip";
const Captions& kAll = kAllCaptions;
const Captions kNotStaged = {"Make Zip", " Wait", "End"};
const Captions kGameNotCopied = {"Make Zip", " Wait", "Wait ", "End"};
const Captions kNotArchived = {"Make Zip", " Wait", "Wait ", " Wait", "End"};

// Calls of each kind during one clean action, measured by the test itself so
// that the rows can aim at the middle or the end of the archive.
struct CleanCounts {
  long writes = 0;
  long closes = 0;
  long jpegWrites = 0;  // writes of the JPEG encoder alone
  long checkReads = 0;  // reads that note what the two staged copies hold
  long pauses = 0;
  std::string jpeg;  // the staged JPEG as the archive holds it
};

struct Row {
  const char* label;
  bool jpeg;
  std::function<void(const CleanCounts&)> arm;
  Captions captions;
  std::string status;
  std::vector<std::string> leftInZip;
};

class MakeZipFaultTest : public HardeningTest {
 protected:
  // A fresh game (a screenshot of several zip chunks), started; faults are
  // armed after start-up so that they hit the action.
  void startGame(bool jpeg) {
    writeFreshGame(jpeg, 512, 384);
    before_ = TakeSourceSnapshot(folder_.host());
    ASSERT_TRUE(startUp());
    platform::ResetFaults();
  }

  // Checks what every outcome must keep: the sources as they were, and each
  // staged copy still in zip identical to what it was made from.
  void expectNothingLost(const std::string& jpegReference) {
    EXPECT_EQ(SourceChanges(before_, TakeSourceSnapshot(folder_.host())), "");
    if (folder_.exists("zip/" + kBmp)) {
      EXPECT_EQ(folder_.read("zip/" + kBmp), folder_.read("Screens/Screen1.bmp"));
    }
    if (folder_.exists("zip/" + kGam)) {
      EXPECT_EQ(folder_.read("zip/" + kGam), folder_.read("Saves/Race1.gam"));
    }
    if (folder_.exists("zip/" + kJpg) && !jpegReference.empty()) {
      EXPECT_EQ(folder_.read("zip/" + kJpg), jpegReference);
    }
  }

  // The archive of a successful action holds the three items, byte for byte.
  void expectCompleteArchive(bool jpeg, const std::string& jpegReference) {
    std::vector<ZipEntry> entries;
    ASSERT_TRUE(ReadZip(zipPath(kZip), &entries));
    ASSERT_EQ(EntryNames(entries),
              (std::vector<std::string>{jpeg ? kJpg : kBmp, kGam, "Oakfield.trk"}));
    if (jpeg) {
      if (!jpegReference.empty()) {
        EXPECT_EQ(entries[0].data, jpegReference);
      }
    } else {
      EXPECT_EQ(entries[0].data, folder_.read("Screens/Screen1.bmp"));
    }
    EXPECT_EQ(entries[1].data, folder_.read("Saves/Race1.gam"));
    EXPECT_EQ(entries[2].data, folder_.read("Tracks/Hills/Oakfield.trk"));
  }

  CleanCounts cleanRun(bool jpeg) {
    CleanCounts counts;
    startGame(jpeg);
    if (jpeg) {
      EXPECT_NE(SaveImageSlot(2, folder_.programPath("probe.jpg"), JpegEncoderTag), 0);
      counts.jpegWrites = platform::CallCount(Op::kWrite);
      std::filesystem::remove(folder_.hostPath("probe.jpg"));
      platform::ResetFaults();
    }
    if (!jpeg) {
      ZipEntryCheck check;
      FileEntryCheck(folder_.programPath("Screens\\Screen1.bmp"), &check);
      FileEntryCheck(folder_.programPath("Saves\\Race1.gam"), &check);
      counts.checkReads = platform::CallCount(Op::kRead);
      platform::ResetFaults();
    }
    pressAndEnd();
    counts.writes = platform::CallCount(Op::kWrite);
    counts.closes = platform::CallCount(Op::kClose);
    counts.pauses = platform::CallCount(Op::kPause);
    EXPECT_EQ(headless::ControlAt(5).text, kOk);
    std::vector<ZipEntry> entries;
    if (jpeg && ReadZip(zipPath(kZip), &entries) && !entries.empty()) counts.jpeg = entries[0].data;
    shutDown(false);
    return counts;
  }

  Snapshot before_;
};

TEST_F(MakeZipFaultTest, EveryFailureRowShowsErrorAndKeepsWhatItMade) {
  const CleanCounts bmp = cleanRun(false);
  const CleanCounts jpeg = cleanRun(true);
  // The aims below need an action with many writes, a JPEG over several
  // stream buffers, and closes after the three entries.
  ASSERT_GT(bmp.writes, 6);
  ASSERT_GE(jpeg.jpegWrites, 3);
  ASSERT_GE(bmp.closes, 7);

  const Row rows[] = {
      {"success", false, [](const CleanCounts&) {}, kAll, kOk, {kZip}},
      {"success as JPEG", true, [](const CleanCounts&) {}, kAll, kOk, {kZip}},
      {"staging copy fails",
       false,
       [](const CleanCounts&) { platform::FailNthCall(Op::kCopy, 1); },
       kNotStaged,
       "Error",
       {}},
      // The first open takes the zip folder's lock.
      {"JPEG file cannot be created",
       true,
       [](const CleanCounts&) { platform::FailNthCall(Op::kOpen, 2); },
       kNotStaged,
       "Error",
       {}},
      {"JPEG write fails midway",
       true,
       [](const CleanCounts& c) { platform::FailNthCall(Op::kWrite, c.jpegWrites / 2 + 1); },
       kNotStaged,
       "Error",
       {}},
      {"JPEG disk full",
       true,
       [](const CleanCounts&) { platform::FailNthCall(Op::kWrite, 2, true); },
       kNotStaged,
       "Error",
       {}},
      {"JPEG close fails",
       true,
       [](const CleanCounts&) { platform::FailNthCall(Op::kClose, 1); },
       kNotStaged,
       "Error",
       {}},
      {"saved-game copy fails",
       false,
       [](const CleanCounts&) { platform::FailNthCall(Op::kCopy, 2); },
       kGameNotCopied,
       "Error",
       {kBmp}},
      {"saved-game copy fails after JPEG",
       true,
       [](const CleanCounts&) { platform::FailNthCall(Op::kCopy, 1); },
       kGameNotCopied,
       "Error",
       {kJpg}},
      // After the lock, and the read-back of the two staged copies and of
      // their sources; every name tried for the archive fails.
      {"archive creation fails",
       false,
       [](const CleanCounts&) { platform::FailNthCall(Op::kOpen, 6, true); },
       kNotArchived,
       "Error",
       {kBmp, kGam}},
      {"disk full from the second chunk",
       false,
       [](const CleanCounts&) { platform::FailNthCall(Op::kWrite, 2, true); },
       kNotArchived,
       "Error",
       {kBmp, kGam}},
      {"one chunk write fails midway",
       false,
       [](const CleanCounts& c) { platform::FailNthCall(Op::kWrite, c.writes / 2); },
       kNotArchived,
       "Error",
       {kBmp, kGam}},
      {"the last write fails",
       false,
       [](const CleanCounts& c) { platform::FailNthCall(Op::kWrite, c.writes); },
       kNotArchived,
       "Error",
       {kBmp, kGam}},
      {"a packed file cannot be read",
       false,
       // Each staged copy and its source are read back before packing.
       [](const CleanCounts& c) { platform::FailNthCall(Op::kRead, 2 * c.checkReads + 2); },
       kNotArchived,
       "Error",
       {kBmp, kGam}},
      {"the archive's close fails",
       false,
       // The archive's stream is closed just before its read-back.
       [](const CleanCounts& c) { platform::FailNthCall(Op::kClose, c.closes - 1); },
       kNotArchived,
       "Error",
       {kBmp, kGam}},
      // The archive is complete; a staged copy that cannot be removed stays.
      {"staged screenshot not deleted",
       false,
       [](const CleanCounts&) { platform::FailNthCall(Op::kDelete, 1); },
       kAll,
       kOk,
       {kBmp, kZip}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    startGame(row.jpeg);
    row.arm(row.jpeg ? jpeg : bmp);
    pressAndEnd();
    platform::ResetFaults();
    EXPECT_EQ(headless::TextHistory(50), row.captions);
    EXPECT_EQ(headless::ControlAt(5).text, row.status);
    EXPECT_TRUE(headless::ControlAt(50).enabled);
    EXPECT_EQ(app().actionState, 2);
    std::vector<std::string> expected = row.leftInZip;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderNames(folder_.hostPath("zip")), expected);
    expectNothingLost(jpeg.jpeg);
    if (row.status == kOk) expectCompleteArchive(row.jpeg, jpeg.jpeg);
    EXPECT_EQ(shutDown(false), 0);
  }
}

// The game is still writing a file while the action copies or packs it: the
// archive holds one whole version of it, or the action shows "Error".
TEST_F(MakeZipFaultTest, AFileThatChangesWhileCopiedOrPackedIsTakenWholeOrIsAnError) {
  const CleanCounts bmp = cleanRun(false);
  int version = 0;
  // Rewrites a file in place, with other bytes each time.
  const auto rewrite = [this, &version](const char* relative) {
    return [this, &version, relative] {
      std::string bytes = folder_.read(relative);
      bytes[bytes.size() / 2] = static_cast<char>(++version);
      folder_.write(relative, bytes);
    };
  };
  struct ChangeRow {
    const char* label;
    Op op;
    long at;
    const char* file;
    bool everyTime;
    Captions captions;
    std::string status;
    std::vector<std::string> leftInZip;
  };
  // The saved game is read again at the action's fifth open, after the lock
  // and the reads of the staged screenshot, its source and the staged game.
  // The track's last chunk is followed by the pause before the last one.
  const ChangeRow rows[] = {
      {"saved game changed once after its copy",
       Op::kOpen,
       5,
       "Saves/Race1.gam",
       false,
       kAll,
       kOk,
       {kZip}},
      {"saved game changed after each copy",
       Op::kOpen,
       5,
       "Saves/Race1.gam",
       true,
       kGameNotCopied,
       "Error",
       {kBmp, kGam}},
      {"track changed once while packed",
       Op::kPause,
       bmp.pauses - 1,
       "Tracks/Hills/Oakfield.trk",
       false,
       kAll,
       kOk,
       {kZip}},
      {"track changed each time it is packed",
       Op::kPause,
       bmp.pauses - 1,
       "Tracks/Hills/Oakfield.trk",
       true,
       kNotArchived,
       "Error",
       {kBmp, kGam}},
  };
  for (const ChangeRow& row : rows) {
    SCOPED_TRACE(row.label);
    startGame(false);
    platform::HookNthCall(row.op, row.at, rewrite(row.file), row.everyTime);
    pressAndEnd();
    platform::ResetFaults();
    EXPECT_EQ(headless::TextHistory(50), row.captions);
    EXPECT_EQ(headless::ControlAt(5).text, row.status);
    std::vector<std::string> expected = row.leftInZip;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderNames(folder_.hostPath("zip")), expected);
    if (row.status == kOk) expectCompleteArchive(false, "");
    EXPECT_EQ(shutDown(false), 0);
  }
}

// The zip folder is a link to a folder elsewhere, as for a user who keeps
// archives on another disk, and it holds an earlier archive of the name.
// Each disk call of the action fails in turn: "Error" leaves the earlier
// archive byte for byte, except when the folder's flush after the rename
// fails (the disk itself); nothing else after the rename gives "Error".
TEST_F(MakeZipFaultTest, ErrorAlwaysLeavesTheEarlierArchiveAsItWas) {
  const std::string earlier = "the earlier archive";
  TempFolder elsewhere;
  std::string status;
  auto run = [&](Op op, long n) {
    writeFreshGame(false, 40, 30);
    std::filesystem::remove_all(folder_.hostPath("zip"));
    std::filesystem::remove_all(elsewhere.hostPath("zip"));
    elsewhere.write("zip/" + kZip, earlier);
    EXPECT_EQ(symlink(elsewhere.hostPath("zip").c_str(), folder_.hostPath("zip").c_str()), 0);
    EXPECT_TRUE(startUp());
    platform::ResetFaults();
    platform::FailNthCall(op, n);
    pressAndEnd();
    const long calls = platform::CallCount(op);
    status = headless::ControlAt(5).text;
    platform::ResetFaults();
    shutDown(false);
    return calls;
  };
  const std::pair<Op, const char*> kinds[] = {
      {Op::kOpen, "open"},     {Op::kRead, "read"},   {Op::kWrite, "write"},
      {Op::kClose, "close"},   {Op::kCopy, "copy"},   {Op::kDelete, "delete"},
      {Op::kRename, "rename"}, {Op::kFlush, "flush"}, {Op::kAllocate, "allocate"},
  };
  for (const auto& [op, label] : kinds) {
    const long calls = run(op, 0);
    ASSERT_EQ(status, kOk) << label;
    // The folder's flush is the last flush of the action.
    const long folderFlush = op == Op::kFlush ? calls : 0;
    for (long n = 1; n <= calls; ++n) {
      SCOPED_TRACE(std::string(label) + " call " + std::to_string(n));
      run(op, n);
      std::vector<ZipEntry> entries;
      if (n == folderFlush) {
        EXPECT_EQ(status, "Error");
        EXPECT_TRUE(ReadZip(zipPath(kZip), &entries));
      } else if (status == "Error") {
        EXPECT_EQ(elsewhere.read("zip/" + kZip), earlier);
      } else {
        // A track file that could not be opened is left out, as a missing one is.
        EXPECT_EQ(status, kOk);
        EXPECT_TRUE(ReadZip(zipPath(kZip), &entries));
      }
    }
  }
}

}  // namespace
