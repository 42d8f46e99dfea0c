// Archives made only under a free name, and files packed against what they
// held when they were made.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <string>

#include "archive/zip_writer.h"
#include "tests/archive/archive_checks.h"

namespace {

std::uint32_t Crc(const std::string& bytes) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

TEST_F(ZipWriterTest, ANewArchiveIsMadeOnlyWhereNoFileHasTheName) {
  folder_.write("taken.tmp", "someone's file");
  ASSERT_EQ(
      symlink(folder_.hostPath("elsewhere.zip").c_str(), folder_.hostPath("link.tmp").c_str()), 0);
  EXPECT_EQ(CreateNewArchive(folder_.programPath("taken.tmp")), 0);
  EXPECT_EQ(CreateNewArchive(folder_.programPath("link.tmp")), 0);
  EXPECT_EQ(folder_.read("taken.tmp"), "someone's file");
  EXPECT_FALSE(folder_.exists("elsewhere.zip"));
  ASSERT_NE(CreateNewArchive(folder_.programPath("free.tmp")), 0);
  EXPECT_EQ(CloseArchive(), 0);
  ExpectWellFormed(folder_.hostPath("free.tmp"));
}

TEST_F(ZipWriterTest, FileEntryCheckReadsNameSizeAndCrc) {
  const std::string bytes = NoisyBytes(250000, 3);  // three chunks
  folder_.write("a.bmp", bytes);
  ZipEntryCheck check;
  ASSERT_EQ(FileEntryCheck(folder_.programPath("a.bmp"), &check), 0);
  EXPECT_EQ(check.name, "a.bmp");
  EXPECT_EQ(check.size, bytes.size());
  EXPECT_EQ(check.crc, Crc(bytes));
  EXPECT_EQ(FileEntryCheck(folder_.programPath("none.bmp"), &check), -1);
}

struct KnownRow {
  const char* label;
  const char* onDisk;  // nullptr: the file is gone
  const char* expectedBytes;
  const char* expectedName;
  int close;
};

TEST_F(ZipWriterTest, AKnownFileMustBePackedAsItWas) {
  const KnownRow rows[] = {
      {"as it was", "staged bytes", "staged bytes", "k.gam", 0},
      {"empty as it was", "", "", "k.gam", 0},
      {"gone", nullptr, "staged bytes", "k.gam", -1},
      {"one byte changed", "staged bytez", "staged bytes", "k.gam", -1},
      {"shorter", "staged", "staged bytes", "k.gam", -1},
      {"another name", "staged bytes", "staged bytes", "K.gam", -1},
  };
  for (const KnownRow& row : rows) {
    SCOPED_TRACE(row.label);
    std::remove(folder_.hostPath("k.gam").c_str());
    if (row.onDisk != nullptr) folder_.write("k.gam", row.onDisk);
    folder_.write("other.trk", "packed as usual");
    const std::string bytes = row.expectedBytes;
    ASSERT_NE(CreateArchive(folder_.programPath("out.zip"), 0), 0);
    AddKnownFileToArchive(folder_.programPath("k.gam"),
                          ZipEntryCheck{row.expectedName, bytes.size(), Crc(bytes)});
    AddFileToArchive(folder_.programPath("other.trk"), 0);
    EXPECT_EQ(CloseArchive() < 0 ? -1 : 0, row.close);
  }
}

}  // namespace
