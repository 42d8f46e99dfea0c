// The saved-game and track readers: layouts, texts, the record choice and
// files whose sizes or offsets point outside the bytes read.
#include <cstring>
#include <limits>
#include <random>

#include "tests/core_race/race_fixture.h"
#include "tools/sample_game.h"

namespace {

struct SaveRow {
  const char* label;
  int marker;
  int blockIndexAt, driverAt;
  int kByte;
  int blockStart;  // where the block is expected; -1: outside the file
  int iByte, jByte;
  const char* driverField;
  std::string expectDriver;
  int expectI, expectJ;
  std::string expectPath;
  std::int32_t expectTime;
};

class SaveLayoutTest : public RaceTest, public ::testing::WithParamInterface<SaveRow> {};

TEST_P(SaveLayoutTest, ReadsFieldsOfTheSelectedBlock) {
  const SaveRow& r = GetParam();
  // A non-zero background, so that a read from a wrong position shows.
  RawFile f(200000, '\x33');
  f.put16(0, r.marker).put8(4, 10).put8(17, 1).put8(r.blockIndexAt, r.kByte);
  f.text(r.driverAt, std::string(r.driverField) + '\0');
  if (r.blockStart >= 0) {
    f.put8(r.blockStart, r.iByte).put8(r.blockStart + 4, r.jByte);
    f.text(r.blockStart + 8 + 56 * r.expectJ, r.expectPath + '\0');
    f.put32(r.blockStart + 24 + 56 * r.expectI, r.expectTime);
  }
  folder.write("Saves/r.gam", f.bytes());
  app().saveName = "r.gam";
  app().trackPath = "stale";
  readSaveGame();
  const AppState& s = app();
  EXPECT_EQ(s.driverName, r.expectDriver);
  EXPECT_EQ(s.lengthValue, 10);
  EXPECT_EQ(s.lengthMode, 1);
  EXPECT_EQ(s.blockIndex, static_cast<std::int8_t>(r.kByte));
  EXPECT_EQ(s.timeSlot, r.expectI);
  EXPECT_EQ(s.trackSlot, r.expectJ);
  EXPECT_EQ(s.trackPath, r.expectPath);
  EXPECT_EQ(s.resultTime, r.expectTime);
  EXPECT_EQ(s.fileLength, 200000);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, SaveLayoutTest,
    ::testing::Values(
        SaveRow{"a_block2", 288, 125, 129, 2, 3123, 5, 7, "Ann Lee", "Ann Lee", 5, 7,
                "\\Hills\\Oakfield", 1850000},
        SaveRow{"b_block1", 289, 78, 82, 1, 1531, 0, 3, "Bo", "Bo", 0, 3, "\\Coast\\Bay", -7},
        SaveRow{"b_marker0_block127", 0, 78, 82, 127, 82 + 1449 * 127, 1, 0, "Cy", "Cy", 1, 0,
                "\\Far", 123456},
        // Block 0 starts at the driver name: its first and fifth bytes are the slots.
        SaveRow{"b_block0_overlaps_driver", 289, 78, 82, 0, 82, 'A', 'E', "ABCDEFGHIJKL",
                "ABCDEFGHIJKL", 'A', 'E', "\\Deep", 42},
        SaveRow{"a_negative_slots", 288, 125, 129, 3, 129 + 1497 * 3, 255, 254, "Di", "Di", -1, -2,
                "\\Back", 77},
        // k = -3: the block lies before the file, so it reads as zeros.
        SaveRow{"a_negative_block", 288, 125, 129, 253, -1, 0, 0, "Ed", "Ed", 0, 0, "", 0}),
    RowName());

struct TextRow {
  const char* label;
  std::string field;  // bytes from the driver name's position on
  std::string expect;
};

class DriverTextTest : public RaceTest, public ::testing::WithParamInterface<TextRow> {};

TEST_P(DriverTextTest, StopsAtZeroOrTwelveBytesAndTrimsSpacesOnly) {
  RawFile f(400);
  f.put16(0, 288).text(129, GetParam().field);
  folder.write("Saves/t.gam", f.bytes());
  app().saveName = "t.gam";
  readSaveGame();
  EXPECT_EQ(app().driverName, GetParam().expect);
}

INSTANTIATE_TEST_SUITE_P(Texts, DriverTextTest,
                         ::testing::Values(TextRow{"padded", "  Ann       ", "Ann"},
                                           TextRow{"twelve_no_zero", "ABCDEFGHIJKLMNOP",
                                                   "ABCDEFGHIJKL"},
                                           TextRow{"tabs_stay", "\tAnn\t", "\tAnn\t"},
                                           TextRow{"zero_ends", std::string("Ann\0Lee", 7), "Ann"},
                                           TextRow{"spaces_only", "            X", ""},
                                           TextRow{"inner_spaces", " A  B ", "A  B"}),
                         RowName());

TEST_F(RaceTest, TrackPathTakesAtMost39BytesWithoutZero) {
  const std::string longPath = "\\" + std::string(45, 'p');
  RawFile f(20000);
  f.put16(0, 288).put8(125, 1).text(129 + 1497 + 8, longPath);
  folder.write("Saves/p.gam", f.bytes());
  app().saveName = "p.gam";
  readSaveGame();
  EXPECT_EQ(app().trackPath, longPath.substr(0, 39));
}

constexpr const char* kOakfield = "Tracks\\Hills\\Oakfield.trk";

struct FallbackRow {
  const char* label;
  std::int8_t blockIndex;
  const char* driver;
  std::int16_t record0;
  const char* expectTrackFile;
  std::string expectDriver;
  std::int64_t expectValue;
};

class TrackRecordTest : public RaceTest, public ::testing::WithParamInterface<FallbackRow> {};

TEST_P(TrackRecordTest, BlockOneTakesTheSecondRecordOthersTheFirst) {
  const FallbackRow& r = GetParam();
  sample::GameOptions o;
  o.blockIndex = r.blockIndex;
  // Block 0 begins at the driver name, so its slot bytes are the name's
  // first and fifth bytes; slot 0 keeps an empty name empty.
  o.timeSlot = 0;
  o.driverName = r.driver;
  o.recordValue0 = r.record0;
  std::string error;
  ASSERT_TRUE(sample::WriteSampleGame(folder.host(), o, &error)) << error;
  app().saveName = o.saveName;
  readSaveGame();
  readTrackFile();
  const AppState& s = app();
  EXPECT_EQ(s.trackFile, folder.program() + r.expectTrackFile);
  EXPECT_EQ(s.recordBlock, o.recordBlock);
  EXPECT_EQ(s.trackLength, o.trackLength);
  EXPECT_EQ(s.driverName, r.expectDriver);
  EXPECT_EQ(s.timeOrSpeed, r.expectValue);
}

INSTANTIATE_TEST_SUITE_P(
    Records, TrackRecordTest,
    ::testing::Values(
        FallbackRow{"block1_no_driver", 1, "", 1111, kOakfield, "Eva Stone", 1234},
        FallbackRow{"block0_no_driver", 0, "", 1111, kOakfield, "Max Holm", 1111},
        // The block lies before the file: no track path, so the track file is Tracks.trk.
        FallbackRow{"block_minus3_spaces", -3, "            ", 1111, "Tracks.trk", "Max Holm",
                    1111},
        FallbackRow{"block2_negative_record", 2, "", -5, kOakfield, "Max Holm", -5},
        FallbackRow{"block1_driver_kept", 1, "Ann", 1111, kOakfield, "Ann", 1234}),
    RowName());

struct TrackRow {
  const char* label;
  std::size_t size;
  std::int32_t record;
  std::int32_t expectLength;
  std::int64_t expectValue;
  std::int32_t expectFileLength;
};

class TrackBoundsTest : public RaceTest, public ::testing::WithParamInterface<TrackRow> {};

// Every file holds 0x5A in all bytes that are not set, with R at offset 4 and
// the value 77 at offset 0; whatever lies outside the bytes read is zero.
TEST_P(TrackBoundsTest, PositionsOutsideTheBytesReadAreZero) {
  const TrackRow& r = GetParam();
  std::string bytes(r.size, '\x5A');
  if (r.size >= 8) {
    RawFile head(8);
    head.put16(0, 77).put8(2, 0).put8(3, 0).put32(4, r.record);
    bytes.replace(0, 8, head.bytes());
  }
  folder.write("Tracks/t.trk", bytes);
  app().trackPath = "\\t";
  readTrackFile();
  EXPECT_EQ(app().fileLength, r.expectFileLength);
  EXPECT_EQ(app().recordBlock, r.record);
  EXPECT_EQ(app().trackLength, r.expectLength);
  EXPECT_EQ(app().timeOrSpeed, r.expectValue);
}

constexpr std::int32_t kZ4 = 0x5A5A5A5A;
constexpr std::int32_t kZ2 = 0x5A5A;
constexpr auto kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr auto kMax32 = std::numeric_limits<std::int32_t>::max();

INSTANTIATE_TEST_SUITE_P(
    Bounds, TrackBoundsTest,
    ::testing::Values(TrackRow{"before_start", 100, -100, 0, 0, 100},
                      TrackRow{"int32_min", 100, kMin32, 0, 0, 100},
                      TrackRow{"int32_max", 100, kMax32, 0, 0, 100},
                      TrackRow{"past_end", 100, 110, 0, 0, 100},
                      TrackRow{"record_at_0", 100, 0, 0, 77, 100},
                      TrackRow{"length_half_outside", 100, 2, 77 << 16, 0, 100},
                      TrackRow{"value_half_outside", 100, 99, kZ4, 0x5A, 100},
                      TrackRow{"empty", 0, 0, 0, 0, 0}, TrackRow{"three_bytes", 3, 0, 0, kZ2, 3},
                      TrackRow{"exactly_buffer_end", 2000000, 1999998, kZ4, kZ2, 2000000},
                      TrackRow{"buffer_last_byte", 2000000, 1999999, kZ4, 0x5A, 2000000},
                      TrackRow{"longer_than_buffer", 3000000, 2500000, 0, 0, 2000000},
                      TrackRow{"longer_read_part", 3000000, 1999999, kZ4, 0x5A, 2000000}),
    RowName());

// A file read after a longer one: the longer file's bytes are still in the
// buffer past the new length but must not be seen.
TEST_F(RaceTest, ShortFileHidesBytesOfTheFileReadBefore) {
  RawFile save(100000);
  for (std::size_t i = 0; i < 100000; ++i) save.put8(i, 'A');
  save.put16(0, 288).text(129, "            ");
  folder.write("Saves/big.gam", save.bytes());
  RawFile track(8);
  track.put32(4, 500);
  folder.write("Tracks/small.trk", track.bytes());

  app().saveName = "big.gam";
  readSaveGame();
  ASSERT_EQ(app().driverName, "");
  app().trackPath = "\\small";
  readTrackFile();
  EXPECT_EQ(app().fileLength, 8);
  EXPECT_EQ(app().trackLength, 0);
  EXPECT_EQ(app().timeOrSpeed, 0);
  EXPECT_EQ(app().driverName, "");
}

TEST_F(RaceTest, ShortSaveGameOverGarbageReadsZeros) {
  for (const std::string& bytes : {std::string(), std::string("\x20\x01\x07", 3)}) {
    std::memset(app().fileBuffer, 0xFF, kFileBufferSize);
    folder.write("Saves/s.gam", bytes);
    app().saveName = "s.gam";
    readSaveGame();
    EXPECT_EQ(app().fileLength, static_cast<std::int32_t>(bytes.size()));
    EXPECT_EQ(app().driverName, "");
    EXPECT_EQ(app().lengthValue, 0);
    EXPECT_EQ(app().blockIndex, 0);
    EXPECT_EQ(app().trackPath, "");
    EXPECT_EQ(app().resultTime, 0);
  }
}

TEST_F(RaceTest, MissingFilesLeaveFieldsAlone) {
  AppState& s = app();
  s.driverName = "Kept";
  s.lengthValue = 5;
  s.trackPath = "\\gone";
  s.saveName = "";  // names the Saves folder itself
  folder.makeFolder("Saves");
  readSaveGame();
  EXPECT_EQ(s.trackPath, "");
  EXPECT_EQ(s.driverName, "Kept");
  EXPECT_EQ(s.lengthValue, 5);

  s.trackLength = 9;
  s.timeOrSpeed = 77;
  readTrackFile();
  EXPECT_EQ(s.trackFile, folder.program() + "Tracks.trk");
  EXPECT_EQ(s.timeOrSpeed, 0);
  EXPECT_EQ(s.trackLength, 9);
  EXPECT_EQ(s.driverName, "Kept");
}

TEST_F(RaceTest, TrackPathWithoutBackslashJoinsTheFolderName) {
  RawFile track(64);
  track.put32(4, 32).put32(28, 4321);
  folder.write("TracksOakfield.trk", track.bytes());
  app().trackPath = "Oakfield";
  readTrackFile();
  EXPECT_EQ(app().trackFile, folder.program() + "TracksOakfield.trk");
  EXPECT_EQ(app().trackLength, 4321);
}

TEST_F(RaceTest, TrackPathLeavingTracksCountsAsNoTrackFile) {
  RawFile track(64);
  track.put32(4, 32).put32(28, 4321);
  folder.write("Saves/Outside.trk", track.bytes());
  for (const char* path : {"\\..\\Saves\\Outside", "\\Hills/../../Saves/Outside", "\\. .\\Saves\\Outside",
                           "\\C:\\Outside", "\\Hills\\Con", "\\nul", "\\C\x9Cn"}) {
    SCOPED_TRACE(path);
    app().trackPath = path;
    app().trackFile = "stale";
    platform::ResetFaults();
    readTrackFile();
    EXPECT_EQ(platform::CallCount(platform::Op::kOpen), 0);
    EXPECT_EQ(app().trackFile, "");
    EXPECT_EQ(app().trackLength, 0);
    EXPECT_EQ(app().trackPath, path);
  }
}

TEST_F(RaceTest, RandomBytesStayWithinTheirFields) {
  std::mt19937 random(20121005);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(random() % 4000, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    if (round % 2 == 0 && bytes.size() >= 2) bytes[0] = 0x20, bytes[1] = 0x01;
    folder.write("Saves/x.gam", bytes);
    folder.write("Tracks/x.trk", bytes);
    app().saveName = "x.gam";
    app().driverName.clear();
    readSaveGame();
    EXPECT_LE(app().driverName.size(), 12u);
    EXPECT_LE(app().trackPath.size(), 39u);
    app().trackPath = "\\x";
    readTrackFile();
    EXPECT_EQ(app().fileLength, static_cast<std::int32_t>(bytes.size()));
    EXPECT_LE(app().driverName.size(), 12u);
    EXPECT_TRUE(app().driverName.empty() || app().driverName.front() != ' ');
  }
}

}  // namespace
