// Replacing and removing names in a folder others also use: readers of an
// old file keep it whole, links are replaced and never written through,
// copies are never read-only, the lock file is only ever a plain file of its
// own, and a replacement reaches the disk before its name does.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/testing/temp_folder.h"

namespace {

using platform::Op;

class PlatformReplace : public ::testing::Test {
 protected:
  void SetUp() override { platform::ResetFaults(); }
  void TearDown() override { platform::ResetFaults(); }

  // What a reader that opened `name` before gets from it now.
  static std::string ReadAllFrom(int fd) {
    std::string bytes;
    char buffer[1 << 16];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<size_t>(n));
    return bytes;
  }

  unsigned Mode(const std::string& name) const {
    struct stat st;
    return lstat(dir.hostPath(name).c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }

  TempFolder dir;
};

TEST_F(PlatformReplace, AReaderOfAReplacedOrDeletedFileKeepsEveryByte) {
  // Several of the steps in which the blocks of a file nobody sees are given back.
  const std::string big(12u << 20, 'r');
  for (const bool replace : {true, false}) {
    SCOPED_TRACE(replace ? "replaced" : "deleted");
    dir.write("old.zip", big);
    dir.write("new.zip", "new");
    const int reader = open(dir.hostPath("old.zip").c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);
    EXPECT_TRUE(
        replace ? platform::ReplaceFileWith(dir.programPath("new.zip"), dir.programPath("old.zip"))
                : platform::DeleteFileAt(dir.programPath("old.zip")));
    EXPECT_TRUE(ReadAllFrom(reader) == big);
    close(reader);
  }
}

enum class Link { kSymbolic, kHard, kDangling };

struct LinkRow {
  const char* label;
  Link link;
  bool copy;  // CopyFileKeepTimes, or a stdio "w" stream
};

TEST_F(PlatformReplace, CopiesAndNewFilesReplaceLinksAndNeverWriteThroughThem) {
  const LinkRow rows[] = {
      {"copy over symlink", Link::kSymbolic, true},
      {"copy over hard link", Link::kHard, true},
      {"copy over dangling", Link::kDangling, true},
      {"stream over symlink", Link::kSymbolic, false},
      {"stream over hard link", Link::kHard, false},
      {"stream over dangling", Link::kDangling, false},
  };
  for (const LinkRow& row : rows) {
    SCOPED_TRACE(row.label);
    for (const char* name : {"staged.bin", "outside.txt"}) unlink(dir.hostPath(name).c_str());
    dir.write("source.bin", "the staged bytes");
    if (row.link != Link::kDangling) {
      dir.write("outside.txt", "the user's own");
      ASSERT_EQ(chmod(dir.hostPath("outside.txt").c_str(), 0600), 0);
    }
    const std::string outside = dir.hostPath("outside.txt");
    const std::string staged = dir.hostPath("staged.bin");
    ASSERT_EQ(row.link == Link::kHard ? link(outside.c_str(), staged.c_str())
                                      : symlink(outside.c_str(), staged.c_str()),
              0);
    if (row.copy) {
      EXPECT_TRUE(platform::CopyFileKeepTimes(dir.programPath("source.bin"),
                                              dir.programPath("staged.bin")));
    } else {
      std::FILE* stream = platform::OpenStdioFile(dir.programPath("staged.bin"), "wb");
      ASSERT_NE(stream, nullptr);
      EXPECT_EQ(std::fwrite("the staged bytes", 1, 16, stream), 16u);
      EXPECT_EQ(std::fclose(stream), 0);
    }
    EXPECT_EQ(dir.read("staged.bin"), "the staged bytes");
    struct stat st;
    ASSERT_EQ(lstat(staged.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    if (row.link == Link::kDangling) {
      EXPECT_FALSE(dir.exists("outside.txt"));
    } else {
      EXPECT_EQ(dir.read("outside.txt"), "the user's own");
      EXPECT_EQ(Mode("outside.txt"), 0600u);
    }
  }
}

TEST_F(PlatformReplace, ACopyOfAReadOnlyFileIsWritableAndReplacesAStaleReadOnlyCopy) {
  dir.write("Race1.gam", "the race");
  dir.setTime("Race1.gam", 1349470044);
  ASSERT_EQ(chmod(dir.hostPath("Race1.gam").c_str(), 0444), 0);
  dir.write("staged.gam", "stale");
  ASSERT_EQ(chmod(dir.hostPath("staged.gam").c_str(), 0444), 0);
  ASSERT_TRUE(
      platform::CopyFileKeepTimes(dir.programPath("Race1.gam"), dir.programPath("staged.gam")));
  EXPECT_EQ(dir.read("staged.gam"), "the race");
  EXPECT_EQ(Mode("staged.gam"), 0644u);
  platform::FileInfo info;
  ASSERT_TRUE(platform::GetFileInfo(dir.programPath("staged.gam"), &info));
  EXPECT_EQ(info.written, 1349470044);
  EXPECT_EQ(platform::FileAttributes(dir.programPath("staged.gam")), platform::kAttrArchive);
}

struct LockRow {
  const char* label;
  void (*place)(const TempFolder& dir);
  bool taken;
  bool held;
};

TEST_F(PlatformReplace, TheLockFileIsOnlyEverAPlainFileOfOneName) {
  const LockRow rows[] = {
      {"missing", [](const TempFolder&) {}, true, false},
      {"left behind", [](const TempFolder& d) { d.write("a.lock", ""); }, true, false},
      {"folder", [](const TempFolder& d) { d.makeFolder("a.lock"); }, false, false},
      {"dangling link",
       [](const TempFolder& d) {
         symlink(d.hostPath("elsewhere").c_str(), d.hostPath("a.lock").c_str());
       },
       false, false},
      {"symlink to a file",
       [](const TempFolder& d) {
         d.write("elsewhere", "x");
         symlink(d.hostPath("elsewhere").c_str(), d.hostPath("a.lock").c_str());
       },
       false, false},
      {"hard link",
       [](const TempFolder& d) {
         d.write("elsewhere", "x");
         link(d.hostPath("elsewhere").c_str(), d.hostPath("a.lock").c_str());
       },
       false, false},
  };
  const std::string path = dir.programPath("a.lock");
  for (const LockRow& row : rows) {
    SCOPED_TRACE(row.label);
    std::remove(dir.hostPath("a.lock").c_str());
    std::remove(dir.hostPath("elsewhere").c_str());
    row.place(dir);
    const bool hadElsewhere = dir.exists("elsewhere");
    bool held = true;
    platform::File* lock = platform::TakeLockFile(path, &held);
    EXPECT_EQ(lock != nullptr, row.taken);
    EXPECT_EQ(held, row.held);
    EXPECT_EQ(dir.exists("elsewhere"), hadElsewhere);
    if (hadElsewhere) {
      EXPECT_EQ(dir.read("elsewhere"), "x");
    }
    if (lock != nullptr) {
      bool second = false;
      EXPECT_EQ(platform::TakeLockFile(path, &second), nullptr);
      EXPECT_TRUE(second);
      platform::ReleaseLockFile(lock, path);
    }
  }
}

TEST_F(PlatformReplace, TheSweepLeavesLinksAndFilesOfOtherNamesAlone) {
  dir.write("outside.txt", "kept");
  ASSERT_EQ(link(dir.hostPath("outside.txt").c_str(), dir.hostPath("hard.tmp").c_str()), 0);
  ASSERT_EQ(symlink(dir.hostPath("outside.txt").c_str(), dir.hostPath("soft.tmp").c_str()), 0);
  EXPECT_FALSE(platform::DeleteFileNotInUse(dir.programPath("hard.tmp")));
  EXPECT_FALSE(platform::DeleteFileNotInUse(dir.programPath("soft.tmp")));
  EXPECT_TRUE(dir.exists("hard.tmp"));
  EXPECT_TRUE(dir.exists("soft.tmp"));
  EXPECT_EQ(dir.read("outside.txt"), "kept");
}

TEST_F(PlatformReplace, TheNewFileReachesTheDiskBeforeItsNameAndTheNameBeforeSuccess) {
  dir.write("new.zip", "new");
  dir.write("old.zip", "old");
  platform::RecordCalls();
  ASSERT_TRUE(platform::ReplaceFileWith(dir.programPath("new.zip"), dir.programPath("old.zip")));
  // The folder is opened for its flush before the rename: after it, only
  // the disk itself can fail.
  EXPECT_EQ(platform::RecordedCalls(),
            std::vector<Op>({Op::kOpen, Op::kFlush, Op::kRename, Op::kFlush}));
  // A flush that fails leaves both files as they were.
  dir.write("new.zip", "newer");
  platform::FailNthCall(Op::kFlush, 1);
  EXPECT_FALSE(platform::ReplaceFileWith(dir.programPath("new.zip"), dir.programPath("old.zip")));
  EXPECT_EQ(dir.read("old.zip"), "new");
  EXPECT_EQ(dir.read("new.zip"), "newer");
}

// The calls of kinds `kinds` in the record, in order.
std::vector<Op> Recorded(std::initializer_list<Op> kinds) {
  std::vector<Op> calls;
  for (const Op op : platform::RecordedCalls()) {
    for (const Op kind : kinds) {
      if (op == kind) calls.push_back(op);
    }
  }
  return calls;
}

TEST_F(PlatformReplace, TheRememberedGameFolderReachesTheDiskInTheSameOrder) {
  const char* before = std::getenv("XDG_CONFIG_HOME");
  const std::string kept = before != nullptr ? before : "";
  setenv("XDG_CONFIG_HOME", dir.host().c_str(), 1);
  platform::RecordCalls();
  EXPECT_TRUE(platform::ReplaceUserFile("folder.txt", "/home/a/game"));
  EXPECT_EQ(Recorded({Op::kFlush, Op::kRename}),
            std::vector<Op>({Op::kFlush, Op::kRename, Op::kFlush}));
  EXPECT_EQ(dir.read("lapbundle/folder.txt"), "/home/a/game");
  if (before != nullptr) {
    setenv("XDG_CONFIG_HOME", kept.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
