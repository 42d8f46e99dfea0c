// When the screenshot was taken and the race saved, by the entrant's clock:
// reading the archive's time stamps and the organisers' dates, and the
// checks made with them.
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>

#include "check/check.h"
#include "check/check_internal.h"

namespace {

// The years an MS-DOS date can hold (7 bits from 1980).
constexpr int kFirstYear = 1980;
constexpr int kLastYear = 2107;
constexpr std::int64_t kMinute = 60, kHour = 60 * kMinute, kDay = 24 * kHour;

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysIn(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// The time from its fields, valid when they name a real moment.
WallTime Made(int year, int month, int day, int hour, int minute, int second) {
  WallTime t{false, year, month, day, hour, minute, second};
  t.valid = year >= kFirstYear && year <= kLastYear && month >= 1 && month <= 12 && day >= 1 &&
            day <= DaysIn(year, month) && hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 &&
            second >= 0 && second <= 59;
  return t;
}

// `count` decimal digits of `text` from `at`; -1 when one is not a digit.
int Digits(const std::string& text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return -1;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// A stamp that is no real date, by whose it is.
const char* const kScreenshotTimeInvalid =
    "the screenshot's time in the archive is not a valid date";
const char* const kSaveTimeInvalid = "the saved game's time in the archive is not a valid date";

// The screenshot's time against the saved game's, for a BMP screenshot.
void CheckGap(const CheckOptions& options, ProofReport* report, bool* saveInvalid) {
  if (report->screenshotJpeg) {
    report->notes.push_back(
        "screenshot time not compared: a JPEG is written when the archive is made");
    return;
  }
  if (!report->screenshotTime.valid) report->problems.push_back(kScreenshotTimeInvalid);
  if (!report->saveTime.valid) *saveInvalid = true;
  if (!report->screenshotTime.valid || !report->saveTime.valid) return;
  const std::int64_t gap = SecondsOf(report->screenshotTime) - SecondsOf(report->saveTime);
  const std::int64_t apart = gap < 0 ? -gap : gap;
  if (apart <= options.maxGapSeconds) return;
  report->problems.push_back("screenshot taken " + FormatDuration(apart) +
                             (gap < 0 ? " before" : " after") + " the race was saved");
}

// The saved game's time against the round's window.
void CheckWindow(const CheckOptions& options, ProofReport* report, bool* saveInvalid) {
  if (!report->saveTime.valid) {
    *saveInvalid = true;
    return;
  }
  const std::int64_t saved = SecondsOf(report->saveTime);
  const std::string when = "race saved " + FormatWallTime(report->saveTime);
  if (options.from.valid && saved < SecondsOf(options.from)) {
    report->problems.push_back(when + ", before the round opened");
  } else if (options.to.valid && saved > SecondsOf(options.to)) {
    report->problems.push_back(when + ", after the round closed");
  }
}

}  // namespace

WallTime FromDosTime(std::uint16_t dosDate, std::uint16_t dosTime) {
  return Made(kFirstYear + (dosDate >> 9), (dosDate >> 5) & 0x0F, dosDate & 0x1F, dosTime >> 11,
              (dosTime >> 5) & 0x3F, (dosTime & 0x1F) * 2);
}

std::int64_t SecondsOf(const WallTime& time) {
  std::int64_t days = 0;
  for (int year = kFirstYear; year < time.year; ++year) days += IsLeap(year) ? 366 : 365;
  for (int month = 1; month < time.month; ++month) days += DaysIn(time.year, month);
  days += time.day - 1;
  return days * kDay + time.hour * kHour + time.minute * kMinute + time.second;
}

bool ParseDuration(const std::string& text, std::int64_t* seconds) {
  if (text == "0") {
    *seconds = 0;
    return true;
  }
  if (text.size() < 2) return false;
  std::int64_t unit = 0;
  switch (text.back()) {
    case 'm':
      unit = kMinute;
      break;
    case 'h':
      unit = kHour;
      break;
    case 'd':
      unit = kDay;
      break;
    default:
      return false;
  }
  const std::int64_t most = std::numeric_limits<std::int64_t>::max() / unit;
  std::int64_t count = 0;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return false;
    if (count > (most - (c - '0')) / 10) return false;
    count = count * 10 + (c - '0');
  }
  *seconds = count * unit;
  return true;
}

bool ParseWindowEnd(const std::string& text, bool last, WallTime* time) {
  // YYYY-MM-DD, then THH:MM, then :SS.
  if (text.size() != 10 && text.size() != 16 && text.size() != 19) return false;
  if (text[4] != '-' || text[7] != '-') return false;
  if (text.size() > 10 && (text[10] != 'T' || text[13] != ':')) return false;
  if (text.size() > 16 && text[16] != ':') return false;
  const int year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  int hour = last ? 23 : 0, minute = last ? 59 : 0, second = last ? 59 : 0;
  if (text.size() > 10) {
    hour = Digits(text, 11, 2);
    minute = Digits(text, 14, 2);
  }
  if (text.size() > 16) second = Digits(text, 17, 2);
  const WallTime made = Made(year, month, day, hour, minute, second);
  if (!made.valid) return false;
  *time = made;
  return true;
}

std::string FormatDuration(std::int64_t seconds) {
  const std::int64_t days = seconds / kDay, hours = seconds % kDay / kHour;
  const std::int64_t minutes = seconds % kHour / kMinute;
  std::string text;
  const auto add = [&text](std::int64_t n, const char* unit) {
    if (!text.empty()) text += ' ';
    text += std::to_string(n);
    text += ' ';
    text += unit;
  };
  if (days > 0) {
    add(days, "d");
    if (hours > 0) add(hours, "h");
  } else if (hours > 0) {
    add(hours, "h");
    if (minutes > 0) add(minutes, "min");
  } else if (minutes > 0) {
    add(minutes, "min");
  } else {
    add(seconds, "s");
  }
  return text;
}

std::string FormatWallTime(const WallTime& time) {
  char text[80];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", time.year, time.month, time.day,
                time.hour, time.minute);
  return text;
}

void CheckRaceTimes(const CheckOptions& options, ProofReport* report) {
  if (report->saveEntry.empty()) return;
  bool saveInvalid = false;
  if (options.maxGapSeconds > 0 && !report->screenshotEntry.empty()) {
    CheckGap(options, report, &saveInvalid);
  }
  if (options.from.valid || options.to.valid) CheckWindow(options, report, &saveInvalid);
  if (saveInvalid) report->problems.push_back(kSaveTimeInvalid);
}
