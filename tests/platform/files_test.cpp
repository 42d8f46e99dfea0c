#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <future>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/testing/temp_folder.h"

namespace {

class PlatformFiles : public ::testing::Test {
 protected:
  void SetUp() override { platform::ResetFaults(); }
  void TearDown() override { platform::ResetFaults(); }
  TempFolder dir;
};

TEST_F(PlatformFiles, HostPathTranslatesSeparatorsCodePageAndCase) {
  dir.write("Tracks/Hills/Oakfield.trk", "x");
  dir.write("R\xC3\xA4" "ce.gam", "y");
  EXPECT_EQ(platform::HostPath(dir.programPath("Tracks\\Hills\\Oakfield.trk")),
            dir.hostPath("Tracks/Hills/Oakfield.trk"));
  EXPECT_EQ(platform::HostPath(dir.programPath("TRACKS\\hills\\OAKFIELD.TRK")),
            dir.hostPath("Tracks/Hills/Oakfield.trk"));
  EXPECT_EQ(platform::HostPath(dir.programPath("r\xC4" "CE.GAM")), dir.hostPath("R\xC3\xA4" "ce.gam"));
  // A missing component stays as written, and so does everything after it.
  EXPECT_EQ(platform::HostPath(dir.programPath("tracks\\Nope\\x.trk")),
            dir.hostPath("Tracks/Nope/x.trk"));
}

TEST_F(PlatformFiles, CurrentFolderEndsInOneBackslash) {
  {
    ScopedCurrentFolder here(dir.host());
    EXPECT_EQ(platform::CurrentFolder(), dir.program());
  }
  ScopedCurrentFolder root("/");
  EXPECT_EQ(platform::CurrentFolder(), "\\");
}

// The contents of a file named by a program path, "(missing)" when it
// cannot be opened.
std::string ReadThrough(const std::string& path) {
  platform::File* file = platform::OpenFile(path, platform::OpenMode::kReadAny);
  if (file == nullptr) return "(missing)";
  std::string bytes(64, '\0');
  const std::int64_t got = platform::ReadFile(file, bytes.data(), 64);
  platform::CloseFile(file);
  bytes.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return bytes;
}

TEST_F(PlatformFiles, TheCurrentFolderIsReachedByItsOwnNameBesideLookAlikes) {
  // Each pair of the first three has one program text ("???", "?????").
  const char* const names[] = {"\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0",  // ゲーム
                               "\xE3\x83\xAC\xE3\x83\xBC\xE3\x82\xB9",  // レース
                               "\xD0\x93\xD0\xBE\xD0\xBD\xD0\xBA\xD0\xB8",  // Гонки
                               "\xC5\x81\xC3\xB3\x64\xC5\xBA",  // Łódź
                               "R\xC3\xA4" "der"};
  for (const char* name : names) dir.write(std::string(name) + "/Race.txt", name);
  for (const char* name : names) {
    SCOPED_TRACE(name);
    ScopedCurrentFolder here(dir.hostPath(name));
    EXPECT_EQ(ReadThrough(platform::CurrentFolder() + "RACE.TXT"), name);
    EXPECT_EQ(platform::FileAttributes(platform::CurrentFolder()), platform::kAttrDirectory);
  }
}

TEST_F(PlatformFiles, LookupNeverTakesANameThatOnlyMatchesThroughAReplacement) {
  dir.write("\xE3\x82\xB2\xE3\x83\xBC\xE3\x83\xA0/a.txt", "1");  // ゲーム
  dir.write("\xE3\x83\xAC\xE3\x83\xBC\xE3\x82\xB9/a.txt", "2");  // レース
  dir.write("\xD0\x93\xD0\xBE\xD0\xBD\xD0\xBA\xD0\xB8/a.txt", "3");  // Гонки, alone
  dir.write("Wh?/a.txt", "4");  // a real question mark
  struct Row {
    const char* path;
    std::string contents;
  };
  const Row rows[] = {{"???\\a.txt", "(missing)"},
                      {"?????\\a.txt", "(missing)"},
                      {"WH?\\A.TXT", "4"}};
  for (const Row& row : rows) {
    EXPECT_EQ(ReadThrough(dir.programPath(row.path)), row.contents) << row.path;
  }
}

TEST_F(PlatformFiles, WritersDenyOtherWritersButNotPlainReaders) {
  dir.write("a.prf", "k=1");
  std::string path = dir.programPath("a.prf");
  platform::File* holder = platform::OpenFile(path, platform::OpenMode::kReadWriteDenyWrite);
  ASSERT_NE(holder, nullptr);
  EXPECT_EQ(platform::OpenFile(path, platform::OpenMode::kReadWriteDenyWrite), nullptr);
  EXPECT_EQ(platform::OpenFile(path, platform::OpenMode::kReadDenyWrite), nullptr);
  EXPECT_EQ(platform::OpenFile(path, platform::OpenMode::kCreateDenyWrite), nullptr);
  EXPECT_EQ(dir.read("a.prf"), "k=1");  // a refused create never truncates
  platform::File* reader = platform::OpenFile(path, platform::OpenMode::kReadAny);
  ASSERT_NE(reader, nullptr);
  EXPECT_TRUE(platform::CloseFile(reader));
  EXPECT_TRUE(platform::CloseFile(holder));
  platform::File* again = platform::OpenFile(path, platform::OpenMode::kReadDenyWrite);
  EXPECT_NE(again, nullptr);
  platform::CloseFile(again);
}

TEST_F(PlatformFiles, FoldersAreNotFiles) {
  dir.makeFolder("Saves");
  EXPECT_EQ(platform::OpenFile(dir.programPath("Saves"), platform::OpenMode::kReadAny), nullptr);
  EXPECT_EQ(platform::FileAttributes(dir.programPath("Saves")), platform::kAttrDirectory);
  EXPECT_FALSE(platform::DeleteFileAt(dir.programPath("Saves")));
  EXPECT_TRUE(platform::MakeFolder(dir.programPath("zip")));
  EXPECT_FALSE(platform::MakeFolder(dir.programPath("zip")));
}

// Opens with the platform on another thread. An open still waiting after a
// while is a failure; it is freed by opening the pipe's writing end.
platform::File* OpenWithoutWaiting(const TempFolder& dir, const char* name,
                                   platform::OpenMode mode) {
  auto opened = std::async(std::launch::async,
                           [&] { return platform::OpenFile(dir.programPath(name), mode); });
  if (opened.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return opened.get();
  ADD_FAILURE() << "the open waits for the other end of " << name;
  const int writer = open(dir.hostPath(name).c_str(), O_WRONLY | O_NONBLOCK);
  platform::File* file = opened.get();
  close(writer);
  return file;
}

TEST_F(PlatformFiles, PipesAndDevicesAreNeitherOpenedNorWaitedFor) {
  ASSERT_EQ(mkfifo(dir.hostPath("pipe.gam").c_str(), 0644), 0);
  ASSERT_EQ(symlink("/dev/zero", dir.hostPath("zero.gam").c_str()), 0);
  for (const char* name : {"pipe.gam", "zero.gam"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(platform::FileAttributes(dir.programPath(name)), platform::kAttrDevice);
    for (const auto mode : {platform::OpenMode::kReadAny, platform::OpenMode::kReadDenyWrite}) {
      platform::File* file = OpenWithoutWaiting(dir, name, mode);
      EXPECT_EQ(file, nullptr);
      platform::CloseFile(file);
    }
  }
}

TEST_F(PlatformFiles, AttributeWord) {
  dir.write("f.txt", "1");
  EXPECT_EQ(platform::FileAttributes(dir.programPath("f.txt")), platform::kAttrArchive);
  chmod(dir.hostPath("f.txt").c_str(), 0444);
  EXPECT_EQ(platform::FileAttributes(dir.programPath("f.txt")),
            platform::kAttrArchive | platform::kAttrReadOnly);
  EXPECT_EQ(platform::FileAttributes(dir.programPath("none")), platform::kInvalidAttributes);
}

TEST_F(PlatformFiles, CopyKeepsTimeAndModeAndReplacesTarget) {
  dir.write("src.bin", std::string(3 << 20, 'a'));
  dir.setTime("src.bin", 1349470044);
  chmod(dir.hostPath("src.bin").c_str(), 0640);
  dir.write("dst.bin", "old content");
  ASSERT_TRUE(platform::CopyFileKeepTimes(dir.programPath("src.bin"), dir.programPath("dst.bin")));
  EXPECT_EQ(dir.read("dst.bin"), dir.read("src.bin"));
  platform::FileInfo info;
  ASSERT_TRUE(platform::GetFileInfo(dir.programPath("dst.bin"), &info));
  EXPECT_EQ(info.written, 1349470044);
  struct stat st;
  stat(dir.hostPath("dst.bin").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_FALSE(platform::CopyFileKeepTimes(dir.programPath("none"), dir.programPath("x")));
  EXPECT_FALSE(dir.exists("x"));
}

TEST_F(PlatformFiles, CopyOntoItselfFailsAndKeepsTheFile) {
  dir.write("Race1.gam", "the race");
  ASSERT_EQ(link(dir.hostPath("Race1.gam").c_str(), dir.hostPath("linked.gam").c_str()), 0);
  for (const char* target : {"Race1.gam", "RACE1.GAM", "sub\\..\\Race1.gam", "linked.gam"}) {
    SCOPED_TRACE(target);
    dir.makeFolder("sub");
    EXPECT_FALSE(platform::CopyFileKeepTimes(dir.programPath("Race1.gam"), dir.programPath(target)));
    EXPECT_EQ(dir.read("Race1.gam"), "the race");
  }
}

TEST_F(PlatformFiles, ReplaceRenamesOverAnExistingFileAndCreateNewRefusesOne) {
  dir.write("new.zip", "new");
  dir.write("old.zip", "old");
  EXPECT_EQ(platform::OpenFile(dir.programPath("old.zip"), platform::OpenMode::kCreateNew), nullptr);
  EXPECT_EQ(dir.read("old.zip"), "old");
  platform::FailNthCall(platform::Op::kRename, 1);
  EXPECT_FALSE(platform::ReplaceFileWith(dir.programPath("new.zip"), dir.programPath("old.zip")));
  EXPECT_EQ(dir.read("old.zip"), "old");
  EXPECT_TRUE(platform::ReplaceFileWith(dir.programPath("new.zip"), dir.programPath("old.zip")));
  EXPECT_EQ(dir.read("old.zip"), "new");
  EXPECT_FALSE(dir.exists("new.zip"));
}

TEST_F(PlatformFiles, FaultTableFailsTheNthCallAndCounts) {
  std::string path = dir.programPath("w.bin");
  platform::File* f = platform::OpenFile(path, platform::OpenMode::kCreateWrite);
  ASSERT_NE(f, nullptr);
  platform::FailNthCall(platform::Op::kWrite, 2);
  EXPECT_TRUE(platform::WriteFile(f, "ab", 2));
  EXPECT_FALSE(platform::WriteFile(f, "cd", 2));
  EXPECT_TRUE(platform::WriteFile(f, "ef", 2));
  EXPECT_EQ(platform::CallCount(platform::Op::kWrite), 3);
  platform::FailNthCall(platform::Op::kWrite, 1, /*sticky=*/true);
  EXPECT_FALSE(platform::WriteFile(f, "gh", 2));
  EXPECT_FALSE(platform::WriteFile(f, "ij", 2));
  EXPECT_TRUE(platform::CloseFile(f));
  EXPECT_EQ(dir.read("w.bin"), "abef");

  platform::ResetFaults();
  platform::SetPausesEnabled(false);
  platform::PauseMs(300);
  platform::PauseMs(10);
  platform::SetPausesEnabled(true);
  EXPECT_EQ(platform::CallCount(platform::Op::kPause), 2);
  EXPECT_EQ(platform::PausedMs(), 310);
}

TEST_F(PlatformFiles, StdioStreamReportsInjectedWriteFailure) {
  std::string path = dir.programPath("s.bin");
  std::FILE* ok = platform::OpenStdioFile(path, "wb");
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(std::fwrite("hello", 1, 5, ok), 5u);
  EXPECT_EQ(std::fclose(ok), 0);
  EXPECT_EQ(dir.read("s.bin"), "hello");

  std::FILE* bad = platform::OpenStdioFile(path, "wb");
  ASSERT_NE(bad, nullptr);
  platform::FailNthCall(platform::Op::kWrite, 1, /*sticky=*/true);
  std::fwrite("hello", 1, 5, bad);
  EXPECT_NE(std::fclose(bad), 0);  // the buffered bytes never reached the disk
  EXPECT_EQ(platform::OpenStdioFile(dir.programPath("no\\such\\f.bin"), "wb"), nullptr);
}

TEST_F(PlatformFiles, LocalTimeUsesTheOffsetInForceNow) {
  const char* old = std::getenv("TZ");
  std::string saved = old ? old : "";
  setenv("TZ", "UTC-2", 1);  // two hours east of UTC, no daylight saving
  tzset();
  platform::LocalTime t;
  ASSERT_TRUE(platform::FileTimeToLocal(1349470044 - 7200, &t));
  EXPECT_EQ(t.year, 2012);
  EXPECT_EQ(t.month, 10);
  EXPECT_EQ(t.day, 5);
  EXPECT_EQ(t.hour, 20);
  EXPECT_EQ(t.minute, 47);
  EXPECT_EQ(t.second, 24);
  if (old) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

}  // namespace
