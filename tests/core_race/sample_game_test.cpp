// Sample game folders read back through the start-up sequence of the race
// functions: the newest files, both readers and the proposed name.
#include "tools/sample_game.h"

#include <cstring>
#include <filesystem>

#include "tests/core_race/race_fixture.h"

namespace {

constexpr long long kNewest = 1349445780;  // 2012-10-05 14:03:00 UTC

void runRaceSequence() {
  ASSERT_TRUE(findNewestSave());
  readTrackFile();
  findNewestScreenshot();
  setTrackName();
  computeTimeOrSpeed();
  composeArchiveName();
}

struct GameRow {
  const char* label;
  sample::GameOptions options;
  std::string expectSave, expectScreen, expectName;
};

sample::GameOptions game(void (*change)(sample::GameOptions&)) {
  sample::GameOptions o;
  o.newestTime = kNewest;
  o.screenWidth = 64;
  o.screenHeight = 48;
  o.extraScreenWidth = 8;
  o.extraScreenHeight = 8;
  change(o);
  return o;
}

class SampleGameTest : public RaceTest, public ::testing::WithParamInterface<GameRow> {};

TEST_P(SampleGameTest, ProposesTheNameOfTheNewestRace) {
  const GameRow& r = GetParam();
  std::string error;
  ASSERT_TRUE(sample::WriteSampleGame(folder.host(), r.options, &error)) << error;
  app().trackNamePos = 1;
  app().driverNamePos = 2;
  app().timePos = 3;
  runRaceSequence();
  EXPECT_EQ(app().saveName, r.expectSave);
  EXPECT_EQ(app().screenName, r.expectScreen);
  EXPECT_EQ(app().archiveName, r.expectName);
}

INSTANTIATE_TEST_SUITE_P(
    Games, SampleGameTest,
    ::testing::Values(GameRow{"defaults", game([](sample::GameOptions&) {}), "Race1.gam",
                              "Screen1.bmp", "oakfield_Ann Lee_973"},
                      GameRow{"autosave_and_extras", game([](sample::GameOptions& o) {
                                o.writeAutosave = true;
                                o.extraSaves = 3;
                                o.extraScreens = 3;
                              }),
                              "Race1.gam", "Screen1.bmp", "oakfield_Ann Lee_973"},
                      GameRow{"layout_b_distance", game([](sample::GameOptions& o) {
                                o.layoutA = false;
                                o.lengthMode = 1;
                                o.lengthValue = 50;
                                o.trackLength = 4200;
                                o.resultTime = 2000000;
                                o.trackSlot = 3;
                                o.timeSlot = 5;
                              }),
                              "Race1.gam", "Screen1.bmp", "oakfield_Ann Lee_907"},
                      GameRow{"record_holder", game([](sample::GameOptions& o) {
                                o.blockIndex = 1;
                                o.driverName = "   ";
                                o.trackPath = "\\Coast\\BAY \xC4";
                              }),
                              "Race1.gam", "Screen1.bmp", "bay \xE4_Eva Stone_1234"},
                      GameRow{"no_track_file",
                              game([](sample::GameOptions& o) { o.writeTrack = false; }),
                              "Race1.gam", "Screen1.bmp", "oakfield_Ann Lee_0"}),
    RowName());

// The screenshot is a 24-bit bottom-up BMP whose sizes agree with each other.
TEST(SampleScreenshot, HeaderMatchesThePixels) {
  for (const auto& [w, h] : {std::pair{1024, 768}, std::pair{3, 2}, std::pair{3840, 2160}}) {
    const std::vector<std::uint8_t> bmp = sample::ScreenshotBytes(w, h, 1);
    auto u32 = [&](std::size_t at) {
      std::uint32_t v;
      std::memcpy(&v, bmp.data() + at, 4);
      return v;
    };
    const std::size_t row = (static_cast<std::size_t>(w) * 3 + 3) / 4 * 4;
    ASSERT_EQ(bmp.size(), 54 + row * h);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(u32(2), bmp.size());
    EXPECT_EQ(u32(10), 54u);
    EXPECT_EQ(u32(18), static_cast<std::uint32_t>(w));
    EXPECT_EQ(u32(22), static_cast<std::uint32_t>(h));
    EXPECT_EQ(bmp[28], 24);
  }
}

}  // namespace
