// Track name, time-or-speed number and the composed archive name.
#include <cstdint>
#include <limits>
#include <string>

#include "core/zip_folder.h"
#include "tests/core_race/race_fixture.h"

namespace {

constexpr auto kMax64 = std::numeric_limits<std::int64_t>::max();
constexpr auto kMin64 = std::numeric_limits<std::int64_t>::min();
constexpr auto kMax32 = std::numeric_limits<std::int32_t>::max();
constexpr auto kMin32 = std::numeric_limits<std::int32_t>::min();

struct Race {
  std::int8_t k;   // blockIndex
  std::int8_t m;   // lengthMode
  std::int16_t d;  // lengthValue
  std::int32_t L;  // trackLength
  std::int32_t T;  // resultTime
  std::int64_t v;  // record value left by the track reader
};

struct Positions {
  std::int8_t text, track, driver, time;
  const char* freeText;
};

const Positions kDefault{0, 1, 2, 3, ""};

struct NameRow {
  const char* label;
  std::string trackPath, driver;
  Race race;
  Positions pos;
  std::int64_t expectValue;
  std::string expectName;
};

void setUpRace(const Race& r) {
  AppState& s = app();
  s.blockIndex = r.k;
  s.lengthMode = r.m;
  s.lengthValue = r.d;
  s.trackLength = r.L;
  s.resultTime = r.T;
  s.timeOrSpeed = r.v;
}

class ArchiveNameTest : public RaceTest, public ::testing::WithParamInterface<NameRow> {};

TEST_P(ArchiveNameTest, ComposesTheProposedName) {
  const NameRow& r = GetParam();
  AppState& s = app();
  s.trackPath = r.trackPath;
  s.driverName = r.driver;
  setUpRace(r.race);
  s.textPos = r.pos.text;
  s.trackNamePos = r.pos.track;
  s.driverNamePos = r.pos.driver;
  s.timePos = r.pos.time;
  s.freeText = r.pos.freeText;
  setTrackName();
  computeTimeOrSpeed();
  composeArchiveName();
  EXPECT_EQ(s.timeOrSpeed, r.expectValue);
  EXPECT_EQ(s.archiveName, r.expectName);
}

const std::string kHills = "\\Hills\\Oakfield";
const std::string kAnn = "Ann Lee";
const Race kRecord{1, 0, 0, 0, 0, 1234};

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, ArchiveNameTest,
    ::testing::Values(
        NameRow{"record_value", kHills, kAnn, kRecord, kDefault, 1234, "oakfield_Ann Lee_1234"},
        NameRow{"laps",
                kHills,
                kAnn,
                {2, 0, 10, 5000, 1850000, 1234},
                kDefault,
                973,
                "oakfield_Ann Lee_973"},
        NameRow{"distance",
                kHills,
                kAnn,
                {2, 1, 50, 4200, 2000000, 1234},
                kDefault,
                907,
                "oakfield_Ann Lee_907"},
        NameRow{
            "no_time", kHills, kAnn, {2, 0, 10, 5000, 0, 1234}, kDefault, 0, "oakfield_Ann Lee_0"},
        NameRow{"free_text_first",
                kHills,
                kAnn,
                kRecord,
                {1, 2, 3, 4, "Cup"},
                1234,
                "Cup_oakfield_Ann Lee_1234"},
        NameRow{"empty_free_text",
                kHills,
                kAnn,
                kRecord,
                {1, 2, 3, 4, ""},
                1234,
                "_oakfield_Ann Lee_1234"},
        NameRow{"all_left_out", kHills, kAnn, kRecord, {0, 0, 0, 0, "Cup"}, 1234, ""}),
    RowName());

INSTANTIATE_TEST_SUITE_P(
    Order, ArchiveNameTest,
    ::testing::Values(
        NameRow{"track_and_driver_same_place",
                kHills,
                kAnn,
                kRecord,
                {0, 1, 1, 0, ""},
                1234,
                "oakfield_Ann Lee"},
        NameRow{"number_alone", kHills, kAnn, kRecord, {0, 0, 0, 4, ""}, 1234, "1234"},
        NameRow{"one_underscore_removed",
                kHills,
                "Bob__",
                kRecord,
                {0, 1, 2, 0, ""},
                1234,
                "oakfield_Bob__"},
        NameRow{"all_in_one_place",
                kHills,
                kAnn,
                kRecord,
                {2, 2, 2, 2, "Cup"},
                1234,
                "Cup_oakfield_Ann Lee_1234"},
        NameRow{"reversed", kHills, kAnn, kRecord, {0, 3, 2, 1, ""}, 1234, "1234_Ann Lee_oakfield"},
        NameRow{
            "out_of_range_positions", kHills, kAnn, kRecord, {5, -1, 2, 0, "Cup"}, 1234, "Ann Lee"},
        NameRow{"negative_number",
                kHills,
                kAnn,
                {1, 0, 0, 0, 0, -5},
                kDefault,
                -5,
                "oakfield_Ann Lee_-5"},
        // Only A-Z and 192-222 (215 included) are lowered; 138, 223 and 255 stay.
        NameRow{"lower_case_bytes", "\\X\\Ab\xC4\xD7\xDE\xDF\x8A\xFF Z", "D\xC4", kRecord, kDefault,
                1234, "ab\xE4\xF7\xFE\xDF\x8A\xFF z_D\xC4_1234"},
        NameRow{"spaces_and_odd_bytes_stay", "\\a b?*:", "A:B", kRecord, kDefault, 1234,
                "a b?*:_A:B_1234"}),
    RowName());

struct TrackNameRow {
  const char* label;
  std::string path, expect;
};

class TrackNameTest : public RaceTest, public ::testing::WithParamInterface<TrackNameRow> {};

TEST_P(TrackNameTest, TakesTheLastComponent) {
  app().trackPath = GetParam().path;
  setTrackName();
  EXPECT_EQ(app().trackName, GetParam().expect);
}

INSTANTIATE_TEST_SUITE_P(Paths, TrackNameTest,
                         ::testing::Values(TrackNameRow{"two_levels", kHills, "Oakfield"},
                                           TrackNameRow{"no_backslash", "Oakfield", "Oakfield"},
                                           TrackNameRow{"trailing", "\\Hills\\", ""},
                                           TrackNameRow{"empty", "", ""},
                                           TrackNameRow{"doubled", "\\\\a\\\\b", "b"}),
                         RowName());

struct ValueRow {
  const char* label;
  Race race;
  std::int64_t expect;
};

class TimeOrSpeedTest : public RaceTest, public ::testing::WithParamInterface<ValueRow> {};

TEST_P(TimeOrSpeedTest, ComputesADefinedValue) {
  setUpRace(GetParam().race);
  computeTimeOrSpeed();
  EXPECT_EQ(app().timeOrSpeed, GetParam().expect);
}

// Block 2 with no track length keeps the record value and only rounds it.
Race keep(std::int64_t v) { return Race{2, 0, 10, 0, 1000, v}; }

INSTANTIATE_TEST_SUITE_P(
    Rounding, TimeOrSpeedTest,
    ::testing::Values(ValueRow{"r9729", keep(9729), 973}, ValueRow{"r9724", keep(9724), 972},
                      ValueRow{"r9725", keep(9725), 973}, ValueRow{"r4", keep(4), 0},
                      ValueRow{"r5", keep(5), 1}, ValueRow{"r0", keep(0), 0},
                      ValueRow{"neg_truncates", keep(-9729), -972},
                      ValueRow{"neg_half", keep(-9725), -972},
                      ValueRow{"max", keep(kMax64), 922337203685477581},
                      ValueRow{"min", keep(kMin64), -922337203685477580},
                      ValueRow{"beyond_32_bits", keep(99999999999995), 9999999999999 + 1},
                      ValueRow{"mode_2_keeps", {2, 2, 10, 5000, 1000, 77}, 8},
                      ValueRow{"block_minus_keeps", {-3, 0, 10, 5000, 1000, 77}, 77},
                      ValueRow{"block1_no_time_keeps", {1, 0, 10, 5000, 0, 77}, 77}),
    RowName());

INSTANTIATE_TEST_SUITE_P(
    Extremes, TimeOrSpeedTest,
    ::testing::Values(
        // 2147483647 * 127 * 360000 / 1 fits 64 bits: exact.
        ValueRow{"time_1_long_track", {2, 0, 127, kMax32, 1, 0}, 9818295234084000},
        // 1 lap of the longest track, time 1.
        ValueRow{"distance_long_track", {2, 1, 127, kMax32, 1, 0}, 77309411292000},
        // 32767000 laps + 1 of a track of length 1.
        ValueRow{"huge_lap_count", {2, 1, 32767, 1, 1, 0}, 1179612036000},
        ValueRow{"negative_track_length", {2, 1, 50, -4200, 2000000, 0}, 756},
        // The product exceeds 64 bits but the quotient fits: exact.
        ValueRow{"product_beyond_64_exact", {2, 0, 32767, kMax32, 3, 0}, 844399159934988000},
        ValueRow{"product_beyond_64_negative", {2, 0, 32767, kMax32, -3, 0}, -844399159934988000},
        // The quotient itself exceeds 64 bits: it saturates before the rounding.
        ValueRow{"quotient_saturates_up", {2, 0, 32767, kMax32, 1, 0}, 922337203685477581},
        ValueRow{"quotient_saturates_down", {2, 0, 32767, kMax32, -1, 0}, -922337203685477580},
        ValueRow{"min_track_min_time", {2, 0, -32768, kMin32, kMin32, 0}, -1179648000}),
    RowName());

}  // namespace

namespace {

TEST(ArchiveNameUse, ANameWhoseEntriesWouldUnpackAsADeviceIsRefused) {
  // "C" oe "n" and "LP" trade-mark "1" are packed as Con and LPT1.
  for (const char* name : {"C\x9Cn",
                           "LP\x99"
                           "1",
                           "c\x9CN.x", "LP\x99\xB9"}) {
    EXPECT_FALSE(isUsableArchiveName(name)) << name;
  }
  for (const char* name : {"\x8B"
                           "Ann\x9B",
                           "\x84"
                           "Ann\x93",
                           "C\x9Cnrad",
                           "LP\x99"
                           "12"}) {
    EXPECT_TRUE(isUsableArchiveName(name)) << name;
  }
}

}  // namespace
