// Sharing the zip folder with other running copies: the lock file, deleting
// only what no one writes, replacing only what may be replaced, exclusive
// stdio creation, and serving windows between pauses.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "tests/testing/temp_folder.h"

namespace {

class PlatformSharing : public ::testing::Test {
 protected:
  void SetUp() override { platform::ResetFaults(); }
  void TearDown() override {
    platform::SetPauseHandler(nullptr);
    platform::SetPausesEnabled(true);
    platform::ResetFaults();
  }
  TempFolder dir;
};

TEST_F(PlatformSharing, OneTakerHoldsTheLockFileAndItGoesWithTheRelease) {
  const std::string path = dir.programPath("a.lock");
  platform::File* first = platform::TakeLockFile(path);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(platform::TakeLockFile(path), nullptr);
  platform::ReleaseLockFile(first, path);
  EXPECT_FALSE(dir.exists("a.lock"));
  // One left behind by a copy that ended early can be taken.
  dir.write("a.lock", "");
  platform::File* second = platform::TakeLockFile(path);
  EXPECT_NE(second, nullptr);
  platform::ReleaseLockFile(second, path);
  EXPECT_FALSE(dir.exists("a.lock"));
  EXPECT_EQ(platform::TakeLockFile(dir.programPath("no\\a.lock")), nullptr);
}

TEST_F(PlatformSharing, DeletesOnlyFilesNoOneWrites) {
  dir.write("free.tmp", "left behind");
  dir.write("busy.tmp", "");
  platform::File* writer =
      platform::OpenFile(dir.programPath("busy.tmp"), platform::OpenMode::kCreateWrite);
  ASSERT_NE(writer, nullptr);
  EXPECT_TRUE(platform::DeleteFileNotInUse(dir.programPath("free.tmp")));
  EXPECT_FALSE(platform::DeleteFileNotInUse(dir.programPath("busy.tmp")));
  EXPECT_FALSE(dir.exists("free.tmp"));
  EXPECT_TRUE(dir.exists("busy.tmp"));
  platform::CloseFile(writer);
  EXPECT_TRUE(platform::DeleteFileNotInUse(dir.programPath("busy.tmp")));
}

TEST_F(PlatformSharing, AReadOnlyFileIsNotReplaced) {
  dir.write("new.zip", "new");
  dir.write("old.zip", "old");
  ASSERT_EQ(chmod(dir.hostPath("old.zip").c_str(), 0444), 0);
  EXPECT_FALSE(platform::ReplaceFileWith(dir.programPath("new.zip"), dir.programPath("old.zip")));
  EXPECT_EQ(dir.read("old.zip"), "old");
  EXPECT_EQ(dir.read("new.zip"), "new");
}

TEST_F(PlatformSharing, StdioExclusiveCreationRefusesAnyTakenName) {
  dir.write("taken.bin", "kept");
  ASSERT_EQ(symlink(dir.hostPath("target.bin").c_str(), dir.hostPath("link.bin").c_str()), 0);
  EXPECT_EQ(platform::OpenStdioFile(dir.programPath("taken.bin"), "wbx"), nullptr);
  EXPECT_EQ(platform::OpenStdioFile(dir.programPath("link.bin"), "wbx"), nullptr);
  EXPECT_EQ(dir.read("taken.bin"), "kept");
  EXPECT_FALSE(dir.exists("target.bin"));
  std::FILE* fresh = platform::OpenStdioFile(dir.programPath("fresh.bin"), "wbx");
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(std::fwrite("new", 1, 3, fresh), 3u);
  EXPECT_EQ(std::fclose(fresh), 0);
  EXPECT_EQ(dir.read("fresh.bin"), "new");
}

TEST_F(PlatformSharing, LargeFilesGoneByOneNameStayWholeUnderAnother) {
  // Larger than the steps in which the blocks of a file without names are
  // given back.
  const std::string big(40u << 20, 'b');
  dir.write("gone.bin", big);
  dir.write("old.zip", big);
  dir.write("new.zip", "new");
  ASSERT_EQ(link(dir.hostPath("gone.bin").c_str(), dir.hostPath("kept.bin").c_str()), 0);
  ASSERT_EQ(link(dir.hostPath("old.zip").c_str(), dir.hostPath("kept.zip").c_str()), 0);
  EXPECT_TRUE(platform::DeleteFileAt(dir.programPath("gone.bin")));
  EXPECT_TRUE(platform::ReplaceFileWith(dir.programPath("new.zip"), dir.programPath("old.zip")));
  EXPECT_TRUE(dir.read("kept.bin") == big);
  EXPECT_TRUE(dir.read("kept.zip") == big);
  EXPECT_EQ(dir.read("old.zip"), "new");
}

std::vector<int> served;
void RecordServe(int milliseconds) { served.push_back(milliseconds); }

TEST_F(PlatformSharing, KeepServingHandsTheHandlerAZeroPauseOncePerInterval) {
  const auto interval = std::chrono::milliseconds(platform::kServeIntervalMs + 5);
  served.clear();
  platform::KeepServing();  // no handler: nothing
  platform::SetPauseHandler(RecordServe);
  platform::KeepServing();  // just set: not due yet
  std::this_thread::sleep_for(interval);
  platform::KeepServing();
  platform::KeepServing();  // served just now
  platform::PauseMs(5);
  std::this_thread::sleep_for(interval / 2);
  platform::KeepServing();  // the pause served the windows
  std::this_thread::sleep_for(interval);
  platform::SetPausesEnabled(false);
  platform::KeepServing();  // pauses off: nothing
  EXPECT_EQ(served, std::vector<int>({0, 5}));
  EXPECT_EQ(platform::CallCount(platform::Op::kPause), 1);
}

}  // namespace
