// The proposed archive name: free text, track name, driver name and a
// time-or-speed number, in the order the position settings give.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "core/app.h"

namespace {

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kSpeedScale = 360000;
constexpr double kDistanceUnit = 1000.0;
constexpr char kSeparator = '_';

std::int64_t saturated(bool negative) { return negative ? kInt64Min : kInt64Max; }

// A double truncated toward zero, clamped to the 64-bit range (NaN gives 0),
// so that the conversion is always defined.
std::int64_t truncateToInt64(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 9223372036854775807.0) return kInt64Max;
  if (x <= -9223372036854775808.0) return kInt64Min;
  return static_cast<std::int64_t>(x);
}

// p * c / t truncated toward zero, for c > 0 and t != 0. When p * c does not
// fit 64 bits, the quotient is taken as (p / t) * c + (p % t) * c / t: both
// terms carry the sign of the quotient, so the sum is the exact truncated
// quotient; only a quotient beyond 64 bits saturates to INT64_MAX/INT64_MIN.
std::int64_t scaledQuotient(std::int64_t p, std::int64_t c, std::int64_t t) {
  const bool negative = (p < 0) != (t < 0);
  std::int64_t product = 0;
  if (!__builtin_mul_overflow(p, c, &product)) {
    if (t == -1 && product == kInt64Min) return kInt64Max;
    return product / t;
  }
  if (t == -1 && p == kInt64Min) return kInt64Max;
  std::int64_t whole = 0;
  if (__builtin_mul_overflow(p / t, c, &whole)) return saturated(negative);
  // |p % t| < |t| <= 2^31 and c is small, so this product fits.
  const std::int64_t part = (p % t) * c / t;
  std::int64_t sum = 0;
  if (__builtin_add_overflow(whole, part, &sum)) return saturated(negative);
  return sum;
}

// The number of laps driven for a distance in thousands of track units:
// whole laps started, i.e. the truncated quotient plus one. The +1 saturates.
std::int64_t lapsForDistance(std::int64_t distance, std::int64_t trackLength) {
  const std::int64_t whole =
      truncateToInt64(static_cast<double>(distance) * kDistanceUnit / trackLength);
  return whole == kInt64Max ? kInt64Max : whole + 1;
}

// v / 10 with halves going up for v >= 0 (truncated toward zero for v < 0).
// Written as q + 1 rather than (v + 10) / 10 so that v near INT64_MAX cannot
// overflow; q is the 64-bit quotient, exact for every v.
std::int64_t roundedTenth(std::int64_t v) {
  const std::int64_t q = v / 10;
  return v - 10 * q > 4 ? q + 1 : q;
}

void appendPart(std::string& name, const std::string& part) {
  name += part;
  name += kSeparator;
}

}  // namespace

// Lower case for the track name: A-Z and the Windows-1252 capitals 192-222
// (215 included) move up by 32; every other byte stays.
std::string lowerTrackName(std::string_view trackName) {
  std::string text(trackName);
  for (char& c : text) {
    const unsigned char b = static_cast<unsigned char>(c);
    if ((b >= 'A' && b <= 'Z') || (b >= 192 && b <= 222)) c = static_cast<char>(b + 32);
  }
  return text;
}

std::string trackNameOf(std::string_view trackPath) {
  const std::size_t slash = trackPath.rfind('\\');
  return std::string(slash == std::string_view::npos ? trackPath : trackPath.substr(slash + 1));
}

void setTrackName() {
  AppState& s = app();
  s.trackName = trackNameOf(s.trackPath);
}

// Block indexes 0 and 1 keep the track record value read with the track
// file; a higher block computes an average speed from the race length and
// the result time, scaled and rounded to tenths.
std::int64_t timeOrSpeedOf(const SaveGameRecord& save, std::int32_t trackLength,
                           std::int64_t recordValue) {
  const std::int64_t time = save.resultTime;
  const std::int64_t length = trackLength;
  if (save.blockIndex <= 1) return recordValue;
  if (time == 0) return 0;
  std::int64_t v = recordValue;
  if (save.lengthMode == 1 && length != 0) {
    std::int64_t driven = 0;
    const std::int64_t laps = lapsForDistance(save.lengthValue, length);
    if (__builtin_mul_overflow(length, laps, &driven))
      driven = saturated((length < 0) != (laps < 0));
    v = scaledQuotient(driven, kSpeedScale, time);
  } else if (save.lengthMode == 0 && length != 0) {
    // A 32-bit length times a 16-bit lap count always fits.
    v = scaledQuotient(length * save.lengthValue, kSpeedScale, time);
  }
  return roundedTenth(v);
}

void computeTimeOrSpeed() {
  AppState& s = app();
  SaveGameRecord save;
  save.resultTime = s.resultTime;
  save.blockIndex = s.blockIndex;
  save.lengthMode = s.lengthMode;
  save.lengthValue = s.lengthValue;
  s.timeOrSpeed = timeOrSpeedOf(save, s.trackLength, s.timeOrSpeed);
}

void composeArchiveName() {
  AppState& s = app();
  std::string name;
  for (int pos = 1; pos <= 4; ++pos) {
    if (s.textPos == pos) appendPart(name, s.freeText);
    if (s.trackNamePos == pos) appendPart(name, lowerTrackName(s.trackName));
    if (s.driverNamePos == pos) appendPart(name, s.driverName);
    if (s.timePos == pos) appendPart(name, std::to_string(s.timeOrSpeed));
  }
  if (!name.empty() && name.back() == kSeparator) name.pop_back();
  s.archiveName = name;
}
