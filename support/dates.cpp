// Dates: wall-clock times counted in seconds from 1970-01-01 00:00:00 as if
// they were UTC. The calendar arithmetic is done here on the plain Gregorian
// calendar, so neither the machine's time zone nor daylight saving can shift
// a value.
#include <cstdint>
#include <limits>

#include "support/support.h"

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;

bool IsLeapYear(std::int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

// Days from 1970-01-01 to the given date (proleptic Gregorian calendar).
// The year is counted from March so that the leap day ends a year.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t monthFromMarch = month > 2 ? month - 3 : month + 9;
  const std::int64_t dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

struct Civil {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// Takes a non-negative value apart; all zeros for a negative one.
Civil Split(DateValue date) {
  Civil c;
  if (date < 0) return c;
  const std::int64_t days = date / kSecondsPerDay;
  const std::int64_t rest = date % kSecondsPerDay;
  c.hour = static_cast<int>(rest / 3600);
  c.minute = static_cast<int>(rest / 60 % 60);
  c.second = static_cast<int>(rest % 60);
  // Inverse of DaysFromCivil; values here lie well inside one era range.
  const std::int64_t z = days + 719468;
  const std::int64_t era = z / 146097;
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;
  c.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  c.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  c.year = static_cast<int>(yearOfEra + era * 400 + (c.month <= 2 ? 1 : 0));
  return c;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithToken(std::string_view text, std::string_view token) {
  if (text.size() < token.size()) return false;
  for (std::size_t i = 0; i < token.size(); ++i) {
    if (Lower(text[i]) != token[i]) return false;
  }
  return true;
}

}  // namespace

DateValue DateFromParts(int year, int month, int day, int hour, int minute, int second) {
  if (day == 31 && (month == 4 || month == 6 || month == 9 || month == 11)) return -1;
  if (month == 2) {
    if (day >= 30) return -1;
    if (day == 29 && !IsLeapYear(year)) return -1;
  }
  if (second < 0 || second > 59 || minute < 0 || minute > 59 || hour < 0 || hour > 23) return -1;
  if (day < 1 || day > 31 || month < 1 || month > 12 || year <= 0) return -1;
  const std::int64_t value = DaysFromCivil(year, month, day) * kSecondsPerDay +
                             std::int64_t{hour} * 3600 + std::int64_t{minute} * 60 + second;
  // Before 1970 or past 2038-01-19 03:14:07 a value does not fit: invalid.
  if (value < 0 || value > std::numeric_limits<DateValue>::max()) return -1;
  return static_cast<DateValue>(value);
}

int DateYear(DateValue date) { return Split(date).year; }
int DateMonth(DateValue date) { return Split(date).month; }
int DateDay(DateValue date) { return Split(date).day; }
int DateHour(DateValue date) { return Split(date).hour; }
int DateMinute(DateValue date) { return Split(date).minute; }
int DateSecond(DateValue date) { return Split(date).second; }

std::string DateToText(std::string_view mask, DateValue date) {
  const Civil c = Split(date);
  const bool valid = date >= 0;
  // Every token is longer than its text, so the result never outgrows the mask.
  std::string out(mask.size(), '\0');
  std::size_t n = 0;
  const auto twoDigits = [&](int value) {
    out[n++] = static_cast<char>('0' + value / 10 % 10);
    out[n++] = static_cast<char>('0' + value % 10);
  };
  for (std::size_t i = 0; i < mask.size();) {
    if (mask[i] != '%') {
      out[n++] = mask[i++];
      continue;
    }
    const std::string_view rest = mask.substr(i + 1);
    if (StartsWithToken(rest, "yyyy")) {
      twoDigits(valid ? c.year / 100 : 0);
      twoDigits(valid ? c.year % 100 : 0);
      i += 5;
      continue;
    }
    // The two-letter tokens: "%yy" of a value that cannot be taken apart is
    // "00", like every other field of such a value.
    static constexpr std::string_view kTokens[] = {"yy", "mm", "dd", "hh", "ii", "ss"};
    const int fields[] = {c.year % 100, c.month, c.day, c.hour, c.minute, c.second};
    bool matched = false;
    for (std::size_t t = 0; t < 6 && !matched; ++t) {
      if (StartsWithToken(rest, kTokens[t])) {
        twoDigits(fields[t]);
        i += 3;
        matched = true;
      }
    }
    if (!matched) out[n++] = mask[i++];  // a lone "%": the next character is read normally
  }
  out.resize(n);
  return out;
}

DateValue FileTimeToDate(platform::FileTime utc) {
  platform::LocalTime local{};
  if (!platform::FileTimeToLocal(utc, &local)) return 0;
  return DateFromParts(local.year, local.month, local.day, local.hour, local.minute, local.second);
}
