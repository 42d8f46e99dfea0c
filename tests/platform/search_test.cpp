#include <set>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "platform/platform.h"
#include "tests/testing/temp_folder.h"

namespace {

std::set<std::string> Collect(const std::string& searchPath, platform::SearchStart* how) {
  std::set<std::string> names;
  platform::Search* search = nullptr;
  platform::FoundEntry entry;
  *how = platform::StartSearch(searchPath, &search, &entry);
  if (*how != platform::SearchStart::kFound) return names;
  do {
    names.insert(entry.name);
  } while (platform::ContinueSearch(search, &entry));
  platform::EndSearch(search);
  return names;
}

TEST(PlatformSearch, WildcardsMatchCaseInsensitively) {
  TempFolder dir;
  dir.write("Screens/a.BMP", "1");
  dir.write("Screens/b.bmp", "1");
  dir.write("Screens/c.bmp.txt", "1");
  dir.write("Screens/\xC3\x84rger.bmp", "1");  // UTF-8 on disk
  dir.makeFolder("Screens/x.bmp");
  platform::SearchStart how;
  auto names = Collect(dir.programPath("screens\\*.bmp"), &how);
  EXPECT_EQ(how, platform::SearchStart::kFound);
  EXPECT_EQ(names, (std::set<std::string>{"a.BMP", "b.bmp", "\xC4rger.bmp", "x.bmp"}));
  names = Collect(dir.programPath("Screens\\?.bmp"), &how);
  EXPECT_EQ(names, (std::set<std::string>{"a.BMP", "b.bmp", "x.bmp"}));
  names = Collect(dir.programPath("Screens\\*.*"), &how);
  EXPECT_EQ(names.size(), 7u);  // five entries plus "." and ".."
}

TEST(PlatformSearch, SystemNameIsTheNameAsGiven) {
  TempFolder dir;
  dir.write("S/\xC3\x84rger.zip", "1");  // UTF-8 on disk: held by Windows-1252
  dir.write("S/\xC5\x81od\xC5\xBA.zip", "1");  // U+0141, U+017A: not held
  platform::Search* search = nullptr;
  platform::FoundEntry entry;
  ASSERT_EQ(platform::StartSearch(dir.programPath("S\\*.zip"), &search, &entry),
            platform::SearchStart::kFound);
  std::set<std::pair<std::string, std::string>> names;
  do {
    names.insert({entry.name, entry.systemName});
  } while (platform::ContinueSearch(search, &entry));
  platform::EndSearch(search);
  EXPECT_EQ(names, (std::set<std::pair<std::string, std::string>>{
                       {"\xC4rger.zip", "\xC3\x84rger.zip"},
                       {"?od?.zip", "\xC5\x81od\xC5\xBA.zip"}}));
}

TEST(PlatformSearch, NoMatchAndMissingFolderDiffer) {
  TempFolder dir;
  dir.makeFolder("Saves");
  platform::SearchStart how;
  Collect(dir.programPath("Saves\\*.gam"), &how);
  EXPECT_EQ(how, platform::SearchStart::kNoMatch);
  Collect(dir.programPath("Missing\\*.gam"), &how);
  EXPECT_EQ(how, platform::SearchStart::kFailed);
}

TEST(PlatformSearch, FolderAttributeAndTimes) {
  TempFolder dir;
  dir.write("S/f.gam", "1");
  dir.setTime("S/f.gam", 1000000000);
  dir.makeFolder("S/d.gam");
  platform::Search* search = nullptr;
  platform::FoundEntry entry;
  ASSERT_EQ(platform::StartSearch(dir.programPath("S\\*.gam"), &search, &entry),
            platform::SearchStart::kFound);
  int seen = 0;
  do {
    ++seen;
    if (entry.name == "f.gam") {
      EXPECT_EQ(entry.attributes, platform::kAttrArchive);
      EXPECT_EQ(entry.written, 1000000000);
    } else {
      EXPECT_EQ(entry.attributes & platform::kAttrDirectory, platform::kAttrDirectory);
    }
  } while (platform::ContinueSearch(search, &entry));
  platform::EndSearch(search);
  EXPECT_EQ(seen, 2);
}

}  // namespace
