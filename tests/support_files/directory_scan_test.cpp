#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "support/support.h"
#include "tests/testing/temp_folder.h"

namespace {

constexpr int kScan = 3;

class DirectoryScanTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
  }
  void TearDown() override { DirectoryScan::finish(kScan); }

  // Every entry the scan delivers, as "name:type", in delivery order.
  static std::vector<std::string> Collect(int n) {
    std::vector<std::string> out;
    while (DirectoryScan::next(n) != 0) {
      out.push_back(DirectoryScan::entryName(n) + ":" +
                    std::to_string(DirectoryScan::entryType(n)));
    }
    return out;
  }
  static std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  }

  TempFolder tmp;
};

TEST_F(DirectoryScanTest, StartAndDeliveryAcrossFolderShapes) {
  tmp.write("Screens/Shot1.bmp", "a");
  tmp.write("Screens/shot2.BMP", "b");
  tmp.write("Screens/notes.txt", "c");
  tmp.makeFolder("Screens/x.bmp");
  tmp.makeFolder("Empty");
  tmp.write(
      "Saves/R\xC3\xA4"
      "ce.gam",
      "d");  // UTF-8 on disk
  struct Case {
    std::string folder;
    std::string pattern;
    int started;
    std::vector<std::string> entries;
  };
  const std::string screens = tmp.program() + "Screens";
  const Case cases[] = {
      {screens, "*.bmp", 1, {"Shot1.bmp:1", "shot2.BMP:1", "x.bmp:2"}},
      {screens + "\\", "*.bmp", 1, {"Shot1.bmp:1", "shot2.BMP:1", "x.bmp:2"}},
      {screens, "SHOT?.Bmp", 1, {"Shot1.bmp:1", "shot2.BMP:1"}},
      {screens, "*.gam", 1, {}},
      {tmp.program() + "Empty", "*.bmp", 1, {}},
      {tmp.program() + "Empty", "", 1, {"..:2", ".:2"}},  // "*.*" takes the dot folders
      {tmp.program() + "Missing", "*.bmp", 0, {}},
      {tmp.program() + "Saves",
       "r\xC4*",
       1,
       {"R\xE4"
        "ce.gam:1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.folder + " | " + c.pattern);
    EXPECT_EQ(DirectoryScan::start(kScan, c.folder, c.pattern) != 0, c.started != 0);
    EXPECT_EQ(Sorted(Collect(kScan)), c.entries);
    EXPECT_EQ(DirectoryScan::next(kScan), 0);  // the end stays the end
    DirectoryScan::finish(kScan);
  }
}

TEST_F(DirectoryScanTest, EmptyFolderSearchesThePatternInTheCurrentFolder) {
  tmp.write("only-here-7361.gam", "");
  ScopedCurrentFolder inside(tmp.host());
  ASSERT_NE(DirectoryScan::start(kScan, "", "only-here-*.gam"), 0);
  EXPECT_EQ(Collect(kScan), std::vector<std::string>{"only-here-7361.gam:1"});
}

TEST_F(DirectoryScanTest, NumberWithoutScanGivesNeutralAnswers) {
  tmp.write("a.bmp", "");
  ASSERT_NE(DirectoryScan::start(kScan, tmp.program(), "*.bmp"), 0);
  ASSERT_EQ(DirectoryScan::start(kScan, tmp.program() + "Missing", "*.bmp"), 0);
  // The failed start finished the earlier scan and freed the number.
  for (int n : {kScan, 99, -1, 1 << 30}) {
    EXPECT_EQ(DirectoryScan::next(n), 0) << n;
    EXPECT_EQ(DirectoryScan::entryName(n), "") << n;
    EXPECT_EQ(DirectoryScan::entryType(n), 0) << n;
    EXPECT_EQ(DirectoryScan::entryDate(n, 2), 0) << n;
  }
  EXPECT_EQ(DirectoryScan::start(-1, tmp.program(), "*.bmp"), 0);
}

TEST_F(DirectoryScanTest, LastEntryStaysCurrentAfterTheEnd) {
  tmp.write("a.bmp", "");
  ASSERT_NE(DirectoryScan::start(kScan, tmp.program(), "*.bmp"), 0);
  ASSERT_NE(DirectoryScan::next(kScan), 0);
  EXPECT_EQ(DirectoryScan::next(kScan), 0);
  EXPECT_EQ(DirectoryScan::entryName(kScan), "a.bmp");
  EXPECT_EQ(DirectoryScan::entryType(kScan), 1);
}

TEST_F(DirectoryScanTest, EntryDateChoosesWriteAccessOrCreationTime) {
  tmp.write("a.gam", "x");
  struct timespec times[2] = {};
  times[0].tv_sec = 1000000000;  // accessed 2001-09-09 01:46:40 UTC
  times[1].tv_sec = 1349445839;  // written 2012-10-05 14:03:59 UTC
  ASSERT_EQ(utimensat(AT_FDCWD, tmp.hostPath("a.gam").c_str(), times, 0), 0);
  struct stat st;
  ASSERT_EQ(stat(tmp.hostPath("a.gam").c_str(), &st), 0);
  const DateValue changed = FileTimeToDate(st.st_ctim.tv_sec);

  ASSERT_NE(DirectoryScan::start(kScan, tmp.program(), "a.gam"), 0);
  ASSERT_NE(DirectoryScan::next(kScan), 0);
  EXPECT_EQ(DirectoryScan::entryDate(kScan, 2), DateFromParts(2012, 10, 5, 14, 3, 59));
  EXPECT_EQ(DirectoryScan::entryDate(kScan, 1), DateFromParts(2001, 9, 9, 1, 46, 40));
  for (int which : {0, 3, -1}) EXPECT_EQ(DirectoryScan::entryDate(kScan, which), changed) << which;
}

struct Entry {
  std::string name;
  std::string stamp;
};

TEST_F(DirectoryScanTest, EqualStampsKeepScanOrderAfterTheNewestSort) {
  constexpr int kFiles = 5000;
  // Fifty files with different seconds of the same minute, each with further
  // names (hard links are far cheaper to make than files).
  constexpr int kDistinct = 50;
  tmp.makeFolder("Screens");
  for (int i = 0; i < kFiles; ++i) {
    const std::string host = tmp.hostPath("Screens/s" + std::to_string(i) + ".bmp");
    if (i >= kDistinct) {
      const std::string base = tmp.hostPath("Screens/s" + std::to_string(i % kDistinct) + ".bmp");
      ASSERT_EQ(link(base.c_str(), host.c_str()), 0);
      continue;
    }
    const int fd = open(host.c_str(), O_CREAT | O_WRONLY, 0644);
    ASSERT_GE(fd, 0);
    struct timespec times[2] = {};
    times[0].tv_sec = times[1].tv_sec = 1349445780 + i;  // 14:03:00 .. 14:03:49
    ASSERT_EQ(futimens(fd, times), 0);
    close(fd);
  }
  tmp.write("Screens/old.bmp", "");
  tmp.setTime("Screens/old.bmp", 1349445600);  // 14:00

  SortedList<Entry> list;
  std::vector<std::string> scanOrder;
  ASSERT_NE(DirectoryScan::start(kScan, tmp.program() + "Screens", "*.bmp"), 0);
  while (DirectoryScan::next(kScan) != 0) {
    Entry* e = list.add();
    e->name = DirectoryScan::entryName(kScan);
    e->stamp = DateToText("%yyyy.%mm.%dd %hh:%ii", DirectoryScan::entryDate(kScan, 2));
    if (e->name != "old.bmp") scanOrder.push_back(e->name);
  }
  ASSERT_EQ(list.size(), kFiles + 1u);
  list.sortByField(SortDescending | SortIgnoreCase, &Entry::stamp, SortFieldText);
  list.reset();
  std::vector<std::string> sorted;
  while (const Entry* e = list.next()) sorted.push_back(e->name);
  EXPECT_EQ(sorted.back(), "old.bmp");
  sorted.pop_back();
  EXPECT_EQ(sorted, scanOrder);
}

}  // namespace
