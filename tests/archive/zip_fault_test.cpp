// Failures while writing: every one makes CloseArchive report the archive
// as incomplete.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <zlib.h>

#include <string>
#include <vector>

#include "archive/zip_writer.h"
#include "platform/platform.h"
#include "tests/archive/archive_checks.h"

namespace {

using platform::Op;

class ZipFaultTest : public ZipWriterTest {
 protected:
  void SetUp() override {
    ZipWriterTest::SetUp();
    folder_.write("shot.bmp", NoisyBytes(150000, 1));
    folder_.write("race.gam", NoisyBytes(40000, 2));
  }

  // Writes the two files into out.zip; the result of CloseArchive.
  int WriteArchive() {
    if (CreateArchive(folder_.programPath("out.zip"), 0) == 0) return 1;
    AddFileToArchive(folder_.programPath("shot.bmp"), 0);
    AddFileToArchive(folder_.programPath("race.gam"), 0);
    return CloseArchive();
  }

  // How often `op` runs while the archive is written without faults.
  long CleanCount(Op op) {
    platform::ResetFaults();
    EXPECT_EQ(WriteArchive(), 0);
    long count = platform::CallCount(op);
    platform::ResetFaults();
    return count;
  }
};

TEST_F(ZipFaultTest, AnyFailedWriteMakesTheCloseFail) {
  long writes = CleanCount(Op::kWrite);
  ASSERT_GT(writes, 2);
  for (long n = 1; n <= writes; ++n) {
    SCOPED_TRACE("failing write " + std::to_string(n) + " of " + std::to_string(writes));
    platform::ResetFaults();
    platform::FailNthCall(Op::kWrite, n);
    EXPECT_LT(WriteArchive(), 0);
  }
  platform::ResetFaults();
  platform::FailNthCall(Op::kWrite, 1, true);
  EXPECT_LT(WriteArchive(), 0);
  platform::ResetFaults();
  EXPECT_EQ(WriteArchive(), 0) << "a new archive starts without the old failure";
  ExpectWellFormed(folder_.hostPath("out.zip"));
}

struct ChunkFailureCase {
  std::size_t extraBytes;  // after one chunk of noise that fills the library's buffer
  bool addFails;
};

TEST_F(ZipFaultTest, AddReportsTheStatusOfTheLastChunk) {
  // One chunk of noise is more than minizip buffers, so its write reaches the
  // file at once; a later chunk that only fills the buffer succeeds again.
  const ChunkFailureCase cases[] = {{0, true}, {1, false}};
  for (const ChunkFailureCase& c : cases) {
    SCOPED_TRACE(c.extraBytes);
    folder_.write("noise.bin", RandomBytes(102400 + c.extraBytes, 99));
    ASSERT_NE(CreateArchive(folder_.programPath("out.zip"), 0), 0);
    platform::ResetFaults();
    platform::FailNthCall(Op::kWrite, 1, true);
    int result = AddFileToArchive(folder_.programPath("noise.bin"), 0);
    EXPECT_EQ(result < 0, c.addFails) << result;
    EXPECT_LT(CloseArchive(), 0);
  }
}

TEST_F(ZipFaultTest, AFailedArchiveCloseMakesTheCloseFail) {
  // The archive's stream is closed last but one, before its read-back.
  long closes = CleanCount(Op::kClose);
  ASSERT_GT(closes, 1);
  platform::FailNthCall(Op::kClose, closes - 1);
  EXPECT_LT(WriteArchive(), 0);
}

TEST_F(ZipFaultTest, ReadBackFindsAnyDifferenceFromWhatWasPacked) {
  ASSERT_EQ(WriteArchive(), 0);
  const auto check = [](const char* name, const std::string& bytes) {
    const auto* data = reinterpret_cast<const Bytef*>(bytes.data());
    return ZipEntryCheck{name, bytes.size(),
                         static_cast<std::uint32_t>(crc32(0, data, static_cast<uInt>(bytes.size())))};
  };
  const ZipEntryCheck shot = check("shot.bmp", folder_.read("shot.bmp"));
  const ZipEntryCheck game = check("race.gam", folder_.read("race.gam"));
  const std::string path = folder_.programPath("out.zip");
  EXPECT_EQ(VerifyArchive(path, {shot, game}), 0);

  ZipEntryCheck renamed = shot, resized = shot, recrc = shot;
  renamed.name = "shot.BMP";
  resized.size += 1;
  recrc.crc ^= 1;
  const std::vector<std::vector<ZipEntryCheck>> wrong = {
      {shot}, {game, shot}, {shot, game, game}, {renamed, game}, {resized, game}, {recrc, game}};
  for (const auto& expected : wrong) EXPECT_LT(VerifyArchive(path, expected), 0);

  // A damaged byte inside the first entry's compressed data.
  std::string bytes = folder_.read("out.zip");
  bytes[100] = static_cast<char>(bytes[100] ^ 0x55);
  folder_.write("out.zip", bytes);
  EXPECT_LT(VerifyArchive(path, {shot, game}), 0);
}

TEST_F(ZipFaultTest, AFileThatCannotBeReadLeavesItsEntryShort) {
  ASSERT_NE(CreateArchive(folder_.programPath("out.zip"), 0), 0);
  platform::ResetFaults();
  EXPECT_EQ(AddFileToArchive(folder_.programPath("shot.bmp"), 0), 0);
  long opensPerFile = platform::CallCount(Op::kOpen);
  long readsPerFile = platform::CallCount(Op::kRead);
  ASSERT_GT(opensPerFile, 0);
  ASSERT_GT(readsPerFile, 1);
  EXPECT_EQ(CloseArchive(), 0);

  // The last open of a file is the one that reads its contents.
  ASSERT_NE(CreateArchive(folder_.programPath("open.zip"), 0), 0);
  platform::ResetFaults();
  platform::FailNthCall(Op::kOpen, opensPerFile);
  EXPECT_EQ(AddFileToArchive(folder_.programPath("shot.bmp"), 0), -1);
  EXPECT_LT(CloseArchive(), 0);
  ZipArchive zip = ExpectWellFormed(folder_.hostPath("open.zip"));
  ASSERT_EQ(zip.centrals.size(), 1u);
  EXPECT_EQ(zip.centrals[0].uncompressedSize, 0u);

  // A read failing after the first chunk.
  ASSERT_NE(CreateArchive(folder_.programPath("read.zip"), 0), 0);
  platform::ResetFaults();
  platform::FailNthCall(Op::kRead, 2);
  EXPECT_EQ(AddFileToArchive(folder_.programPath("shot.bmp"), 0), -1);
  EXPECT_LT(CloseArchive(), 0);
  zip = ExpectWellFormed(folder_.hostPath("read.zip"));
  ASSERT_EQ(zip.centrals.size(), 1u);
  EXPECT_EQ(zip.centrals[0].uncompressedSize, 102400u);
}

TEST_F(ZipFaultTest, CreateFailsWhenTheArchiveCannotBeOpened) {
  platform::FailNthCall(Op::kOpen, 1);
  EXPECT_EQ(CreateArchive(folder_.programPath("out.zip"), 0), 0);
  EXPECT_EQ(AddFileToArchive(folder_.programPath("shot.bmp"), 0), -1);
  EXPECT_EQ(CloseArchive(), 0);
}

// A real file system that runs out of space: a 1 MiB tmpfs, when this
// process may mount one.
class FullDiskTest : public ZipWriterTest {
 protected:
  void SetUp() override {
    ZipWriterTest::SetUp();
    folder_.makeFolder("small");
    mountPoint_ = folder_.hostPath("small");
    mounted_ = geteuid() == 0 && mount("tmpfs", mountPoint_.c_str(), "tmpfs", 0, "size=1m") == 0;
  }
  void TearDown() override {
    ZipWriterTest::TearDown();
    if (mounted_) umount2(mountPoint_.c_str(), MNT_DETACH);
  }
  std::string mountPoint_;
  bool mounted_ = false;
};

TEST_F(FullDiskTest, AFullDiskMakesTheCloseFail) {
  if (!mounted_) GTEST_SKIP() << "cannot mount a small tmpfs here";
  // Noise that hardly compresses: far more than the 1 MiB that fits.
  folder_.write("noise.bin", RandomBytes(2 * 1024 * 1024, 12345));
  folder_.write("small.txt", "fits");

  ASSERT_NE(CreateArchive(folder_.programPath("small\\fits.zip"), 0), 0);
  EXPECT_EQ(AddFileToArchive(folder_.programPath("small.txt"), 0), 0);
  EXPECT_EQ(CloseArchive(), 0);
  ExpectWellFormed(folder_.hostPath("small/fits.zip"));

  ASSERT_NE(CreateArchive(folder_.programPath("small\\full.zip"), 0), 0);
  AddFileToArchive(folder_.programPath("noise.bin"), 0);
  EXPECT_LT(CloseArchive(), 0);
}

}  // namespace
