// Writing the settings file: where lines go, the bytes written, and when.
#include <functional>
#include <string>

#include "tests/support_settings/settings_fixture.h"

namespace {

using namespace std::string_literals;

TEST_F(SettingsTest, FirstRunDefaultsAreWrittenByteExact) {
  ASSERT_NE(SettingsFile::create(path()), 0);
  program_keys::WriteAll();
  SettingsFile::close();
  EXPECT_EQ(onDisk(),
            "Track = 1\r\nGame = 1\r\nScreen = 1\r\nbmp/jpg = 0\r\ntext = \r\nTextPos = 0\r\n"
            "trackname = 1\r\ndrivername = 2\r\ntime/kmh = 3\r\n");
  // And they read back as written.
  ASSERT_NE(SettingsFile::open(path()), 0);
  EXPECT_EQ(SettingsFile::readInt("drivername", 0), 2);
  EXPECT_EQ(SettingsFile::readString("text", "x"), "");
}

TEST_F(SettingsTest, CreateEmptiesTheFileAtOnceAndHoldsIt) {
  dir.write(kName, "a = 1\r\n");
  ASSERT_NE(SettingsFile::create(path()), 0);
  EXPECT_EQ(onDisk(), "");
  EXPECT_FALSE(otherProcessCanLock());
  SettingsFile::writeInt("a", 1);
  SettingsFile::writeInt("A", -2147483647 - 1);  // one line, first place, last value
  SettingsFile::writeInt("b", -5);
  EXPECT_EQ(onDisk(), "");
  platform::ResetFaults();
  SettingsFile::close();
  EXPECT_EQ(platform::CallCount(platform::Op::kWrite), 1);
  EXPECT_EQ(onDisk(), "A = -2147483648\r\nb = -5\r\n");
}

TEST_F(SettingsTest, CreateInMissingFolderFailsAndStoresNothing) {
  EXPECT_EQ(SettingsFile::create(dir.programPath("none\\lapbundle.prf")), 0);
  SettingsFile::writeInt("a", 1);
  EXPECT_EQ(SettingsFile::readInt("a", 4), 4);
  SettingsFile::close();
  EXPECT_FALSE(dir.exists("none"));
}

TEST_F(SettingsTest, MissingFileIsCreatedAtCloseWhenWritten) {
  EXPECT_EQ(SettingsFile::open(path()), 0);
  SettingsFile::writeString("text", "x y");
  EXPECT_EQ(SettingsFile::readString("TEXT", ""), "x y");
  SettingsFile::close();
  EXPECT_EQ(onDisk(), "text = x y\r\n");
}

struct RewriteCase {
  const char* what;
  std::string before;
  std::function<void()> writes;
  std::string after;
};

TEST_F(SettingsTest, WritesRewriteTheWholeFileInItsNormalForm) {
  using SettingsFile::writeInt;
  using SettingsFile::writeString;
  const RewriteCase cases[] = {
      {"match takes the caller's key", "a=1\r\n; note\r\n[g]\r\nb=2\r\n", [] { writeInt("A", 5); },
       "A = 5\r\n; note\r\n[g]\r\nb = 2\r\n"},
      {"new key before first header", "a=1\n;c\n[g]\nx=1\n[h]\ny=2",
       [] { writeInt("new", 3), writeInt("nex", 4); },
       "a = 1\r\n; c\r\nnew = 3\r\nnex = 4\r\n[g]\r\nx = 1\r\n[h]\r\ny = 2\r\n"},
      {"header first: new key in front", "[g]\nx=1", [] { writeInt("k", 1); },
       "k = 1\r\n[g]\r\nx = 1\r\n"},
      {"key after header is not changed", "[g]\r\nk = 1\r\n", [] { writeInt("k", 2); },
       "k = 2\r\n[g]\r\nk = 1\r\n"},
      {"first duplicate changes", "a=1\na=2", [] { writeInt("a", 3); }, "a = 3\r\na = 2\r\n"},
      {"lines normalised", "  [g] junk\r\n[h\r\n;x\r\n;  y\r\n\tk  \r\nv= =1 ",
       [] { writeString("z", " s "); },
       "z =  s \r\n[g]\r\n[h]\r\n; x\r\n;  y\r\nk = \r\nv = =1 \r\n"},
      {"shorter content is cut", "a = 1234567890\r\n; a long comment line\r\n",
       [] { writeInt("a", 1); }, "a = 1\r\n; a long comment line\r\n"},
      {"UTF-8 mode keeps its mark",
       "\xEF\xBB\xBF"
       "a=1\n",
       [] { writeString("t\xE4", "\xE9"); }, "\xEF\xBB\xBF\r\na = 1\r\nt\xC3\xA4 = \xC3\xA9\r\n"},
      {"UTF-8 mode finds an encoded key", "\xEF\xBB\xBF\xC3\xA4=1\n", [] { writeInt("\xE4", 2); },
       "\xEF\xBB\xBF\r\n\xC3\xA4 = 2\r\n"},
      {"only ASCII letters fold", "\xEF\xBB\xBF\xC3\xA4=1\n", [] { writeInt("\xC4", 2); },
       "\xEF\xBB\xBF\r\n\xC3\xA4 = 1\r\n\xC3\x84 = 2\r\n"},
      {"NUL lines survive", "a=1\0\0b=2\0"s, [] { writeInt("b", 3); }, "a = 1\r\nb = 3\r\n"},
      {"empty file", "", [] { writeInt("a", 0); }, "a = 0\r\n"},
  };
  for (const RewriteCase& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_NE(openWith(c.before), 0);
    c.writes();
    EXPECT_EQ(onDisk(), c.before);  // nothing reaches the disk before close
    SettingsFile::close();
    EXPECT_EQ(onDisk(), c.after);
  }
}

TEST_F(SettingsTest, OpenOfAnotherFileWritesTheFirstBack) {
  ASSERT_NE(openWith("a=1"), 0);
  SettingsFile::writeInt("a", 2);
  dir.write("other.prf", "a=9");
  ASSERT_NE(SettingsFile::open(dir.programPath("other.prf")), 0);
  EXPECT_EQ(onDisk(), "a = 2\r\n");
  EXPECT_EQ(SettingsFile::readInt("a", 0), 9);
}

}  // namespace
