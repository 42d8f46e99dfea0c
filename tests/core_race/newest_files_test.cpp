// Choice of the newest screenshot and saved game.
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/core_race/race_fixture.h"

namespace {

// 2012-10-05 14:03:00 UTC.
constexpr long long kBase = 1349445780;

// Entries that are no regular file, newer than every other.
constexpr long long kFolder = -1, kDeviceLink = -2;

struct Entry {
  std::string name;
  long long time;  // UTC seconds, or kFolder, kDeviceLink
};

void writeEntries(const TempFolder& folder, const std::string& sub,
                  const std::vector<Entry>& entries) {
  folder.makeFolder(sub);
  for (const Entry& e : entries) {
    const std::string relative = sub + "/" + e.name;
    if (e.time == kFolder) {
      folder.makeFolder(relative);
    } else if (e.time == kDeviceLink) {
      ASSERT_EQ(symlink("/dev/zero", folder.hostPath(relative).c_str()), 0);
    } else {
      folder.write(relative, "x");
      folder.setTime(relative, e.time);
    }
  }
}

struct SaveRow {
  const char* label;
  std::vector<Entry> saves;
  std::string expect;
};

class NewestSaveTest : public RaceTest, public ::testing::WithParamInterface<SaveRow> {};

TEST_P(NewestSaveTest, PassesOverTheExactAutosaveName) {
  writeEntries(folder, "Saves", GetParam().saves);
  EXPECT_TRUE(findNewestSave());
  EXPECT_EQ(app().saveName, GetParam().expect);
}

INSTANTIATE_TEST_SUITE_P(
    Saves, NewestSaveTest,
    ::testing::Values(
        SaveRow{
            "autosave_newest", {{"Autosave.gam", kBase + 600}, {"Race1.gam", kBase}}, "Race1.gam"},
        SaveRow{"race_newest", {{"Autosave.gam", kBase}, {"Race1.gam", kBase + 600}}, "Race1.gam"},
        SaveRow{"capitals_taken",
                {{"AUTOSAVE.GAM", kBase + 600}, {"Race1.gam", kBase}},
                "AUTOSAVE.GAM"},
        SaveRow{"lower_case_taken",
                {{"autosave.gam", kBase + 600}, {"Race1.gam", kBase}},
                "autosave.gam"},
        SaveRow{"autosave_only", {{"Autosave.gam", kBase}}, ""}, SaveRow{"none", {}, ""},
        SaveRow{"only_folders", {{"a.gam", -1}, {"Autosave.gam", -1}}, ""},
        SaveRow{"folder_newer_than_file", {{"new.gam", -1}, {"old.gam", kBase}}, "old.gam"},
        SaveRow{"device_link_newer_than_file",
                {{"Race2.gam", kDeviceLink}, {"Race1.gam", kBase}},
                "Race1.gam"},
        // Next after the autosave is taken whatever its name.
        SaveRow{"autosave_then_days_older",
                {{"B.gam", kBase - 86400 * 3}, {"Autosave.gam", kBase}, {"A.gam", kBase - 86400}},
                "A.gam"},
        SaveRow{"other_patterns_ignored",
                {{"new.sav", kBase + 600}, {"new.gam.bak", kBase + 600}, {"R.gam", kBase}},
                "R.gam"}),
    RowName());

TEST_F(RaceTest, MissingSavesFolderReportsFailureAndReadsNothing) {
  app().trackPath = "\\kept";
  app().saveName = "old";
  EXPECT_FALSE(findNewestSave());
  EXPECT_EQ(app().trackPath, "\\kept");
  EXPECT_EQ(app().saveName, "");
}

TEST_F(RaceTest, ChosenSaveIsRead) {
  RawFile f(400);
  f.put16(0, 288).text(129, "Ann Lee");
  folder.write("Saves/Race1.gam", f.bytes());
  EXPECT_TRUE(findNewestSave());
  EXPECT_EQ(app().saveName, "Race1.gam");
  EXPECT_EQ(app().driverName, "Ann Lee");
}

struct ScreenRow {
  const char* label;
  std::vector<Entry> screens;
  std::string expect;
};

class NewestScreenTest : public RaceTest, public ::testing::WithParamInterface<ScreenRow> {};

TEST_P(NewestScreenTest, TakesTheNewestFile) {
  if (!GetParam().screens.empty()) writeEntries(folder, "Screens", GetParam().screens);
  app().screenName = "stale";
  findNewestScreenshot();
  EXPECT_EQ(app().screenName, GetParam().expect);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, NewestScreenTest,
    ::testing::Values(
        ScreenRow{"no_folder", {}, ""}, ScreenRow{"no_bmp", {{"a.jpg", kBase}}, ""},
        ScreenRow{"folder_skipped", {{"x.bmp", -1}, {"a.bmp", kBase}}, "a.bmp"},
        ScreenRow{"newest_by_minute",
                  {{"a.bmp", kBase}, {"b.bmp", kBase + 60}, {"c.bmp", kBase - 60}},
                  "b.bmp"},
        ScreenRow{"upper_case_extension", {{"A.BMP", kBase + 3600}, {"b.bmp", kBase}}, "A.BMP"},
        ScreenRow{"years_apart", {{"old.bmp", kBase - 31536000}, {"new.bmp", kBase}}, "new.bmp"}),
    RowName());

TEST_F(RaceTest, StampsAreLocalMinutesNewestFirst) {
  writeEntries(folder, "Screens", {{"a.bmp", kBase + 59}, {"b.bmp", kBase + 86400}});
  findNewestScreenshot();
  std::vector<std::string> seen;
  app().screenList.reset();
  while (const FileEntry* e = app().screenList.next()) seen.push_back(e->name + "=" + e->stamp);
  EXPECT_EQ(seen, (std::vector<std::string>{"b.bmp=2012.10.06 14:03", "a.bmp=2012.10.05 14:03"}));
}

// The first file the platform's scan reports, among those matching *.bmp.
std::string firstScanned(const std::string& folder) {
  std::string first;
  if (DirectoryScan::start(7, folder, "*.bmp")) {
    while (first.empty() && DirectoryScan::next(7)) {
      if (DirectoryScan::entryType(7) == 1) first = DirectoryScan::entryName(7);
    }
    DirectoryScan::finish(7);
  }
  return first;
}

// 5,000 screenshots within one minute, their seconds differing: the one the
// scan reports first wins, whatever its seconds or its name.
TEST_F(RaceTest, EqualStampsKeepTheScanOrder) {
  folder.makeFolder("Screens");
  for (int i = 0; i < 5000; ++i) {
    const std::string name = "Screens/s" + std::to_string((i * 7919) % 5000) + ".bmp";
    folder.write(name, "");
    folder.setTime(name, kBase + i % 60);
  }
  findNewestScreenshot();
  const std::string first = firstScanned(folder.programPath("Screens"));
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(app().screenName, first);
  EXPECT_EQ(app().screenList.size(), 5000u);
}

}  // namespace
