// The times of a proof: archive stamps and organisers' dates read as
// tables, and the gap and window checks through whole archives.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "check/check.h"
#include "tests/check/hostile_zip.h"

namespace {

using hostile::DosDate;
using hostile::DosTime;

std::string Shown(const WallTime& t) {
  if (!t.valid) return "not valid";
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  return text;
}

struct StampRow {
  std::uint16_t date, time;
  const char* shown;
};

const StampRow kStampRows[] = {
    {DosDate(1980, 1, 1), DosTime(0, 0, 0), "1980-01-01 00:00:00"},
    {DosDate(2107, 12, 31), DosTime(23, 59, 58), "2107-12-31 23:59:58"},
    {DosDate(2026, 11, 30), DosTime(21, 14, 32), "2026-11-30 21:14:32"},
    {DosDate(2028, 2, 29), DosTime(7, 8, 9), "2028-02-29 07:08:08"},
    {DosDate(2000, 2, 29), DosTime(0, 0, 0), "2000-02-29 00:00:00"},
    {0, 0, "not valid"},  // month 0, as an archive without times has
    {DosDate(2026, 13, 1), DosTime(12, 0, 0), "not valid"},
    {DosDate(2026, 2, 29), DosTime(12, 0, 0), "not valid"},
    {DosDate(2100, 2, 29), DosTime(12, 0, 0), "not valid"},
    {DosDate(2026, 2, 31), DosTime(12, 0, 0), "not valid"},
    {DosDate(2026, 4, 31), DosTime(12, 0, 0), "not valid"},
    {DosDate(2026, 4, 0), DosTime(12, 0, 0), "not valid"},
    {DosDate(2026, 4, 30), DosTime(24, 0, 0), "not valid"},
    {DosDate(2026, 4, 30), DosTime(25, 0, 0), "not valid"},
    {DosDate(2026, 4, 30), DosTime(12, 60, 0), "not valid"},
    {DosDate(2026, 4, 30), DosTime(12, 0, 60), "not valid"},
    {0xFFFF, 0xFFFF, "not valid"},
};

TEST(RaceTimes, ArchiveStampsAreRealDatesOrNotValid) {
  for (const StampRow& row : kStampRows) {
    EXPECT_EQ(Shown(FromDosTime(row.date, row.time)), row.shown)
        << std::hex << row.date << " " << row.time;
  }
}

TEST(RaceTimes, SecondsCountEveryDayAndUnit) {
  WallTime t;
  ASSERT_TRUE(ParseWindowEnd("1980-01-01", false, &t));
  EXPECT_EQ(SecondsOf(t), 0);
  // 46 years, 12 of them leap years (1980 ... 2024), then 31 + 28 days.
  ASSERT_TRUE(ParseWindowEnd("2026-03-01T02:03:04", false, &t));
  EXPECT_EQ(SecondsOf(t), (46 * 365 + 12 + 59) * 86400LL + 2 * 3600 + 3 * 60 + 4);
}

struct DurationRow {
  const char* text;
  bool ok;
  std::int64_t seconds;
};

const DurationRow kDurationRows[] = {
    {"90m", true, 5400},
    {"2h", true, 7200},
    {"1d", true, 86400},
    {"0", true, 0},
    {"0h", true, 0},
    {"106751991167300d", true, 106751991167300 * 86400},
    {"106751991167301d", false, 0},
    {"99999999999999999999m", false, 0},
    {"", false, 0},
    {"-2h", false, 0},
    {"+2h", false, 0},
    {"2", false, 0},
    {"h", false, 0},
    {"2s", false, 0},
    {"2H", false, 0},
    {"1.5h", false, 0},
    {" 2h", false, 0},
    {"2h ", false, 0},
    {"2h30m", false, 0},
};

TEST(RaceTimes, MaxGapTakesMinutesHoursOrDays) {
  for (const DurationRow& row : kDurationRows) {
    std::int64_t seconds = -1;
    EXPECT_EQ(ParseDuration(row.text, &seconds), row.ok) << row.text;
    if (row.ok) {
      EXPECT_EQ(seconds, row.seconds) << row.text;
    }
  }
}

struct WindowRow {
  const char* text;
  bool last;
  const char* shown;  // "not valid" when refused
};

const WindowRow kWindowRows[] = {
    {"2026-11-01", false, "2026-11-01 00:00:00"},
    {"2026-11-30", true, "2026-11-30 23:59:59"},
    {"2026-11-01T18:05", false, "2026-11-01 18:05:00"},
    {"2026-11-01T18:05", true, "2026-11-01 18:05:59"},
    {"2026-11-01T18:05:30", false, "2026-11-01 18:05:30"},
    {"2026-11-01T18:05:30", true, "2026-11-01 18:05:30"},
    {"1980-01-01T00:00:00", false, "1980-01-01 00:00:00"},
    {"2107-12-31T23:59:59", true, "2107-12-31 23:59:59"},
    {"2028-02-29", false, "2028-02-29 00:00:00"},
    {"1979-12-31", true, "not valid"},
    {"2108-01-01", false, "not valid"},
    {"2026-02-29", false, "not valid"},
    {"2026-02-30", false, "not valid"},
    {"2026-04-31", false, "not valid"},
    {"2026-13-01", false, "not valid"},
    {"2026-00-10", false, "not valid"},
    {"2026-11-00", false, "not valid"},
    {"2026-11-01T24:00", true, "not valid"},
    {"2026-11-01T18:60", false, "not valid"},
    {"2026-11-01T18:00:60", false, "not valid"},
    {"", false, "not valid"},
    {"2026-11-1", false, "not valid"},
    {"26-11-01", false, "not valid"},
    {"2026/11/01", false, "not valid"},
    {"2026-11-01 18:00", false, "not valid"},
    {"2026-11-01T18", false, "not valid"},
    {"2026-11-01T1800", false, "not valid"},
    {"2026-11-01T18:00:", false, "not valid"},
    {"2026-11-01T18:00:0x", false, "not valid"},
    {"2026-1a-01", false, "not valid"},
    {"-026-11-01", false, "not valid"},
};

TEST(RaceTimes, WindowEndsAreRealDatesAndTimes) {
  for (const WindowRow& row : kWindowRows) {
    WallTime t;
    const bool ok = ParseWindowEnd(row.text, row.last, &t);
    EXPECT_EQ(ok, t.valid) << row.text;
    EXPECT_EQ(Shown(t), row.shown) << row.text << (row.last ? " (last)" : "");
  }
}

struct TextRow {
  std::int64_t seconds;
  const char* text;
};

const TextRow kDurationTexts[] = {
    {0, "0 s"},
    {59, "59 s"},
    {60, "1 min"},
    {3599, "59 min"},
    {3600, "1 h"},
    {2 * 3600 + 5 * 60 + 59, "2 h 5 min"},
    {86399, "23 h 59 min"},
    {86400, "1 d"},
    {2 * 86400 + 3599, "2 d"},
    {3 * 86400 + 4 * 3600 + 59 * 60, "3 d 4 h"},
    {46720LL * 86400 + 23 * 3600, "46720 d 23 h"},
};

TEST(RaceTimes, DurationTextNamesTheLargestUnits) {
  for (const TextRow& row : kDurationTexts) {
    EXPECT_EQ(FormatDuration(row.seconds), row.text) << row.seconds;
  }
  WallTime t;
  ASSERT_TRUE(ParseWindowEnd("2026-01-05T07:03:59", false, &t));
  EXPECT_EQ(FormatWallTime(t), "2026-01-05 07:03");
}

// ---------------------------------------------------------------------------
// Through whole archives

struct Stamp {
  int year, month, day, hour, minute, second;
};

struct ProofTimesRow {
  const char* label;
  const char* screenshot;  // entry name ending
  Stamp screenshotTime, saveTime;
  const char* maxGap;
  const char* from;  // "" when not given
  const char* to;
  std::vector<std::string> problems, notes;
};

const Stamp kSaved = {2026, 11, 14, 20, 31, 44};
const Stamp kMidRound = {2026, 11, 15, 12, 5, 6};
const std::string kJpegNote =
    "screenshot time not compared: a JPEG is written when the archive is made";
const std::string kSaveInvalid = "the saved game's time in the archive is not a valid date";
const std::string kScreenshotInvalid = "the screenshot's time in the archive is not a valid date";

const ProofTimesRow kProofRows[] = {
    {"at the gap, after", ".bmp", {2026, 11, 14, 22, 1, 44}, kSaved, "90m", "", "", {}, {}},
    {"past the gap, after",
     ".bmp",
     {2026, 11, 14, 22, 1, 46},
     kSaved,
     "90m",
     "",
     "",
     {"screenshot taken 1 h 30 min after the race was saved"},
     {}},
    {"at the gap, before", ".bmp", {2026, 11, 14, 19, 1, 44}, kSaved, "90m", "", "", {}, {}},
    {"past the gap, before",
     ".bmp",
     {2026, 11, 14, 19, 1, 42},
     kSaved,
     "90m",
     "",
     "",
     {"screenshot taken 1 h 30 min before the race was saved"},
     {}},
    {"gap check off", ".bmp", {2026, 11, 11, 16, 0, 0}, kSaved, "0", "", "", {}, {}},
    {"JPEG", ".jpg", {2026, 11, 11, 16, 0, 0}, kSaved, "2h", "", "", {}, {kJpegNote}},
    {"JPEG, gap check off", ".jpeg", {2026, 11, 11, 16, 0, 0}, kSaved, "0", "", "", {}, {}},
    {"saved as the round opens",
     ".bmp",
     kMidRound,
     {2026, 11, 1, 0, 0, 0},
     "0",
     "2026-11-01",
     "2026-11-30T21:14:30",
     {},
     {}},
    {"saved before the round opened",
     ".bmp",
     kMidRound,
     {2026, 10, 31, 23, 59, 58},
     "0",
     "2026-11-01",
     "2026-11-30T21:14:30",
     {"race saved 2026-10-31 23:59, before the round opened"},
     {}},
    {"saved as the round closes",
     ".bmp",
     kMidRound,
     {2026, 11, 30, 21, 14, 30},
     "0",
     "2026-11-01",
     "2026-11-30T21:14:30",
     {},
     {}},
    {"saved after the round closed",
     ".bmp",
     kMidRound,
     {2026, 11, 30, 21, 14, 32},
     "0",
     "2026-11-01",
     "2026-11-30T21:14:30",
     {"race saved 2026-11-30 21:14, after the round closed"},
     {}},
    {"no stamps, no time checks",
     ".bmp",
     {1980, 0, 0, 0, 0, 0},
     {1980, 0, 0, 0, 0, 0},
     "0",
     "",
     "",
     {},
     {}},
    {"saved game's stamp not a date, gap",
     ".bmp",
     kSaved,
     {2026, 13, 14, 20, 31, 44},
     "2h",
     "",
     "",
     {kSaveInvalid},
     {}},
    {"saved game's stamp not a date, window",
     ".jpg",
     kSaved,
     {2026, 2, 29, 20, 31, 44},
     "0",
     "2026-01-01",
     "",
     {kSaveInvalid},
     {}},
    {"screenshot's stamp not a date",
     ".bmp",
     {2026, 11, 14, 24, 31, 44},
     kSaved,
     "2h",
     "",
     "2026-11-30",
     {kScreenshotInvalid},
     {}},
    {"both stamps not dates",
     ".bmp",
     {2026, 11, 14, 20, 31, 60},
     {2026, 11, 0, 20, 31, 44},
     "2h",
     "",
     "2026-11-30",
     {kScreenshotInvalid, kSaveInvalid},
     {}},
};

ProofReport CheckRow(const ProofTimesRow& row) {
  std::vector<hostile::Entry> entries = hostile::Proof();
  if (std::string(row.screenshot) != ".bmp") {
    entries[0].name = hostile::kName + row.screenshot;
    entries[0].data = hostile::Jpeg(64, 48);
  }
  const Stamp& s = row.screenshotTime;
  entries[0].dosDate = DosDate(s.year, s.month, s.day);
  entries[0].dosTime = DosTime(s.hour, s.minute, s.second);
  const Stamp& g = row.saveTime;
  entries[1].dosDate = DosDate(g.year, g.month, g.day);
  entries[1].dosTime = DosTime(g.hour, g.minute, g.second);
  CheckOptions options;
  EXPECT_TRUE(ParseDuration(row.maxGap, &options.maxGapSeconds)) << row.label;
  if (*row.from != '\0') {
    EXPECT_TRUE(ParseWindowEnd(row.from, false, &options.from)) << row.label;
  }
  if (*row.to != '\0') {
    EXPECT_TRUE(ParseWindowEnd(row.to, true, &options.to)) << row.label;
  }
  const std::string zip = hostile::Zip(entries);
  ArchiveSource source;
  source.data = reinterpret_cast<const std::uint8_t*>(zip.data());
  source.size = zip.size();
  return CheckProof(source, hostile::kName + ".zip", options);
}

TEST(RaceTimes, ProofTimesGiveTheirProblemsAndNotes) {
  for (const ProofTimesRow& row : kProofRows) {
    const ProofReport r = CheckRow(row);
    EXPECT_EQ(r.problems, row.problems) << row.label;
    EXPECT_EQ(r.notes, row.notes) << row.label;
  }
}

}  // namespace
