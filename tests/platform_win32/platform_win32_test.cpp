#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;
using platform::OpenMode;

// A fresh folder for one test, as a program path ending in "\".
class Win32PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[MAX_PATH];
    std::string base = fs::temp_directory_path().string();
    ASSERT_NE(GetTempFileNameA(base.c_str(), "lbt", 0, name), 0u);
    DeleteFileA(name);
    ASSERT_TRUE(CreateDirectoryA(name, nullptr));
    dir_ = std::string(name) + "\\";
    platform::ResetFaults();
  }
  void TearDown() override {
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(dir_, error)) {
      SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    fs::remove_all(dir_, error);
  }
  std::string Path(const std::string& name) const { return dir_ + name; }
  std::string Read(const std::string& name) const { return ReadAt(Path(name)); }
  // The first bytes of the file at a program path, "(missing)" if it cannot be opened.
  static std::string ReadAt(const std::string& path) {
    std::string bytes(64, '\0');
    platform::File* f = platform::OpenFile(path, OpenMode::kReadAny);
    if (f == nullptr) return "(missing)";
    bytes.resize(static_cast<std::size_t>(
        std::max<std::int64_t>(platform::ReadFile(f, bytes.data(), 64), 0)));
    platform::CloseFile(f);
    return bytes;
  }
  void Write(const std::string& name, const std::string& bytes) const {
    platform::File* f = platform::OpenFile(Path(name), OpenMode::kCreateWrite);
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(platform::WriteFile(f, bytes.data(), static_cast<std::int64_t>(bytes.size())));
    ASSERT_TRUE(platform::CloseFile(f));
  }
  void SetWriteTime(const std::string& name, std::int64_t utcSeconds) const {
    HANDLE h = CreateFileA(Path(name).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    auto ticks = static_cast<std::uint64_t>((utcSeconds + 11644473600LL) * 10000000LL);
    FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
    CloseHandle(h);
  }
  std::string dir_;
};

TEST_F(Win32PlatformTest, FileTimesAreSecondsSince1970Utc) {
  // 2001-09-09 01:46:40 UTC, a moment before 1970, and the first second.
  for (std::int64_t t : {1000000000LL, -86400LL, 0LL}) {
    Write("a.gam", "x");
    SetWriteTime("a.gam", t);
    platform::FileInfo info;
    ASSERT_TRUE(platform::GetFileInfo(Path("a.gam"), &info));
    EXPECT_EQ(info.written, t);
    platform::Search* search = nullptr;
    platform::FoundEntry entry;
    ASSERT_EQ(platform::StartSearch(Path("*.gam"), &search, &entry), platform::SearchStart::kFound);
    EXPECT_EQ(entry.written, t);
    platform::EndSearch(search);
  }
}

TEST_F(Win32PlatformTest, LocalTimeSplitsAndRefusesOutOfRange) {
  platform::LocalTime local{};
  ASSERT_TRUE(platform::FileTimeToLocal(1000000000, &local));  // TZ=UTC in the test
  EXPECT_EQ(local.year, 2001);
  EXPECT_EQ(local.month, 9);
  EXPECT_EQ(local.day, 9);
  EXPECT_EQ(local.hour * 3600 + local.minute * 60 + local.second, 1 * 3600 + 46 * 60 + 40);
  EXPECT_FALSE(platform::FileTimeToLocal(-11644473601LL, &local));  // before 1601
  EXPECT_FALSE(platform::FileTimeToLocal(INT64_MAX, &local));
  EXPECT_FALSE(platform::FileTimeToLocal(INT64_MIN, &local));
}

TEST_F(Win32PlatformTest, ShareModesKeepWritersOut) {
  struct Case {
    OpenMode held;
    OpenMode second;
    bool opens;
  };
  const Case cases[] = {
      {OpenMode::kCreateDenyWrite, OpenMode::kReadAny, true},
      {OpenMode::kCreateDenyWrite, OpenMode::kReadDenyWrite, false},
      {OpenMode::kCreateDenyWrite, OpenMode::kReadWriteDenyWrite, false},
      {OpenMode::kReadDenyWrite, OpenMode::kReadDenyWrite, true},
      {OpenMode::kReadDenyWrite, OpenMode::kCreateWrite, false},
      {OpenMode::kReadAny, OpenMode::kOpenOrCreate, true},
  };
  for (const Case& c : cases) {
    Write("s.txt", "keep");
    platform::File* held = platform::OpenFile(Path("s.txt"), c.held);
    ASSERT_NE(held, nullptr);
    platform::File* second = platform::OpenFile(Path("s.txt"), c.second);
    EXPECT_EQ(second != nullptr, c.opens)
        << static_cast<int>(c.held) << "/" << static_cast<int>(c.second);
    platform::CloseFile(second);
    platform::CloseFile(held);
  }
  // A refused truncating open leaves the held file's bytes alone.
  Write("t.txt", "data");
  platform::File* reader = platform::OpenFile(Path("t.txt"), OpenMode::kReadDenyWrite);
  EXPECT_EQ(platform::OpenFile(Path("t.txt"), OpenMode::kCreateDenyWrite), nullptr);
  char buffer[8] = {};
  EXPECT_EQ(platform::ReadFile(reader, buffer, 8), 4);
  EXPECT_TRUE(platform::CloseFile(reader));
}

TEST_F(Win32PlatformTest, ReadSeekTruncateAndSize) {
  platform::File* f = platform::OpenFile(Path("f.bin"), OpenMode::kCreateDenyWrite);
  ASSERT_NE(f, nullptr);
  ASSERT_TRUE(platform::WriteFile(f, "0123456789", 10));
  EXPECT_EQ(platform::FileSize(f), 10);
  EXPECT_TRUE(platform::TruncateFile(f, 4));  // keeps the position at 10
  EXPECT_EQ(platform::FileSize(f), 4);
  EXPECT_TRUE(platform::SeekFile(f, 1));
  char buffer[16] = {};
  EXPECT_EQ(platform::ReadFile(f, buffer, 16), 3);
  EXPECT_EQ(std::string(buffer), "123");
  EXPECT_EQ(platform::ReadFile(f, buffer, 16), 0);
  EXPECT_FALSE(platform::SeekFile(f, -1));
  EXPECT_TRUE(platform::CloseFile(f));
  // Create-or-truncate empties an existing file; open-or-create keeps it.
  f = platform::OpenFile(Path("f.bin"), OpenMode::kOpenOrCreate);
  EXPECT_EQ(platform::FileSize(f), 4);
  platform::CloseFile(f);
  f = platform::OpenFile(Path("f.bin"), OpenMode::kCreateWrite);
  EXPECT_EQ(platform::FileSize(f), 0);
  platform::CloseFile(f);
  // Create-new makes a missing file only; an existing one keeps its bytes.
  Write("n.bin", "kept");
  EXPECT_EQ(platform::OpenFile(Path("n.bin"), OpenMode::kCreateNew), nullptr);
  EXPECT_EQ(Read("n.bin"), "kept");
  f = platform::OpenFile(Path("new.bin"), OpenMode::kCreateNew);
  EXPECT_NE(f, nullptr);
  EXPECT_TRUE(platform::CloseFile(f));
  EXPECT_EQ(platform::OpenFile(Path("missing"), OpenMode::kReadAny), nullptr);
  EXPECT_EQ(platform::OpenFile(dir_, OpenMode::kReadAny), nullptr);  // a folder
}

TEST_F(Win32PlatformTest, StdioStreamsWriteAppendAndRead) {
  std::FILE* out = platform::OpenStdioFile(Path("z.bin"), "wb");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(std::fwrite("ab\ncd", 1, 5, out), 5u);
  // The archive being written cannot be written by anyone else meanwhile.
  EXPECT_EQ(platform::OpenFile(Path("z.bin"), OpenMode::kReadWriteDenyWrite), nullptr);
  EXPECT_EQ(std::fclose(out), 0);
  out = platform::OpenStdioFile(Path("z.bin"), "ab");
  ASSERT_NE(out, nullptr);
  std::fputs("ef", out);
  EXPECT_EQ(std::fclose(out), 0);
  std::FILE* in = platform::OpenStdioFile(Path("z.bin"), "rb");
  ASSERT_NE(in, nullptr);
  char buffer[16] = {};
  EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, in), 7u);  // binary: no "\r\n"
  EXPECT_EQ(std::string(buffer), "ab\ncdef");
  std::fclose(in);
  EXPECT_EQ(platform::OpenStdioFile(Path("none.bin"), "rb"), nullptr);
  EXPECT_EQ(platform::OpenStdioFile(Path("z.bin"), "x"), nullptr);
}

TEST_F(Win32PlatformTest, AttributesCopyAndDelete) {
  Write("src.gam", "payload");
  SetWriteTime("src.gam", 1500000000);
  EXPECT_EQ(platform::FileAttributes(Path("src.gam")), platform::kAttrArchive);
  EXPECT_EQ(platform::FileAttributes(dir_), platform::kAttrDirectory);
  EXPECT_EQ(platform::FileAttributes(Path("nothing")), platform::kInvalidAttributes);
  ASSERT_TRUE(SetFileAttributesA(Path("src.gam").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(platform::FileAttributes(Path("src.gam")),
            platform::kAttrArchive | platform::kAttrReadOnly);

  // The copy keeps the time but is never read-only, and can be deleted.
  ASSERT_TRUE(platform::CopyFileKeepTimes(Path("src.gam"), Path("copy.gam")));
  platform::FileInfo info;
  ASSERT_TRUE(platform::GetFileInfo(Path("copy.gam"), &info));
  EXPECT_EQ(info.written, 1500000000);
  EXPECT_EQ(info.size, 7);
  EXPECT_EQ(info.attributes & platform::kAttrReadOnly, 0u);
  EXPECT_TRUE(platform::DeleteFileAt(Path("copy.gam")));
  EXPECT_EQ(platform::FileAttributes(Path("copy.gam")), platform::kInvalidAttributes);
  EXPECT_FALSE(platform::DeleteFileAt(Path("copy.gam")));
  EXPECT_FALSE(platform::DeleteFileAt(dir_));  // never a folder
  EXPECT_FALSE(platform::CopyFileKeepTimes(Path("none"), Path("copy.gam")));

  EXPECT_TRUE(platform::MakeFolder(Path("zip")));
  EXPECT_FALSE(platform::MakeFolder(Path("zip")));
  // An injected copy failure happens before any byte is copied.
  platform::FailNthCall(platform::Op::kCopy, 1);
  EXPECT_FALSE(platform::CopyFileKeepTimes(Path("src.gam"), Path("c2.gam")));
  EXPECT_EQ(platform::FileAttributes(Path("c2.gam")), platform::kInvalidAttributes);
  EXPECT_TRUE(platform::CopyFileKeepTimes(Path("src.gam"), Path("c2.gam")));
}

// A name Windows keeps for a device opens the device, in any folder: it is
// neither opened as a file nor copied.
TEST_F(Win32PlatformTest, DevicesAreNeitherOpenedNorCopied) {
  for (const char* name : {"nul", "NUL.gam"}) {
    platform::File* file = platform::OpenFile(Path(name), OpenMode::kReadAny);
    EXPECT_EQ(file, nullptr) << name;
    platform::CloseFile(file);
    EXPECT_FALSE(platform::CopyFileKeepTimes(Path(name), Path("copy.gam"))) << name;
    EXPECT_EQ(platform::FileAttributes(Path("copy.gam")), platform::kInvalidAttributes);
  }
}

TEST_F(Win32PlatformTest, CopyOntoItselfFailsAndKeepsTheBytes) {
  Write("Race1.gam", "the race");
  ASSERT_TRUE(CreateHardLinkA(Path("link.gam").c_str(), Path("Race1.gam").c_str(), nullptr));
  for (const char* target : {"Race1.gam", "RACE1.GAM", "link.gam"}) {
    EXPECT_FALSE(platform::CopyFileKeepTimes(Path("Race1.gam"), Path(target))) << target;
    EXPECT_EQ(Read("Race1.gam"), "the race") << target;
  }
}

TEST_F(Win32PlatformTest, ReplaceRenamesOverAnExistingFileOrLeavesBoth) {
  Write("new.tmp", "new");
  Write("Race.zip", "old");
  platform::FailNthCall(platform::Op::kRename, 1);
  EXPECT_FALSE(platform::ReplaceFileWith(Path("new.tmp"), Path("Race.zip")));
  EXPECT_EQ(Read("new.tmp") + Read("Race.zip"), "newold");
  EXPECT_TRUE(platform::ReplaceFileWith(Path("new.tmp"), Path("Race.zip")));
  EXPECT_EQ(Read("Race.zip"), "new");
  EXPECT_EQ(platform::FileAttributes(Path("new.tmp")), platform::kInvalidAttributes);
}

TEST_F(Win32PlatformTest, AReadOnlyFileIsNotReplaced) {
  Write("new.tmp", "new");
  Write("Race.zip", "old");
  ASSERT_TRUE(SetFileAttributesA(Path("Race.zip").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(platform::ReplaceFileWith(Path("new.tmp"), Path("Race.zip")));
  EXPECT_EQ(Read("new.tmp") + Read("Race.zip"), "newold");
}

TEST_F(Win32PlatformTest, OneTakerHoldsTheLockFileAndItGoesWithTheRelease) {
  const std::string path = Path("a.lock");
  platform::File* first = platform::TakeLockFile(path);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(platform::TakeLockFile(path), nullptr);
  platform::ReleaseLockFile(first, path);
  EXPECT_EQ(platform::FileAttributes(path), platform::kInvalidAttributes);
  platform::File* second = platform::TakeLockFile(path);
  EXPECT_NE(second, nullptr);
  platform::ReleaseLockFile(second, path);
  EXPECT_EQ(platform::TakeLockFile(Path("no\\a.lock")), nullptr);
}

TEST_F(Win32PlatformTest, DeletesOnlyFilesNoOneWritesAndCreatesOnlyNewStreams) {
  Write("free.tmp", "left behind");
  platform::File* writer = platform::OpenFile(Path("busy.tmp"), OpenMode::kCreateWrite);
  ASSERT_NE(writer, nullptr);
  EXPECT_TRUE(platform::DeleteFileNotInUse(Path("free.tmp")));
  EXPECT_FALSE(platform::DeleteFileNotInUse(Path("busy.tmp")));
  platform::CloseFile(writer);
  EXPECT_TRUE(platform::DeleteFileNotInUse(Path("busy.tmp")));

  Write("taken.bin", "kept");
  EXPECT_EQ(platform::OpenStdioFile(Path("taken.bin"), "wbx"), nullptr);
  EXPECT_EQ(Read("taken.bin"), "kept");
  std::FILE* fresh = platform::OpenStdioFile(Path("fresh.bin"), "wbx");
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(std::fwrite("new", 1, 3, fresh), 3u);
  EXPECT_EQ(std::fclose(fresh), 0);
  EXPECT_EQ(Read("fresh.bin"), "new");
}

TEST_F(Win32PlatformTest, CopiesAndNewFilesReplaceHardLinksAndStaleReadOnlyCopies) {
  for (const bool copy : {true, false}) {
    SCOPED_TRACE(copy ? "copy" : "stream");
    DeleteFileA(Path("staged.bin").c_str());
    SetFileAttributesA(Path("stale.bin").c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(Path("stale.bin").c_str());
    Write("source.bin", "the staged bytes");
    Write("outside.txt", "the user's own");
    ASSERT_TRUE(CreateHardLinkA(Path("staged.bin").c_str(), Path("outside.txt").c_str(), nullptr));
    Write("stale.bin", "stale");
    ASSERT_TRUE(SetFileAttributesA(Path("stale.bin").c_str(), FILE_ATTRIBUTE_READONLY));
    for (const char* target : {"staged.bin", "stale.bin"}) {
      if (copy) {
        EXPECT_TRUE(platform::CopyFileKeepTimes(Path("source.bin"), Path(target))) << target;
      } else {
        std::FILE* stream = platform::OpenStdioFile(Path(target), "wb");
        ASSERT_NE(stream, nullptr) << target;
        EXPECT_EQ(std::fwrite("the staged bytes", 1, 16, stream), 16u);
        EXPECT_EQ(std::fclose(stream), 0);
      }
      EXPECT_EQ(Read(target), "the staged bytes") << target;
    }
    EXPECT_EQ(Read("outside.txt"), "the user's own");
  }
}

TEST_F(Win32PlatformTest, TheLockFileIsOnlyEverAPlainFileOfOneName) {
  const std::string path = Path("a.lock");
  ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
  bool held = true;
  EXPECT_EQ(platform::TakeLockFile(path, &held), nullptr);
  EXPECT_FALSE(held);
  ASSERT_TRUE(RemoveDirectoryA(path.c_str()));
  Write("elsewhere", "x");
  ASSERT_TRUE(CreateHardLinkA(path.c_str(), Path("elsewhere").c_str(), nullptr));
  held = true;
  EXPECT_EQ(platform::TakeLockFile(path, &held), nullptr);
  EXPECT_FALSE(held);
  EXPECT_EQ(Read("elsewhere"), "x");
  EXPECT_EQ(Read("a.lock"), "x");
  ASSERT_TRUE(DeleteFileA(path.c_str()));
  platform::File* first = platform::TakeLockFile(path, &held);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(platform::TakeLockFile(path, &held), nullptr);
  EXPECT_TRUE(held);
  platform::ReleaseLockFile(first, path);
}

TEST_F(Win32PlatformTest, TheNewFileReachesTheDiskBeforeItsNameAndTheNameBeforeSuccess) {
  using platform::Op;
  Write("new.tmp", "new");
  Write("Race.zip", "old");
  platform::RecordCalls();
  ASSERT_TRUE(platform::ReplaceFileWith(Path("new.tmp"), Path("Race.zip")));
  EXPECT_EQ(platform::RecordedCalls(), std::vector<Op>({Op::kFlush, Op::kRename, Op::kFlush}));
  Write("new.tmp", "newer");
  platform::FailNthCall(Op::kFlush, 1);
  EXPECT_FALSE(platform::ReplaceFileWith(Path("new.tmp"), Path("Race.zip")));
  EXPECT_EQ(Read("new.tmp") + Read("Race.zip"), "newernew");
}

TEST_F(Win32PlatformTest, TheRememberedGameFolderReachesTheDiskInTheSameOrder) {
  using platform::Op;
  platform::RecordCalls();
  EXPECT_TRUE(platform::ReplaceUserFile("flush-order.txt", "C:\\Games\\Race"));
  std::vector<Op> calls;
  for (const Op op : platform::RecordedCalls()) {
    if (op == Op::kFlush || op == Op::kRename) calls.push_back(op);
  }
  EXPECT_EQ(calls, std::vector<Op>({Op::kFlush, Op::kRename, Op::kFlush}));
  std::string contents;
  EXPECT_TRUE(platform::ReadUserFile("flush-order.txt", 100, &contents));
  EXPECT_EQ(contents, "C:\\Games\\Race");
}

// Holds a file open as a virus scanner would (no FILE_SHARE_DELETE) for a
// while, on a thread of its own.
class Holder {
 public:
  Holder(const std::string& path, int milliseconds) {
    handle_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    thread_ = std::thread([this, milliseconds] {
      Sleep(static_cast<DWORD>(milliseconds));
      CloseHandle(handle_);
    });
  }
  ~Holder() { thread_.join(); }
  bool holds() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
  std::thread thread_;
};

long long MsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start)
      .count();
}

TEST_F(Win32PlatformTest, ABriefHoldIsWaitedOutAndALongOneFailsAfterAboutTwoSeconds) {
  for (const bool replace : {true, false}) {
    SCOPED_TRACE(replace ? "rename" : "delete");
    Write("new.tmp", "new");
    Write("Race.zip", "old");
    auto start = std::chrono::steady_clock::now();
    {
      Holder holder(Path("Race.zip"), 300);
      ASSERT_TRUE(holder.holds());
      EXPECT_TRUE(replace ? platform::ReplaceFileWith(Path("new.tmp"), Path("Race.zip"))
                          : platform::DeleteFileAt(Path("Race.zip")));
      EXPECT_GE(MsSince(start), 300);
    }
    EXPECT_EQ(Read("Race.zip"), replace ? "new" : "(missing)");

    Write("new.tmp", "new");
    Write("Race.zip", "old");
    start = std::chrono::steady_clock::now();
    {
      Holder holder(Path("Race.zip"), 5000);
      ASSERT_TRUE(holder.holds());
      EXPECT_FALSE(replace ? platform::ReplaceFileWith(Path("new.tmp"), Path("Race.zip"))
                           : platform::DeleteFileAt(Path("Race.zip")));
      const long long waited = MsSince(start);
      EXPECT_GE(waited, 1800);
      EXPECT_LE(waited, 3500);
      EXPECT_EQ(Read("new.tmp") + Read("Race.zip"), "newold");
    }
  }
}

TEST_F(Win32PlatformTest, LargeFilesAreCopiedWholeAndKeptUnderAnotherName) {
  // Larger than the steps in which large files are copied and given back.
  const std::string big(40u << 20, 'b');
  Write("big.bmp", big);
  ASSERT_TRUE(platform::CopyFileKeepTimes(Path("big.bmp"), Path("copy.bmp")));
  ASSERT_TRUE(CreateHardLinkA(Path("kept.bmp").c_str(), Path("copy.bmp").c_str(), nullptr));
  EXPECT_TRUE(platform::DeleteFileAt(Path("copy.bmp")));
  EXPECT_EQ(platform::FileAttributes(Path("copy.bmp")), platform::kInvalidAttributes);
  EXPECT_TRUE(platform::DeleteFileAt(Path("big.bmp")));
  EXPECT_EQ(platform::FileAttributes(Path("big.bmp")), platform::kInvalidAttributes);
  platform::File* kept = platform::OpenFile(Path("kept.bmp"), OpenMode::kReadAny);
  ASSERT_NE(kept, nullptr);
  std::string bytes(big.size() + 1, '\0');
  EXPECT_EQ(platform::ReadFile(kept, bytes.data(), static_cast<std::int64_t>(bytes.size())),
            static_cast<std::int64_t>(big.size()));
  platform::CloseFile(kept);
  bytes.resize(big.size());
  EXPECT_TRUE(bytes == big);
}

TEST_F(Win32PlatformTest, SearchMatchesWithoutCaseAndTellsNoMatchFromFailure) {
  Write("Race1.GAM", "1");
  Write("race2.gam", "2");
  Write("shot.bmp", "3");
  platform::Search* search = nullptr;
  platform::FoundEntry entry;
  ASSERT_EQ(platform::StartSearch(Path("*.gam"), &search, &entry), platform::SearchStart::kFound);
  std::set<std::string> names{entry.name};
  while (platform::ContinueSearch(search, &entry)) names.insert(entry.name);
  platform::EndSearch(search);
  EXPECT_EQ(names, (std::set<std::string>{"Race1.GAM", "race2.gam"}));

  EXPECT_EQ(platform::StartSearch(Path("*.jpg"), &search, &entry), platform::SearchStart::kNoMatch);
  EXPECT_EQ(search, nullptr);
  EXPECT_EQ(platform::StartSearch(Path("nofolder\\*.gam"), &search, &entry),
            platform::SearchStart::kFailed);
  EXPECT_EQ(search, nullptr);
}

TEST_F(Win32PlatformTest, CurrentFolderEndsInOneBackslash) {
  char previous[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryA(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryA(dir_.c_str()));
  EXPECT_EQ(platform::CurrentFolder(), dir_);
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));
  EXPECT_EQ(platform::CurrentFolder(), "C:\\");
  SetCurrentDirectoryA(previous);
  EXPECT_EQ(platform::HostPath("a\\B.gam"), "a\\B.gam");
}

TEST_F(Win32PlatformTest, Windows1252NamesPassThrough) {
  if (GetACP() != 1252) GTEST_SKIP() << "ANSI code page " << GetACP();
  const std::string name = std::string("R\xE4") + "der.gam";
  Write(name, "x");
  platform::Search* search = nullptr;
  platform::FoundEntry entry;
  ASSERT_EQ(platform::StartSearch(Path("r\xC4*"), &search, &entry), platform::SearchStart::kFound);
  EXPECT_EQ(entry.name, name);
  platform::EndSearch(search);
}

// Names the ANSI code page cannot hold: two of one length, and one whose
// best-fit form ("Lodz" with an accent) is the name of its neighbour.
const wchar_t* const kWideNames[] = {L"\u30B2\u30FC\u30E0", L"\u30EC\u30FC\u30B9",
                                     L"\u0141\u00F3d\u017A", L"L\u00F3dz"};

std::wstring Wide(const std::string& ansi) {
  std::wstring wide(ansi.size(), L'\0');
  wide.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                          static_cast<int>(wide.size()))));
  return wide;
}

std::string Utf8(const std::wstring& wide) {
  std::string text(wide.size() * 3, '\0');
  text.resize(static_cast<std::size_t>(
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                          static_cast<int>(text.size()), nullptr, nullptr)));
  return text;
}

void WriteWide(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD put = 0;
  EXPECT_TRUE(::WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr));
  CloseHandle(h);
}

std::wstring CurrentWide() {
  wchar_t buffer[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, buffer);
  return buffer;
}

TEST_F(Win32PlatformTest, TheCurrentFolderIsReachedByItsOwnNameBesideLookAlikes) {
  const std::wstring base = Wide(dir_);
  const std::wstring previous = CurrentWide();
  for (const wchar_t* name : kWideNames) {
    ASSERT_TRUE(CreateDirectoryW((base + name).c_str(), nullptr));
    WriteWide(base + name + L"\\Race.txt", Utf8(name));
  }
  for (const wchar_t* name : kWideNames) {
    ASSERT_TRUE(SetCurrentDirectoryW((base + name).c_str()));
    EXPECT_EQ(ReadAt(platform::CurrentFolder() + "RACE.TXT"), Utf8(name)) << Utf8(name);
  }
  SetCurrentDirectoryW(previous.c_str());
}

TEST_F(Win32PlatformTest, EnteringAFolderTakesItsSystemName) {
  const std::wstring base = Wide(dir_);
  const std::wstring previous = CurrentWide();
  for (const wchar_t* name : kWideNames)
    ASSERT_TRUE(CreateDirectoryW((base + name).c_str(), nullptr));
  Write("file", "x");
  EXPECT_EQ(platform::EnterFolder(Utf8(base + L"missing")), platform::FolderEntry::kMissing);
  EXPECT_EQ(platform::EnterFolder(Utf8(base + L"file")), platform::FolderEntry::kNotFolder);
  EXPECT_EQ(CurrentWide(), previous);
  for (const wchar_t* name : kWideNames) {
    EXPECT_EQ(platform::EnterFolder(Utf8(base + name)), platform::FolderEntry::kEntered);
    EXPECT_EQ(CurrentWide(), base + name);
  }
  SetCurrentDirectoryW(previous.c_str());
}

TEST_F(Win32PlatformTest, FoundNamesNeverStandForAnotherFile) {
  const std::wstring base = Wide(dir_);
  WriteWide(base + kWideNames[2] + L".txt", "first");
  WriteWide(base + kWideNames[3] + L".txt", "second");
  platform::Search* search = nullptr;
  platform::FoundEntry entry;
  ASSERT_EQ(platform::StartSearch(Path("*.txt"), &search, &entry), platform::SearchStart::kFound);
  std::multiset<std::string> read{Read(entry.name)};
  while (platform::ContinueSearch(search, &entry)) read.insert(Read(entry.name));
  platform::EndSearch(search);
  // The name without an ANSI form opens nothing; the other opens its own file.
  EXPECT_EQ(read, (std::multiset<std::string>{"(missing)", "second"}));
}

TEST_F(Win32PlatformTest, SystemNamesSearchAndOpenEveryName) {
  // A folder without an ANSI form, holding a name without one and its
  // best-fit look-alike: each found and opened as itself.
  const std::wstring folder = Wide(dir_) + kWideNames[0];
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  WriteWide(folder + L"\\" + kWideNames[2] + L".zip", "first");
  WriteWide(folder + L"\\" + kWideNames[3] + L".zip", "second");
  platform::Search* search = nullptr;
  platform::FoundEntry entry;
  ASSERT_EQ(platform::StartFolderSearch(Utf8(folder), &search, &entry),
            platform::SearchStart::kFound);
  std::multiset<std::string> read, identities;
  do {
    if (entry.systemName == "." || entry.systemName == "..") continue;
    const std::string path = platform::SystemPathIn(Utf8(folder), entry.systemName);
    bool notRegular = true;
    std::FILE* file = platform::OpenFoundFile(path, &notRegular);
    ASSERT_NE(file, nullptr) << path;
    EXPECT_FALSE(notRegular);
    char bytes[16] = {};
    read.insert(std::string(bytes, std::fread(bytes, 1, sizeof bytes, file)));
    std::fclose(file);
    std::string identity;
    EXPECT_TRUE(platform::SystemFileIdentity(path, &identity)) << path;
    identities.insert(identity);
  } while (platform::ContinueSearch(search, &entry));
  platform::EndSearch(search);
  EXPECT_EQ(read, (std::multiset<std::string>{"first", "second"}));
  EXPECT_EQ(identities.size(), 2u);
  EXPECT_NE(*identities.begin(), *identities.rbegin());
  bool notRegular = false;
  EXPECT_EQ(platform::OpenFoundFile(Utf8(folder), &notRegular), nullptr);
  EXPECT_TRUE(notRegular);
}

}  // namespace
