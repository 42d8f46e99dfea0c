// Reading the settings file: line format, lookup rules, number and text values.
#include <sys/stat.h>

#include <cstdint>
#include <limits>
#include <string>

#include "tests/support_settings/settings_fixture.h"

namespace {

using namespace std::string_literals;

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct IntCase {
  const char* what;
  std::string file;
  const char* key;
  std::int32_t expected;  // the default passed is always 99
};

TEST_F(SettingsTest, ReadIntFollowsTheLineFormatAndLookupRules) {
  const IntCase cases[] = {
      {"other case, no blanks", "track=5\r\n", "Track", 5},
      {"trailing text ignored", "a = 7abc", "a", 7},
      {"letters give 0", "a = abc", "a", 0},
      {"empty value gives 0", "a =\r\n", "a", 0},
      {"missing key gives default", "a = 1", "b", 99},
      {"sign and white space", "a = \v\f -12", "a", -12},
      {"plus sign", "a = +3", "a", 3},
      {"lone sign", "a = -", "a", 0},
      {"no hexadecimal", "a = 0x10", "a", 0},
      {"CR-only lines", "x=1\ry=2\rz=3", "z", 3},
      {"mixed break runs", "x=1\n\n\r\r\ny=2", "y", 2},
      {"NUL ends a line", "x=1\0y=2"s, "y", 2},
      {"indentation", "   \t y = 4", "y", 4},
      {"blank key padding", "a \t = 5", "a", 5},
      {"key without = is present", "flag\r\nb = 2", "flag", 0},
      {"line after a key without =", "flag\r\nb = 2", "b", 2},
      {"first duplicate wins", "a = 1\r\na = 2", "a", 1},
      {"comment is not a key", "; a = 3\r\n;a = 3\r\na = 4", "a", 4},
      {"key after header hidden", "a = 1\r\n[g]\r\nb = 2", "b", 99},
      {"header without ]", "[g\r\na = 1", "a", 99},
      {"only ASCII letters fold", "\xC4 = 1", "\xE4", 99},
      {"exact non-ASCII match", "\xC4 = 1", "\xC4", 1},
      {"empty key", "= 8", "", 8},
      {"UTF-8 key encoded", "\xEF\xBB\xBF\xC3\xA4 = 6", "\xE4", 6},
      {"mark alone has no entries", "\xEF\xBB\xBF", "a", 99},
      {"largest", "a = 2147483647", "a", kMax},
      {"smallest", "a = -2147483648", "a", kMin},
      {"one past largest", "a = 2147483648", "a", kMax},
      {"one past smallest", "a = -2147483649", "a", kMin},
      {"40 digits", "a = 1234567890123456789012345678901234567890", "a", kMax},
      {"40 negative digits", "a = -9999999999999999999999999999999999999999", "a", kMin},
      {"leading zeros", "a = 0000000000000000000000000000000000000042", "a", 42},
  };
  for (const IntCase& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NE(openWith(c.file), 0);
    EXPECT_EQ(SettingsFile::readInt(c.key, 99), c.expected);
  }
}

struct TextCase {
  const char* what;
  std::string file;
  std::string expected;  // the default passed is always "  def "
};

TEST_F(SettingsTest, ReadStringTrimsBlanksAndDecodesUtf8) {
  const TextCase cases[] = {
      {"blanks trimmed", "text =   hello world   \r\n", "hello world"},
      {"tabs trimmed", "text = \t x \t", "x"},
      {"= and ; are value text", "text = a=b;c[d]", "a=b;c[d]"},
      {"empty value", "text =", ""},
      {"no =", "text", ""},
      {"missing key: default untouched", "other = 1", "  def "},
      {"plain mode keeps bytes", "text = \xC3\xA9", "\xC3\xA9"},
      {"UTF-8 decoded", "\xEF\xBB\xBFtext = \xC3\xA9", "\xE9"},
      {"above U+00FF is empty", "\xEF\xBB\xBFtext = a\xE2\x82\xAC", ""},
      {"cut-off sequence ends value", "\xEF\xBB\xBFtext = ab \xC3", "ab"},
      {"bad continuation is empty", "\xEF\xBB\xBFtext = \xC3x", ""},
      {"stray continuation is empty", "\xEF\xBB\xBFtext = \x80", ""},
      {"impossible lead is empty", "\xEF\xBB\xBFtext = \xF8\x80\x80\x80", ""},
      {"two bytes of mark are text", "\xEF\xBBtext = 1", "  def "},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NE(openWith(c.file), 0);
    EXPECT_EQ(SettingsFile::readString("text", "  def "), c.expected);
  }
}

TEST_F(SettingsTest, MissingFileGivesDefaultsAndCreatesNothing) {
  EXPECT_EQ(SettingsFile::open(path()), 0);
  EXPECT_EQ(SettingsFile::readInt("Track", 1), 1);
  EXPECT_EQ(SettingsFile::readString("text", "x"), "x");
  SettingsFile::close();
  EXPECT_FALSE(dir.exists(kName));
}

TEST_F(SettingsTest, NoActiveStoreGivesDefaults) {
  dir.write(kName, "a = 1");
  ASSERT_NE(SettingsFile::open(path()), 0);
  SettingsFile::close();
  EXPECT_EQ(SettingsFile::readInt("a", 5), 5);
  SettingsFile::writeInt("a", 2);
  SettingsFile::close();
  EXPECT_EQ(onDisk(), "a = 1");
}

TEST_F(SettingsTest, OpenReadsTheFileInOneCallAndLeavesItUntouched) {
  const std::string bytes = "a=1\n;c\n[g]\nb=2\n\n";
  dir.write(kName, bytes);
  platform::ResetFaults();
  ASSERT_NE(SettingsFile::open(path()), 0);
  EXPECT_EQ(platform::CallCount(platform::Op::kRead), 1);
  EXPECT_EQ(SettingsFile::readInt("a", 0), 1);
  EXPECT_EQ(SettingsFile::readString("b", "-"), "-");
  SettingsFile::close();
  EXPECT_EQ(platform::CallCount(platform::Op::kWrite), 0);
  EXPECT_EQ(onDisk(), bytes);
}

TEST_F(SettingsTest, OpenFileDeniesWritingToOthersUntilClose) {
  ASSERT_NE(openWith("a = 1"), 0);
  EXPECT_FALSE(otherProcessCanLock());
  SettingsFile::close();
  EXPECT_TRUE(otherProcessCanLock());
}

TEST_F(SettingsTest, FileLockedByAnotherWriterGivesDefaultsAndIsNeverWritten) {
  dir.write(kName, "a=1\n");
  platform::File* other = platform::OpenFile(path(), platform::OpenMode::kReadWriteDenyWrite);
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(SettingsFile::open(path()), 0);
  EXPECT_EQ(SettingsFile::readInt("a", 7), 7);
  SettingsFile::writeInt("a", 2);
  SettingsFile::close();
  platform::CloseFile(other);
  EXPECT_EQ(onDisk(), "a=1\n");
}

TEST_F(SettingsTest, UnreadableFileGivesDefaultsAndStaysUntouched) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  dir.write(kName, "a=1\n");
  ASSERT_EQ(chmod(dir.hostPath(kName).c_str(), 0), 0);
  EXPECT_EQ(SettingsFile::open(path()), 0);
  EXPECT_EQ(SettingsFile::readInt("a", 7), 7);
  SettingsFile::writeInt("a", 2);
  SettingsFile::close();
  ASSERT_EQ(chmod(dir.hostPath(kName).c_str(), 0600), 0);
  EXPECT_EQ(onDisk(), "a=1\n");
}

TEST_F(SettingsTest, FailedReadLeavesStoreEmptyAndFileUntouched) {
  dir.write(kName, "a=1\n");
  platform::FailNthCall(platform::Op::kRead, 1);
  EXPECT_NE(SettingsFile::open(path()), 0);
  EXPECT_EQ(SettingsFile::readInt("a", 7), 7);
  SettingsFile::writeInt("b", 2);
  SettingsFile::close();
  EXPECT_EQ(onDisk(), "a=1\n");
}

}  // namespace
