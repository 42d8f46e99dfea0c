// The rules by which an archive's name agrees with its contents.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archive/zip_writer.h"
#include "check/check.h"
#include "core/app.h"
#include "platform/platform.h"
#include "tests/testing/temp_folder.h"
#include "tools/sample_game.h"

namespace {

struct NameRow {
  const char* name;
  NameParts parts;
  const char* require;  // letters: t(rack), d(river), n(umber)
  std::vector<std::string> problems;
  std::vector<std::string> notes;
};

const NameParts kAnn{"oakfield", "Ann Lee", true, 973};
const std::string kTrackAbsent = "track name absent from the name";
const std::string kDriverAbsent = "driver name absent from the name";
const std::string kNumberAbsent = "number absent from the name";

const NameRow kNameRows[] = {
    {"oakfield_Ann Lee_973", kAnn, "", {}, {}},
    {"973_Cup_Ann Lee_oakfield", kAnn, "tdn", {}, {}},
    {"_oakfield_Ann Lee_973", kAnn, "", {}, {}},
    {"oakfield_Ann Lee_985",
     kAnn,
     "",
     {"number in the name 985, computed from the saved game 973"},
     {}},
    // A number-like free text reads as a wrong number; the last one is named.
    {"2024_oakfield_Ann Lee_985",
     kAnn,
     "",
     {"number in the name 985, computed from the saved game 973"},
     {}},
    {"2024_oakfield_Ann Lee",
     kAnn,
     "",
     {"number in the name 2024, computed from the saved game 973"},
     {}},
    {"oakfield_Ann Lee_-5",
     kAnn,
     "",
     {"number in the name -5, computed from the saved game 973"},
     {}},
    {"oakfield_Ann Lee_9730",
     kAnn,
     "",
     {"number in the name 9730, computed from the saved game 973"},
     {}},
    {"oakfield_Ann Lee_97",
     kAnn,
     "",
     {"number in the name 97, computed from the saved game 973"},
     {}},
    {"oakfield_Ann Lee", kAnn, "", {}, {kNumberAbsent}},
    {"oakfield_Ann Lee_-", kAnn, "", {}, {kNumberAbsent}},
    {"oakfield_Ann Lee_97a", kAnn, "n", {kNumberAbsent}, {}},
    {"oakfield_Ann Leeds_973", kAnn, "", {}, {kDriverAbsent}},
    {"oakfield_Ann Leeds_973", kAnn, "d", {kDriverAbsent}, {}},
    {"oakfields_Ann Lee_973", kAnn, "", {}, {kTrackAbsent}},
    {"Oakfield_Ann Lee_973", kAnn, "t", {kTrackAbsent}, {}},
    {"Ann Lee_973", kAnn, "tdn", {kTrackAbsent}, {}},
    {"", kAnn, "", {}, {kTrackAbsent, kDriverAbsent, kNumberAbsent}},
    // A driver name may hold "_", spaces and digits.
    {"oakfield_Ann_Lee 2_973", {"oakfield", "Ann_Lee 2", true, 973}, "tdn", {}, {}},
    // An empty part cannot be found.
    {"oakfield__973", {"oakfield", "", true, 973}, "", {}, {kDriverAbsent}},
    {"oakfield_Ann Lee_-1234", {"oakfield", "Ann Lee", true, -1234}, "", {}, {}},
    {"oakfield_Ann Lee_0", {"oakfield", "Ann Lee", true, 0}, "", {}, {}},
    // Without a track file the number is not compared at all.
    {"oakfield_Ann Lee_985", {"oakfield", "Ann Lee", false, 0}, "n", {}, {}},
};

TEST(NameRules, EachRow) {
  for (const NameRow& row : kNameRows) {
    CheckOptions options;
    const std::string require = row.require;
    options.requireTrack = require.find('t') != std::string::npos;
    options.requireDriver = require.find('d') != std::string::npos;
    options.requireNumber = require.find('n') != std::string::npos;
    std::vector<std::string> problems, notes;
    CheckNameParts(row.name, row.parts, options, &problems, &notes);
    EXPECT_EQ(problems, row.problems) << row.name;
    EXPECT_EQ(notes, row.notes) << row.name;
  }
}

struct PackedRow {
  std::string fileName, packedName;
  bool same;
};

const PackedRow kPackedRows[] = {
    {"oakfield_Ann Lee_973", "oakfield_Ann Lee_973", true},
    {"oakfield_Ann Lee_985", "oakfield_Ann Lee_973", false},
    {"Oakfield_Ann Lee_973", "oakfield_Ann Lee_973", false},
    {"oakfield_Ann Lee_973", "oakfield_Ann Lee_9730", false},
    {"oakfield_Ann Lee_97", "oakfield_Ann Lee_973", false},
    {"", "", true},
    // A character one side could not hold matches any character.
    {"J?rg_973", "J\xE4rg_973", true},
    {"J\xE4rg_973", "J?rg_973", true},
    {"a_b", "a:b", true},
    {"a:b", "a_b", true},
    {"J\xF6rg_973", "J\xE4rg_973", false},
    // The euro sign is packed as its closest ASCII form.
    {"\x80uro", "Euro", true},
    {"\x80uro", "Furo", false},
    // Characters whose OEM forms Windows refuses are packed as "_".
    {"\x8B"
     "Ann\x9B_973",
     "_Ann__973", true},
    {"C\x9Cn_973", "Con_973", true},
};

TEST(PackedName, EachRow) {
  for (const PackedRow& row : kPackedRows) {
    EXPECT_EQ(SamePackedName(row.fileName, row.packedName), row.same)
        << row.fileName << " / " << row.packedName;
  }
}

TEST(PackedName, EntryNamesDecodeFromCp850) {
  // CP850 0x84 is ä, 0x9E is ×, 0xB0 (a box drawing) has no Windows-1252 form.
  EXPECT_EQ(OemToAnsi("J\x84rg \x9E \xB0 x"), "J\xE4rg \xD7 ? x");
}

struct TrackRow {
  const char* trackName;  // Windows-1252, in Hills
  const char* entryName;  // as the tool packs it
};

// A proof packed by the tool's own zip writer from a game whose track has
// characters the OEM code page holds only as ASCII, or not in a form
// Windows takes in a file name: its track file is read as the saved game's
// track.
TEST(PackedName, ATrackFilePackedUnderItsEntryFormIsTheSavedGamesTrack) {
  const TrackRow rows[] = {{"\x8Akoda", "Skoda.trk"}, {"\x84Nord\x93", "_Nord_.trk"}};
  for (const TrackRow& row : rows) {
    SCOPED_TRACE(row.entryName);
    TempFolder dir;
    sample::GameOptions game;
    game.trackPath = std::string("\\Hills\\") + row.trackName;
    const std::string trackFile = std::string(row.trackName) + ".trk";
    const auto save = sample::SaveGameBytes(game);
    const auto track = sample::TrackFileBytes(game);
    const auto shot = sample::ScreenshotBytes(16, 12, 1);
    const std::string name = lowerTrackName(row.trackName) + "_Ann Lee_973";
    dir.write(platform::Cp1252ToUtf8(name + ".bmp"), std::string(shot.begin(), shot.end()));
    dir.write(platform::Cp1252ToUtf8(name + ".gam"), std::string(save.begin(), save.end()));
    dir.write(platform::Cp1252ToUtf8(trackFile), std::string(track.begin(), track.end()));
    ASSERT_NE(CreateArchive(dir.programPath("proof.zip"), 0), 0);
    for (const std::string& file : {name + ".bmp", name + ".gam", trackFile}) {
      EXPECT_EQ(AddFileToArchive(dir.program() + file, 0), 0) << file;
    }
    ASSERT_EQ(CloseArchive(), 0);
    std::ifstream in(dir.hostPath("proof.zip"), std::ios::binary);
    const std::string zip((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ArchiveSource source;
    source.data = reinterpret_cast<const std::uint8_t*>(zip.data());
    source.size = zip.size();
    const ProofReport report = CheckProof(source, name + ".zip", CheckOptions());
    EXPECT_EQ(OemToAnsi(ZipEntryName(trackFile, 0)), row.entryName);
    EXPECT_TRUE(report.ok()) << Verdict(report);
  }
}

}  // namespace
