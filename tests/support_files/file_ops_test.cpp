#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/support.h"
#include "tests/testing/temp_folder.h"

namespace {

struct stat StatOf(const std::string& hostPath) {
  struct stat st = {};
  EXPECT_EQ(stat(hostPath.c_str(), &st), 0) << hostPath;
  return st;
}

TEST(MakeDirectory, TrailingSeparatorsAndBlanksNameTheSameFolder) {
  TempFolder tmp;
  struct Case {
    const char* relative;
    int made;
    const char* folder;  // host name of the folder made, if any
  };
  const Case cases[] = {
      {"zip\\", 1, "zip"},   {"zip", 0, nullptr},                           // exists already
      {"zip\\", 0, nullptr}, {"two \\/ ", 1, "two"}, {"a\\b", 0, nullptr},  // parent missing
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.relative);
    EXPECT_EQ(MakeDirectory(tmp.program() + c.relative) != 0, c.made != 0);
    if (c.folder != nullptr) {
      EXPECT_TRUE(S_ISDIR(StatOf(tmp.hostPath(c.folder)).st_mode));
    }
  }
  EXPECT_FALSE(tmp.exists("a"));
  // Nothing left after stripping: no folder is named.
  EXPECT_EQ(MakeDirectory(""), 0);
  EXPECT_EQ(MakeDirectory("\\ /"), 0);
}

TEST(CopyFileOver, ReplacesTargetKeepingWriteTimeAndMode) {
  TempFolder tmp;
  tmp.write("src.gam", "new contents");
  tmp.setTime("src.gam", 1349445839);
  ASSERT_EQ(chmod(tmp.hostPath("src.gam").c_str(), 0640), 0);
  tmp.write("zip/dst.gam", "an older and longer target text");

  ASSERT_NE(CopyFileOver(tmp.programPath("src.gam"), tmp.programPath("zip\\dst.gam")), 0);
  EXPECT_EQ(tmp.read("zip/dst.gam"), "new contents");
  const struct stat target = StatOf(tmp.hostPath("zip/dst.gam"));
  EXPECT_EQ(target.st_mtim.tv_sec, 1349445839);
  EXPECT_EQ(target.st_mode & 0777, 0640u);
  EXPECT_EQ(tmp.read("src.gam"), "new contents");
}

TEST(CopyFileOverAndRemoveFile, FailWithoutFileOrName) {
  TempFolder tmp;
  tmp.write("src.gam", "x");
  EXPECT_EQ(CopyFileOver(tmp.programPath("none.gam"), tmp.programPath("dst.gam")), 0);
  EXPECT_EQ(CopyFileOver(tmp.programPath("src.gam"), ""), 0);
  EXPECT_EQ(CopyFileOver("", tmp.programPath("dst.gam")), 0);
  EXPECT_FALSE(tmp.exists("dst.gam"));
  EXPECT_NE(RemoveFile(tmp.programPath("src.gam")), 0);
  EXPECT_FALSE(tmp.exists("src.gam"));
  EXPECT_EQ(RemoveFile(tmp.programPath("src.gam")), 0);
  EXPECT_EQ(RemoveFile(""), 0);
}

}  // namespace
