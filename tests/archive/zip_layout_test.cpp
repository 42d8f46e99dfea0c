// What the writer puts on disk for ordinary files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "archive/zip_writer.h"
#include "platform/platform.h"
#include "tests/archive/archive_checks.h"

namespace {

std::uint16_t DosTime(int hour, int minute, int second) {
  return static_cast<std::uint16_t>(hour << 11 | minute << 5 | second / 2);
}

std::uint16_t DosDate(int year, int month, int day) {
  return static_cast<std::uint16_t>((year - 1980) << 9 | month << 5 | day);
}

long long Utc(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return static_cast<long long>(timegm(&t));
}

TEST_F(ZipWriterTest, ThreeFilesFollowTheRecordLayout) {
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "Lap " + std::to_string(i) + " 1:23.456\r\n";
  const std::vector<std::pair<std::string, std::string>> files = {
      {"Race.txt", text}, {"Shot.bmp", NoisyBytes(250000, 7)}, {"One.trk", "x"}};
  ASSERT_NE(CreateArchive(folder_.programPath("out.zip"), 0), 0);
  for (const auto& [name, bytes] : files) {
    folder_.write(name, bytes);
    EXPECT_EQ(AddFileToArchive(folder_.programPath(name), 0), 0) << name;
  }
  EXPECT_EQ(CloseArchive(), 0);

  ZipArchive zip = ExpectWellFormed(folder_.hostPath("out.zip"));
  ASSERT_EQ(zip.centrals.size(), 3u);
  std::uint64_t localBytes = 0;
  for (std::size_t i = 0; i < files.size(); ++i) {
    const ZipLocalEntry& local = zip.locals[i];
    EXPECT_EQ(local.name, files[i].first);
    EXPECT_EQ(EntryData(local), files[i].second);
    EXPECT_EQ(local.offset, localBytes);
    localBytes += 30 + local.name.size() + local.data.size();
  }
  EXPECT_LT(zip.locals[0].data.size(), text.size() / 4) << "text is deflated";
  EXPECT_EQ(zip.end.entriesOnDisk, 3);
  EXPECT_EQ(zip.end.entriesTotal, 3);
  EXPECT_EQ(zip.end.centralOffset, localBytes);
}

struct StampCase {
  const char* zone;
  long long utc;
  std::uint16_t time;
  std::uint16_t date;
};

TEST_F(ZipWriterTest, StampsTheLocalLastWriteTimeInDosForm) {
  const StampCase cases[] = {
      // Odd seconds round down to the even second below.
      {"UTC0", Utc(2012, 10, 5, 14, 3, 27), DosTime(14, 3, 26), DosDate(2012, 10, 5)},
      {"UTC0", Utc(2012, 10, 5, 14, 3, 28), DosTime(14, 3, 28), DosDate(2012, 10, 5)},
      // Three hours east of UTC the local day is already the next one.
      {"XST-3", Utc(2012, 10, 5, 22, 30, 59), DosTime(1, 30, 58), DosDate(2012, 10, 6)},
      {"UTC0", Utc(2000, 2, 29, 23, 59, 59), DosTime(23, 59, 58), DosDate(2000, 2, 29)},
      {"UTC0", Utc(1980, 1, 1, 0, 0, 0), DosTime(0, 0, 0), DosDate(1980, 1, 1)},
      {"UTC0", Utc(2038, 1, 19, 3, 14, 7), DosTime(3, 14, 6), DosDate(2038, 1, 19)},
      // MS-DOS dates begin in 1980: earlier times take its first moment.
      {"UTC0", Utc(1975, 6, 1, 12, 0, 0), DosTime(0, 0, 0), DosDate(1980, 1, 1)},
      // The very first local moment is a date like any other.
      {"UTC0", 0, DosTime(0, 0, 0), DosDate(1980, 1, 1)},
  };
  for (const StampCase& c : cases) {
    SCOPED_TRACE(std::string(c.zone) + " " + std::to_string(c.utc));
    ScopedTimeZone zone(c.zone);
    folder_.write("stamp.txt", "stamp");
    folder_.setTime("stamp.txt", c.utc);
    ASSERT_NE(CreateArchive(folder_.programPath("stamp.zip"), 0), 0);
    EXPECT_EQ(AddFileToArchive(folder_.programPath("stamp.txt"), 0), 0);
    EXPECT_EQ(CloseArchive(), 0);
    ZipArchive zip = ExpectWellFormed(folder_.hostPath("stamp.zip"));
    ASSERT_EQ(zip.locals.size(), 1u);
    EXPECT_EQ(zip.locals[0].time, c.time);
    EXPECT_EQ(zip.locals[0].date, c.date);
  }
}

TEST_F(ZipWriterTest, StoresTheAttributeWordAsExternalAttributes) {
  folder_.write("rw.txt", "writable");
  folder_.write("ro.txt", "read-only");
  chmod(folder_.hostPath("ro.txt").c_str(), 0444);
  ASSERT_NE(CreateArchive(folder_.programPath("attr.zip"), 0), 0);
  EXPECT_EQ(AddFileToArchive(folder_.programPath("rw.txt"), 0), 0);
  EXPECT_EQ(AddFileToArchive(folder_.programPath("ro.txt"), 0), 0);
  EXPECT_EQ(CloseArchive(), 0);
  ZipArchive zip = ExpectWellFormed(folder_.hostPath("attr.zip"));
  ASSERT_EQ(zip.centrals.size(), 2u);
  EXPECT_EQ(zip.centrals[0].externalAttributes, 0x20u);
  EXPECT_EQ(zip.centrals[1].externalAttributes, 0x21u);
}

TEST_F(ZipWriterTest, NamesEntriesInTheOemCodePage) {
  folder_.write("R\xC3\xA4nnen.gam", "umlaut");  // "Rännen.gam" on disk, in UTF-8
  folder_.write("sub/deep.trk", "deep");
  ASSERT_NE(CreateArchive(folder_.programPath("names.zip"), 0), 0);
  EXPECT_EQ(AddFileToArchive(folder_.programPath("R\xE4nnen.gam"), 0), 0);
  EXPECT_EQ(AddFileToArchive(folder_.programPath("sub\\deep.trk"), 1), 0);
  EXPECT_EQ(CloseArchive(), 0);
  ZipArchive zip = ExpectWellFormed(folder_.hostPath("names.zip"));
  ASSERT_EQ(zip.centrals.size(), 2u);
  EXPECT_EQ(zip.centrals[0].name, "R\x84nnen.gam");
  EXPECT_EQ(zip.centrals[0].flags & 0x0800, 0) << "names are not flagged as UTF-8";
  std::string full = folder_.programPath("sub\\deep.trk");
  std::replace(full.begin(), full.end(), '\\', '/');
  EXPECT_EQ(zip.centrals[1].name, full);
  EXPECT_EQ(EntryData(zip.locals[1]), "deep");
}

TEST_F(ZipWriterTest, TakesAPathWithoutFolderFromTheCurrentFolder) {
  folder_.write("plain.txt", "plain");
  ScopedCurrentFolder here(folder_.host());
  ASSERT_NE(CreateArchive("plain.zip", 0), 0);
  EXPECT_EQ(AddFileToArchive("plain.txt", 0), 0);
  EXPECT_EQ(CloseArchive(), 0);
  ZipArchive zip = ExpectWellFormed(folder_.hostPath("plain.zip"));
  ASSERT_EQ(zip.centrals.size(), 1u);
  EXPECT_EQ(zip.centrals[0].name, "plain.txt");
}

}  // namespace
