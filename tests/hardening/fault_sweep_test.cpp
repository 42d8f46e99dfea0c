// Every disk call and pause of a whole run (start-up, one "Make Zip", end)
// made to fail in turn, one at a time and from that call on. Whatever fails,
// the run ends normally, the sources stay as they were, a staged copy left
// behind is whole, and "ok" is shown only for an archive that holds its
// entries intact.
#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "core/app.h"
#include "imaging/image_store.h"
#include "platform/platform.h"
#include "tests/hardening/game_snapshot.h"
#include "tests/hardening/hardening_fixture.h"
#include "tests/headless_kit/headless_kit.h"

namespace {

using platform::Op;
using Captions = std::vector<std::string>;

const Captions& kAll = kAllCaptions;

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Whether `part` is `whole` with some elements left out, order kept.
bool IsSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
  std::size_t at = 0;
  for (const std::string& item : whole) {
    if (at < part.size() && part[at] == item) ++at;
  }
  return at == part.size();
}

struct Sweep {
  Op op;
  const char* name;
};

class FaultSweepTest : public HardeningTest, public ::testing::WithParamInterface<Sweep> {
 protected:
  void freshGame(bool jpeg) { writeFreshGame(jpeg, 40, 30); }

  // One whole run with the fault armed before start-up. Returns the calls
  // of `op` the run made.
  long run(bool jpeg, Op op, long failAt, bool sticky) {
    freshGame(jpeg);
    const Snapshot before = TakeSourceSnapshot(folder_.host());
    platform::ResetFaults();
    platform::FailNthCall(op, failAt, sticky);
    const bool started = startUp();
    if (started) pressAndEnd();
    const long calls = platform::CallCount(op);
    const std::string name = app().archiveName;
    // An unreadable settings file gives the defaults: no JPEG.
    const bool jpegUsed = app().screenAsJpeg != 0;
    const std::string status = headless::ControlAt(5).text;
    const Captions captions = headless::TextHistory(50);
    EXPECT_EQ(shutDown(!started), 0);
    platform::ResetFaults();

    EXPECT_EQ(SourceChanges(before, TakeSourceSnapshot(folder_.host())), "");
    // The user's own settings are never replaced by the defaults.
    if (jpeg) {
      EXPECT_EQ(folder_.read("lapbundle.prf"), "bmp/jpg = 1\r\n");
    }
    // Only a missing Saves folder stops the start; the scan may fail here.
    if (started) checkOutcome(jpegUsed, op, name, status, captions);
    return calls;
  }

  void checkOutcome(bool jpeg, Op op, const std::string& name, const std::string& status,
                    const Captions& captions) {
    ASSERT_FALSE(captions.empty());
    EXPECT_EQ(captions.back(), "End");
    const std::string screen = name + (jpeg ? ".jpg" : ".bmp");
    const std::string game = name + ".gam";
    const std::string zip = name + ".zip";
    std::vector<std::string> left = FolderNames(folder_.hostPath("zip"));
    if (status == "Error") {
      // A failed action leaves no archive, only whole staged copies.
      EXPECT_LT(captions.size(), kAll.size());
      EXPECT_EQ(std::count(left.begin(), left.end(), zip), 0);
    } else {
      ASSERT_EQ(status, "..\\zip\\" + name + ".zip ok");
      EXPECT_EQ(captions, kAll);
      std::vector<ZipEntry> entries;
      ASSERT_TRUE(ReadZip(zipPath(zip), &entries));
      const std::vector<std::string> names = EntryNames(entries);
      // An item is left out only when it could not be opened before its
      // entry began (a track that the failed reader could not name, say).
      if (op == Op::kOpen || op == Op::kRead) {
        EXPECT_TRUE(IsSubsequence(names, {screen, game, "Oakfield.trk"}));
      } else {
        EXPECT_EQ(names, (std::vector<std::string>{screen, game, "Oakfield.trk"}));
      }
      const std::map<std::string, std::string> sources = {
          {screen, jpeg ? referenceJpeg_ : folder_.read("Screens/Screen1.bmp")},
          {game, folder_.read("Saves/Race1.gam")},
          {"Oakfield.trk", folder_.read("Tracks/Hills/Oakfield.trk")}};
      for (const ZipEntry& e : entries) EXPECT_EQ(e.data, sources.at(e.name)) << e.name;
      // A staged copy stays only when its delete failed.
      if (op != Op::kDelete) {
        EXPECT_EQ(left, std::vector<std::string>{zip});
      }
    }
    // A staged copy left behind is whole.
    const std::map<std::string, std::string> staged = {
        {".bmp", folder_.read("Screens/Screen1.bmp")},
        {".gam", folder_.read("Saves/Race1.gam")},
        {".jpg", referenceJpeg_}};
    for (const std::string& file : left) {
      if (EndsWith(file, ".zip")) continue;
      ASSERT_GT(file.size(), 3u);
      EXPECT_EQ(folder_.read("zip/" + file), staged.at(file.substr(file.size() - 4))) << file;
    }
  }

  // The JPEG of the sample screenshot, as a clean run makes it.
  std::string referenceJpeg_;
};

TEST_P(FaultSweepTest, EachCallFailingOnceOrFromThenOnLosesNothing) {
  const Sweep& sweep = GetParam();
  for (const bool jpeg : {false, true}) {
    referenceJpeg_.clear();
    if (jpeg) {
      freshGame(true);
      ASSERT_TRUE(startUp());
      ASSERT_NE(SaveImageSlot(2, folder_.programPath("reference.jpg"), JpegEncoderTag), 0);
      referenceJpeg_ = folder_.read("reference.jpg");
      std::filesystem::remove(folder_.hostPath("reference.jpg"));
      shutDown(false);
    }
    // A clean run counts the calls; then each one fails in turn.
    const long calls = run(jpeg, sweep.op, 0, false);
    ASSERT_GT(calls, 0) << sweep.name;
    for (long n = 1; n <= calls; ++n) {
      for (const bool sticky : {false, true}) {
        SCOPED_TRACE(std::string(jpeg ? "jpeg " : "bmp ") + sweep.name + " call " +
                     std::to_string(n) + (sticky ? " on" : ""));
        run(jpeg, sweep.op, n, sticky);
        if (HasFatalFailure()) return;
      }
    }
  }
}

const Sweep kSweeps[] = {
    {Op::kOpen, "open"},     {Op::kRead, "read"},         {Op::kWrite, "write"},
    {Op::kClose, "close"},   {Op::kMakeFolder, "folder"}, {Op::kCopy, "copy"},
    {Op::kDelete, "delete"}, {Op::kRename, "rename"}, {Op::kAllocate, "allocate"},
};

INSTANTIATE_TEST_SUITE_P(EveryKind, FaultSweepTest, ::testing::ValuesIn(kSweeps),
                         [](const ::testing::TestParamInfo<Sweep>& param) {
                           return std::string(param.param.name);
                         });

}  // namespace
