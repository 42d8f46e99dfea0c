// Date values: making them, taking them apart, masks, and file times.
#include <gtest/gtest.h>
#include <time.h>

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "support/support.h"

namespace {

constexpr DateValue kLast = std::numeric_limits<DateValue>::max();

// Sets TZ for the lifetime of the object and restores the previous value.
class ScopedZone {
 public:
  explicit ScopedZone(const char* zone) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) previous_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedZone() {
    if (had_) {
      setenv("TZ", previous_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  bool had_ = false;
  std::string previous_;
};

struct PartsCase {
  int year, month, day, hour, minute, second;
  DateValue expected;
};

TEST(Dates, FromPartsChecksComponentsAndRange) {
  const PartsCase cases[] = {
      {1970, 1, 1, 0, 0, 0, 0},
      {1970, 1, 1, 1, 2, 3, 3723},
      {2012, 10, 5, 20, 47, 24, 1349470044},
      {2012, 2, 29, 0, 0, 0, 1330473600},
      {2000, 2, 29, 12, 0, 0, 951825600},
      {2000, 3, 1, 0, 0, 0, 951868800},
      {1972, 12, 31, 23, 59, 59, 94694399},
      {2038, 1, 19, 3, 14, 7, kLast},
      {2038, 1, 19, 3, 14, 8, -1},
      {2100, 1, 1, 0, 0, 0, -1},
      {1969, 12, 31, 23, 59, 59, -1},
      {2013, 2, 29, 0, 0, 0, -1},
      {1900, 2, 29, 0, 0, 0, -1},
      {2012, 2, 30, 0, 0, 0, -1},
      {2012, 4, 31, 0, 0, 0, -1},
      {2012, 11, 31, 0, 0, 0, -1},
      {2012, 12, 31, 0, 0, 0, 1356912000},
      {2012, 13, 1, 0, 0, 0, -1},
      {2012, 0, 1, 0, 0, 0, -1},
      {2012, 1, 0, 0, 0, 0, -1},
      {2012, 1, 32, 0, 0, 0, -1},
      {2012, 1, 1, 24, 0, 0, -1},
      {2012, 1, 1, 0, 60, 0, -1},
      {2012, 1, 1, 0, 0, 60, -1},
      {2012, 1, 1, -1, 0, 0, -1},
      {2012, 1, 1, 0, -1, 0, -1},
      {2012, 1, 1, 0, 0, -1, -1},
      {0, 1, 1, 0, 0, 0, -1},
      {-4, 2, 29, 0, 0, 0, -1},
      {std::numeric_limits<int>::max(), 12, 31, 23, 59, 59, -1},
  };
  for (const PartsCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.year << "-" << c.month << "-" << c.day << " " << c.hour
                                    << ":" << c.minute << ":" << c.second);
    EXPECT_EQ(DateFromParts(c.year, c.month, c.day, c.hour, c.minute, c.second), c.expected);
  }
}

TEST(Dates, FromPartsIgnoresTheMachineZone) {
  for (const char* zone : {"UTC0", "<+14>-14", "<-11>11", "CET-1CEST,M3.5.0,M10.5.0/3"}) {
    ScopedZone here(zone);
    SCOPED_TRACE(zone);
    EXPECT_EQ(DateFromParts(1970, 1, 1, 1, 2, 3), 3723);
    EXPECT_EQ(DateFromParts(2012, 7, 1, 12, 0, 0), 1341144000);
  }
}

// Components agree with the C library's UTC calendar and make the same value again.
TEST(Dates, ComponentsRoundTripAcrossTheRange) {
  for (std::int64_t v = 0; v <= kLast; v += 9999991) {
    const auto value = static_cast<DateValue>(v);
    const time_t t = value;
    struct tm utc;
    ASSERT_NE(gmtime_r(&t, &utc), nullptr);
    SCOPED_TRACE(value);
    EXPECT_EQ(DateYear(value), utc.tm_year + 1900);
    EXPECT_EQ(DateMonth(value), utc.tm_mon + 1);
    EXPECT_EQ(DateDay(value), utc.tm_mday);
    EXPECT_EQ(DateHour(value), utc.tm_hour);
    EXPECT_EQ(DateMinute(value), utc.tm_min);
    EXPECT_EQ(DateSecond(value), utc.tm_sec);
    EXPECT_EQ(DateFromParts(DateYear(value), DateMonth(value), DateDay(value), DateHour(value),
                            DateMinute(value), DateSecond(value)),
              value);
  }
  for (DateValue bad : {-1, std::numeric_limits<DateValue>::min()}) {
    EXPECT_EQ(DateYear(bad) + DateMonth(bad) + DateDay(bad), 0);
    EXPECT_EQ(DateHour(bad) + DateMinute(bad) + DateSecond(bad), 0);
  }
}

struct MaskCase {
  const char* mask;
  DateValue date;
  const char* expected;
};

TEST(Dates, ToTextReplacesTokens) {
  const DateValue example = 1349470044;  // 2012-10-05 20:47:24
  const MaskCase cases[] = {
      {"%yyyy.%mm.%dd %hh:%ii", example, "2012.10.05 20:47"},
      {"%dd/%mm/%yy %hh:%ii:%ss %x", example, "05/10/12 20:47:24 %x"},
      {"%yyyy.%mm.%dd %hh:%ii", 0, "1970.01.01 00:00"},
      {"%yyyy.%mm.%dd %hh:%ii", -1, "0000.00.00 00:00"},
      {"%yy|%ss", -1, "00|00"},
      {"%YYYY %MM %Mm %DD %HH %II %SS", example, "2012 10 10 05 20 47 24"},
      {"%yyy", example, "12y"},
      {"%%mm", example, "%10"},
      {"100%", example, "100%"},
      {"%q%", example, "%q%"},
      {"%m%i", example, "%m%i"},
      {"", example, ""},
      {"no tokens", -1, "no tokens"},
      {"%yyyy%mm%dd%hh%ii%ss", 946684799, "19991231235959"},
      {"%ss", kLast, "07"},
  };
  for (const MaskCase& c : cases) {
    SCOPED_TRACE(c.mask);
    EXPECT_EQ(DateToText(c.mask, c.date), c.expected);
  }
}

struct ZoneCase {
  const char* zone;
  platform::FileTime fileTime;
  DateValue expected;
};

TEST(Dates, FileTimeToDateShiftsByTheCurrentOffset) {
  const ZoneCase cases[] = {
      {"UTC0", 1349470044, 1349470044},
      {"UTC0", 0, 0},
      // A time the platform cannot take apart.
      {"UTC0", std::numeric_limits<platform::FileTime>::max(), 0},
      {"<+02>-2", 1349470044 - 7200, 1349470044},
      {"<-05>5", 0, -1},  // local time before 1970
      {"<-05>5", 18000, 0},
  };
  for (const ZoneCase& c : cases) {
    ScopedZone here(c.zone);
    SCOPED_TRACE(testing::Message() << c.zone << " " << c.fileTime);
    EXPECT_EQ(FileTimeToDate(c.fileTime), c.expected);
  }
  ScopedZone here("<+02>-2");
  EXPECT_EQ(DateToText("%yyyy.%mm.%dd %hh:%ii", FileTimeToDate(1349462844)), "2012.10.05 20:47");
}

}  // namespace
