#include <gtest/gtest.h>

#include "archive/zip_writer.h"

namespace {

struct NameCase {
  const char* path;
  int keepPath;
  const char* expected;
};

TEST(ZipEntryNameTest, NamesEntriesAfterTheFilePartOrTheWholePath) {
  const NameCase cases[] = {
      {"C:\\Game\\zip\\Name.gam", 0, "Name.gam"},
      {"C:\\Game\\zip\\Name.gam", 1, "C:/Game/zip/Name.gam"},
      {"C:\\Game\\zip\\Name.gam", -7, "C:/Game/zip/Name.gam"},
      {"a/b\\c/d.txt", 0, "d.txt"},
      {"a/b\\c/d.txt", 1, "a/b/c/d.txt"},
      {"plain.txt", 0, "plain.txt"},
      // A quoted path: the file part ends at the closing quote.
      {"\"C:\\Game\\Name.gam\"", 0, "Name.gam"},
      {"\"Name.gam\"", 0, "Name.gam"},
      {"\"Name.gam", 0, "Name.gam"},
      {"\"C:\\Game\\Name.gam\"", 1, "\"C:/Game/Name.gam\""},
      // Text after a quote inside the file part is dropped.
      {"C:\\x\\ab\"cd", 0, "ab"},
      // Only a leading quote of a bare name is skipped, not one after a "\".
      {"C:\\x\\\"q\"", 0, ""},
      {"C:\\Game\\", 0, ""},
      {"", 0, ""},
      {"", 1, ""},
      // Windows-1252 to the OEM code page 850.
      {"C:\\Game\\R\xE4nnen.gam", 0, "R\x84nnen.gam"},
      {"C:\\Sp\xE4\\\xC4\xD6\xDC\xDF.trk", 1, "C:/Sp\x84/\x8E\x99\x9A\xE1.trk"},
      // A character whose OEM form Windows refuses in a file name becomes
      // "_" (the quotes and angle quotes, a control, one CP850 lacks); the
      // closest ASCII form of another stays.
      {"zip\\\x8B"
       "Ann\x9B.bmp",
       0, "_Ann_.bmp"},
      {"zip\\\x84"
       "Ann\x93.gam",
       0, "_Ann_.gam"},
      {"Hills\\\x84Nord\x94.trk", 0, "_Nord_.trk"},
      {"zip\\a\x01"
       "b\x81.gam",
       0, "a_b_.gam"},
      {"zip\\C\x9Cn.bmp", 0, "Con.bmp"},
      {"zip\\LP\x99"
       "1.gam",
       0, "LPT1.gam"},
  };
  for (const NameCase& c : cases) {
    EXPECT_EQ(ZipEntryName(c.path, c.keepPath), c.expected)
        << "path " << c.path << " keepPath " << c.keepPath;
  }
}

struct SameCase {
  const char* name;
  const char* entryName;
  bool foldCase;
  bool same;
};

TEST(ZipEntryNameTest, ANameStandsForTheEntryItsCharactersWouldBePackedAs) {
  const SameCase cases[] = {
      {"\x8B"
       "Ann\x9B",
       "_Ann_", false, true},
      {"\x84Nord\x93", "_Nord_", true, true},
      {"\x8Akoda", "Skoda", false, true},
      {"\x8Akoda", "skoda", true, true},
      {"\x8Akoda", "skoda", false, false},
      {"Nord", "North", true, false},
      {"Nord", "Nore", true, false},
      {"C\x9Cn", "Con", false, true},
      {"C\x9Cn", "Cun", false, false},
  };
  for (const SameCase& c : cases) {
    EXPECT_EQ(SameEntryName(c.name, c.entryName, c.foldCase), c.same)
        << c.name << " / " << c.entryName << " fold " << c.foldCase;
  }
}

}  // namespace
