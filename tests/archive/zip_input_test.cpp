// Unusual input files and calling orders.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "archive/zip_writer.h"
#include "platform/platform.h"
#include "tests/archive/archive_checks.h"

namespace {

using platform::Op;

struct ChunkCase {
  std::size_t size;
  long chunks;
};

TEST_F(ZipWriterTest, StreamsFilesInChunksOf102400Bytes) {
  const ChunkCase cases[] = {{1, 1},      {102399, 1}, {102400, 1},
                             {102401, 2}, {204800, 2}, {204801, 3}};
  for (const ChunkCase& c : cases) {
    SCOPED_TRACE(c.size);
    std::string bytes = NoisyBytes(c.size, static_cast<std::uint32_t>(c.size));
    folder_.write("chunks.bin", bytes);
    ASSERT_NE(CreateArchive(folder_.programPath("chunks.zip"), 0), 0);
    platform::ResetFaults();
    EXPECT_EQ(AddFileToArchive(folder_.programPath("chunks.bin"), 0), 0);
    EXPECT_EQ(platform::CallCount(Op::kPause), c.chunks);
    EXPECT_EQ(platform::PausedMs(), 10 * c.chunks);
    EXPECT_EQ(CloseArchive(), 0);
    ZipArchive zip = ExpectWellFormed(folder_.hostPath("chunks.zip"));
    ASSERT_EQ(zip.locals.size(), 1u);
    EXPECT_EQ(EntryData(zip.locals[0]), bytes);
  }
}

TEST_F(ZipWriterTest, PacksALargeFile) {
  std::string bytes = NoisyBytes(30 * 1024 * 1024, 30);
  folder_.write("large.bmp", bytes);
  ASSERT_NE(CreateArchive(folder_.programPath("large.zip"), 0), 0);
  EXPECT_EQ(AddFileToArchive(folder_.programPath("large.bmp"), 0), 0);
  EXPECT_EQ(platform::CallCount(Op::kPause), (30 * 1024 * 1024 + 102399) / 102400);
  EXPECT_EQ(CloseArchive(), 0);
  ZipArchive zip = ExpectWellFormed(folder_.hostPath("large.zip"));
  ASSERT_EQ(zip.locals.size(), 1u);
  EXPECT_TRUE(EntryData(zip.locals[0]) == bytes);
}

TEST_F(ZipWriterTest, EmptyFileGivesAnEmptyEntry) {
  folder_.write("empty.txt", "");
  ASSERT_NE(CreateArchive(folder_.programPath("empty.zip"), 0), 0);
  EXPECT_EQ(AddFileToArchive(folder_.programPath("empty.txt"), 0), -1);
  EXPECT_EQ(platform::CallCount(Op::kPause), 0);
  EXPECT_EQ(CloseArchive(), 0) << "an empty entry is a complete one";
  ZipArchive zip = ExpectWellFormed(folder_.hostPath("empty.zip"));
  ASSERT_EQ(zip.centrals.size(), 1u);
  EXPECT_EQ(zip.centrals[0].name, "empty.txt");
  EXPECT_EQ(zip.centrals[0].uncompressedSize, 0u);
  EXPECT_EQ(zip.centrals[0].compressedSize, 2u);
}

struct SkippedCase {
  const char* label;
  const char* path;  // relative to the temp folder
  bool needsNonRoot;
};

TEST_F(ZipWriterTest, LeavesOutFilesThatCannotBeOpened) {
  folder_.makeFolder("folder");
  folder_.write("locked.txt", "secret");
  chmod(folder_.hostPath("locked.txt").c_str(), 0);
  folder_.write("good.txt", "good");
  const SkippedCase cases[] = {
      {"missing", "missing.txt", false},
      {"folder", "folder", false},
      {"folder with separator", "folder\\", false},
      {"quoted missing", "\"missing.txt\"", false},
      {"no read access", "locked.txt", true},
  };
  for (const SkippedCase& c : cases) {
    SCOPED_TRACE(c.label);
    if (c.needsNonRoot && geteuid() == 0) {
      std::printf("skipped \"%s\": root may read any file\n", c.label);
      continue;
    }
    ASSERT_NE(CreateArchive(folder_.programPath("skip.zip"), 0), 0);
    EXPECT_EQ(AddFileToArchive(folder_.programPath("good.txt"), 0), 0);
    EXPECT_EQ(AddFileToArchive(folder_.programPath(c.path), 0), -1);
    EXPECT_EQ(CloseArchive(), 0) << "a file missing before its entry is left out silently";
    ZipArchive zip = ExpectWellFormed(folder_.hostPath("skip.zip"));
    ASSERT_EQ(zip.centrals.size(), 1u);
    EXPECT_EQ(zip.centrals[0].name, "good.txt");
  }
}

TEST_F(ZipWriterTest, RefusesAnExistingFileWithoutAUsableName) {
  // After the last "\" a quote ends the name at once: nothing is left.
  folder_.write("q/\"x\"", "quoted");
  ASSERT_NE(CreateArchive(folder_.programPath("noname.zip"), 0), 0);
  EXPECT_EQ(AddFileToArchive(folder_.programPath("q\\\"x\""), 0), -1);
  EXPECT_LT(CloseArchive(), 0) << "the file exists but is not in the archive";
  ZipArchive zip = ExpectWellFormed(folder_.hostPath("noname.zip"));
  EXPECT_EQ(zip.centrals.size(), 0u);
}

TEST_F(ZipWriterTest, CannotCreateAnArchiveInAMissingFolderOrOnAFolder) {
  folder_.write("in.txt", "in");
  folder_.makeFolder("taken.zip");
  for (const char* path : {"nowhere\\out.zip", "taken.zip"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(CreateArchive(folder_.programPath(path), 0), 0);
    EXPECT_EQ(AddFileToArchive(folder_.programPath("in.txt"), 0), -1);
    EXPECT_EQ(CloseArchive(), 0);
  }
  EXPECT_FALSE(folder_.exists("nowhere"));
}

TEST_F(ZipWriterTest, ReplacesAnExistingArchive) {
  folder_.write("old.zip", std::string(50000, 'J'));
  folder_.write("in.txt", "new contents");
  ASSERT_NE(CreateArchive(folder_.programPath("old.zip"), 0), 0);
  EXPECT_EQ(AddFileToArchive(folder_.programPath("in.txt"), 0), 0);
  EXPECT_EQ(CloseArchive(), 0);
  ZipArchive zip = ExpectWellFormed(folder_.hostPath("old.zip"));
  ASSERT_EQ(zip.locals.size(), 1u);
  EXPECT_EQ(EntryData(zip.locals[0]), "new contents");
}

TEST_F(ZipWriterTest, SecondCreateFinishesTheFirstArchive) {
  folder_.write("a.txt", "first");
  folder_.write("b.txt", "second");
  ASSERT_NE(CreateArchive(folder_.programPath("first.zip"), 0), 0);
  EXPECT_EQ(AddFileToArchive(folder_.programPath("a.txt"), 0), 0);
  ASSERT_NE(CreateArchive(folder_.programPath("second.zip"), 0), 0);
  ZipArchive first = ExpectWellFormed(folder_.hostPath("first.zip"));
  ASSERT_EQ(first.locals.size(), 1u);
  EXPECT_EQ(EntryData(first.locals[0]), "first");
  EXPECT_EQ(AddFileToArchive(folder_.programPath("b.txt"), 0), 0);
  EXPECT_EQ(CloseArchive(), 0);
  ZipArchive second = ExpectWellFormed(folder_.hostPath("second.zip"));
  ASSERT_EQ(second.locals.size(), 1u);
  EXPECT_EQ(EntryData(second.locals[0]), "second");
}

TEST_F(ZipWriterTest, CallsWithoutAnOpenArchiveTouchNoFile) {
  folder_.write("a.txt", "a");
  platform::ResetFaults();
  EXPECT_EQ(CloseArchive(), 0);
  EXPECT_EQ(AddFileToArchive(folder_.programPath("a.txt"), 0), -1);
  EXPECT_EQ(CloseArchive(), 0);
  for (Op op : {Op::kOpen, Op::kRead, Op::kWrite, Op::kClose, Op::kPause}) {
    EXPECT_EQ(platform::CallCount(op), 0) << static_cast<int>(op);
  }
}

}  // namespace
