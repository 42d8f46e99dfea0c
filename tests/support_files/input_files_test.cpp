#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/numbered_table.h"
#include "support/support.h"
#include "tests/testing/temp_folder.h"

namespace {

using platform::Op;

class InputFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 10000; ++i) contents_ += static_cast<char>(i * 31 % 251);
    tmp.write("data.bin", contents_);
    path_ = tmp.programPath("data.bin");
    platform::ResetFaults();
  }
  void TearDown() override {
    CloseInputFile(0);
    CloseInputFile(5);
    platform::ResetFaults();
  }

  // Reads `count` bytes and checks them against the file from `at`.
  void ExpectRead(InputFileId id, std::int64_t count, std::size_t at, std::int64_t expected) {
    std::vector<char> buffer(static_cast<std::size_t>(count) + 1, '\x7F');
    ASSERT_EQ(ReadInputFile(id, buffer.data(), count), expected) << "at " << at;
    EXPECT_EQ(std::string(buffer.data(), static_cast<std::size_t>(expected)),
              contents_.substr(at, static_cast<std::size_t>(expected)));
    EXPECT_EQ(buffer[static_cast<std::size_t>(expected)], '\x7F');  // nothing written past
  }

  TempFolder tmp;
  std::string contents_;
  std::string path_;
};

TEST_F(InputFileTest, ReadsComeThroughTheReadAhead) {
  ASSERT_NE(OpenInputFile(0, path_), 0);
  struct Step {
    std::int64_t count;
    std::int64_t delivered;
    long platformReads;  // total so far
  };
  const Step steps[] = {
      {100, 100, 1},    // fills the buffer
      {3000, 3000, 1},  // served from it
      {996, 996, 1},    // empties it exactly
      {10, 10, 2},      // refills
      {5000, 5000, 3},  // 4,086 buffered bytes, then a refill
      {4096, 894, 4},   // the rest of the buffer; the refill hits the end
      {1, 0, 5},        // at the end
      {4096, 0, 6},
  };
  std::size_t at = 0;
  for (const Step& s : steps) {
    ExpectRead(0, s.count, at, s.delivered);
    EXPECT_EQ(platform::CallCount(Op::kRead), s.platformReads) << "after " << s.count;
    at += static_cast<std::size_t>(s.delivered);
  }
  EXPECT_EQ(at, contents_.size());
}

TEST_F(InputFileTest, FreshObjectHandleWorksBesideNumbers) {
  tmp.write("other.bin", "other");
  const InputFileId a = OpenInputFile(-1, path_);
  const InputFileId b = OpenInputFile(-1, tmp.programPath("other.bin"));
  ASSERT_NE(a, 0);
  ASSERT_NE(b, 0);
  EXPECT_NE(a, b);
  // A handle never names a slot of the numbered table.
  EXPECT_GT(a, (NumberedTable<int, 16>::kMaxNumber));
  EXPECT_GT(b, (NumberedTable<int, 16>::kMaxNumber));
  ASSERT_NE(OpenInputFile(0, tmp.programPath("other.bin")), 0);
  EXPECT_EQ(InputFileLength(a), 10000);
  EXPECT_EQ(InputFileLength(b), 5);
  EXPECT_EQ(InputFileLength(0), 5);
  ExpectRead(a, 20, 0, 20);
  CloseInputFile(a);
  EXPECT_EQ(InputFileLength(a), -1);
  char byte = 0;
  EXPECT_EQ(ReadInputFile(a, &byte, 1), 0);
  EXPECT_EQ(InputFileLength(b), 5);
  CloseInputFile(b);
  EXPECT_EQ(OpenInputFile(a, path_), 0);  // a closed handle stays closed
}

TEST_F(InputFileTest, FailuresLeaveTheNumberFree) {
  tmp.makeFolder("folder");
  ASSERT_NE(OpenInputFile(5, path_), 0);
  platform::File* writer =
      platform::OpenFile(tmp.programPath("data.bin"), platform::OpenMode::kReadWriteDenyWrite);
  EXPECT_EQ(writer, nullptr) << "an open input file lets nobody write";
  platform::CloseFile(writer);

  tmp.write("held.bin", "x");
  writer = platform::OpenFile(tmp.programPath("held.bin"), platform::OpenMode::kReadWriteDenyWrite);
  ASSERT_NE(writer, nullptr);
  const std::string failing[] = {tmp.programPath("missing.bin"), tmp.programPath("folder"),
                                 tmp.programPath("held.bin"), ""};
  for (const std::string& path : failing) {
    SCOPED_TRACE(path);
    ASSERT_NE(OpenInputFile(5, path_), 0);
    EXPECT_EQ(OpenInputFile(5, path), 0);
    EXPECT_EQ(InputFileLength(5), -1);  // the old file was closed, nothing replaced it
    EXPECT_EQ(OpenInputFile(-1, path), 0);
  }
  platform::CloseFile(writer);
  EXPECT_NE(OpenInputFile(5, tmp.programPath("held.bin")), 0);

  for (InputFileId id : {InputFileId{-2}, InputFileId{1} << 24}) {
    EXPECT_EQ(OpenInputFile(id, path_), 0) << id;
  }
  EXPECT_EQ(InputFileLength(7), -1);
  char byte = 0;
  EXPECT_EQ(ReadInputFile(7, &byte, 1), 0);
}

TEST_F(InputFileTest, ReadErrorDeliversNothing) {
  ASSERT_NE(OpenInputFile(0, path_), 0);
  platform::FailNthCall(Op::kRead, 1);
  char buffer[16] = {};
  EXPECT_EQ(ReadInputFile(0, buffer, 16), 0);
  ExpectRead(0, 16, 0, 16);  // the next read starts where the file stands
}

}  // namespace
