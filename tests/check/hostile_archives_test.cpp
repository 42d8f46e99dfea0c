// Whole proofs and damaged or hostile ones, built in memory: each damage
// gives its own problem for that archive, never a crash or a hang.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "check/check.h"
#include "imaging/bmp_decoder.h"
#include "imaging/image_store.h"
#include "tests/check/hostile_zip.h"
#include "tests/testing/temp_folder.h"
#include "tools/bmp_builder.h"
#include "tools/sample_game.h"

namespace {

using namespace hostile;

const sample::GameOptions kGame;

std::string Text(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

ProofReport Check(const std::string& zip, const std::string& fileName = kName + ".zip",
                  const CheckOptions& options = CheckOptions()) {
  ArchiveSource source;
  source.data = reinterpret_cast<const std::uint8_t*>(zip.data());
  source.size = zip.size();
  return CheckProof(source, fileName, options);
}

bool Has(const ProofReport& r, const std::string& problem) {
  return std::find(r.problems.begin(), r.problems.end(), problem) != r.problems.end();
}

TEST(CheckProof, WholeProofIsOkWithItsRace) {
  const ProofReport r = Check(Zip(Proof()));
  EXPECT_TRUE(r.ok()) << Verdict(r);
  EXPECT_EQ(r.driver, "Ann Lee");
  EXPECT_EQ(r.trackPath, "\\Hills\\Oakfield");
  EXPECT_EQ(r.raceTimeMs, 1850000);
  EXPECT_EQ(r.number, 973);
  EXPECT_EQ(r.screenWidth, 64);
  EXPECT_EQ(r.screenHeight, 48);
  EXPECT_FALSE(r.thumbnailJpeg.empty());
}

TEST(CheckProof, JpegScreenshotDecodes) {
  std::vector<Entry> entries = Proof();
  entries[0] = {kName + ".jpg", Jpeg(300, 20)};
  const ProofReport r = Check(Zip(entries));
  EXPECT_TRUE(r.ok()) << Verdict(r);
  EXPECT_EQ(r.screenWidth, 300);
  EXPECT_EQ(r.screenHeight, 20);
}

int allocations = 0;
std::uint32_t* CountedAlloc(std::size_t count) {
  ++allocations;
  return new std::uint32_t[count];
}
void CountedRelease(std::uint32_t* pixels) { delete[] pixels; }

TEST(CheckProof, JpegOverThePixelLimitAllocatesNothing) {
  // 8193 x 8192 is one row over the limit; 8192 x 8192 is at it.
  DecodedImage image;
  allocations = 0;
  const std::string over = JpegDeclaring("\x20\x01\x20\x00");
  EXPECT_FALSE(DecodeJpeg(reinterpret_cast<const std::uint8_t*>(over.data()), over.size(), &image,
                          CountedAlloc, CountedRelease));
  EXPECT_EQ(allocations, 0);
  const std::string at = JpegDeclaring("\x20\x00\x20\x00");
  EXPECT_FALSE(DecodeJpeg(reinterpret_cast<const std::uint8_t*>(at.data()), at.size(), &image,
                          CountedAlloc, CountedRelease));  // its data is missing
  EXPECT_EQ(allocations, 1);
}

TEST(CheckProof, EachDamageGivesItsProblem) {
  for (const DamageRow& row : kDamageRows) {
    std::vector<Entry> entries = Proof();
    row.damage(&entries);
    const ProofReport r = Check(Zip(entries));
    EXPECT_TRUE(Has(r, row.problem)) << row.label << ": " << Verdict(r);
  }
}

TEST(CheckProof, PlainCommentIsOk) {
  // As "zip -z" writes it: the comment's length in the end record, the
  // text after it.
  const std::string comment = "Cup round 3, PK 1-2 heat\r\n";
  std::string zip = Zip(Proof());
  zip[zip.size() - 2] = static_cast<char>(comment.size());
  const ProofReport r = Check(zip + comment);
  EXPECT_TRUE(r.ok()) << Verdict(r);
}

TEST(CheckProof, DataDescriptorsThatAgreeAreOk) {
  std::vector<Entry> entries = Proof();
  for (Entry& e : entries) e.descriptor = true;
  const ProofReport r = Check(Zip(entries));
  EXPECT_TRUE(r.ok()) << Verdict(r);
}

TEST(CheckProof, OverlapBombIsRefusedWithoutInflating) {
  // One local header whose data claim 1 MiB, and 999 more directory
  // records of other names pointing at it: 1000 MiB claimed in all.
  std::vector<Entry> entries = {{"b0000.bmp", std::string(1024, '\0')}};
  entries.front().storedSize = 1 << 20;
  for (int i = 1; i < 1000; ++i) {
    Entry e = entries.front();
    char name[16];
    std::snprintf(name, sizeof name, "b%04d.bmp", i);
    e.name = name;
    e.headerOf = 0;
    entries.push_back(e);
  }
  const ProofReport r = Check(Zip(entries));
  EXPECT_TRUE(Has(r, "the entries add up to more than 768 MiB")) << Verdict(r);
  EXPECT_TRUE(Has(r, "entries \"b0000.bmp\" and \"b0001.bmp\" overlap")) << Verdict(r);
  EXPECT_EQ(r.inflatedBytes, 0u);
  // Under the cap, overlapping entries are not inflated either.
  entries.resize(700);
  EXPECT_EQ(Check(Zip(entries)).inflatedBytes, 0u);
}

TEST(CheckProof, TallPictureKeepsASmallThumbnail) {
  // 4 x 16,777,216 pixels, run-length coded: a run per row would be long,
  // the end-of-picture mark alone leaves every pixel at index 0.
  DibLayout layout = MakeLayout(4, 16777216, 8);
  layout.compression = 1;
  layout.colorsUsed = 2;
  layout.palette = {0x102030, 0xFFFFFF};
  layout.pixels = {0, 1};
  std::vector<Entry> entries = Proof();
  const Bytes bmp = BuildBmp(layout);
  entries[0].data.assign(bmp.begin(), bmp.end());
  const ProofReport r = Check(Zip(entries));
  EXPECT_TRUE(r.ok()) << Verdict(r);
  EXPECT_EQ(r.screenWidth, 4);
  EXPECT_EQ(r.screenHeight, 16777216);
  EXPECT_FALSE(r.thumbnailJpeg.empty());
}

TEST(CheckProof, OfficialTrackStandsInForAMissingOne) {
  TempFolder tracks;
  tracks.write("hills/OAKFIELD.trk", Text(sample::TrackFileBytes(kGame)));  // found in any case
  CheckOptions options;
  options.tracksDir = tracks.program();
  std::vector<Entry> entries = Proof();
  entries.pop_back();
  const ProofReport r = Check(Zip(entries), kName + ".zip", options);
  EXPECT_TRUE(r.ok()) << Verdict(r);
  EXPECT_EQ(r.number, 973);

  TempFolder empty;
  options.tracksDir = empty.program();
  const ProofReport none = Check(Zip(entries), kName + ".zip", options);
  EXPECT_TRUE(Has(none, "no official track file for \"\\Hills\\Oakfield\""));
  EXPECT_TRUE(Has(none, "number not checked: no track file")) << Verdict(none);
}

TEST(CheckProof, OfficialTrackIsComparedWhole) {
  std::string track = Text(sample::TrackFileBytes(kGame));
  for (int i = 0; track.size() < 2500000; ++i) track += static_cast<char>(i * 31 >> 3);
  TempFolder tracks;
  tracks.write("Hills/Oakfield.trk", track);
  CheckOptions options;
  options.tracksDir = tracks.program();
  std::vector<Entry> entries = Proof();
  entries[2].data = track;
  EXPECT_TRUE(Check(Zip(entries), kName + ".zip", options).ok());
  entries[2].data[2400000] ^= 1;
  EXPECT_TRUE(Has(Check(Zip(entries), kName + ".zip", options),
                  "track file differs from the official one from byte 2400000"));
  entries[2].data = track.substr(0, track.size() - 1);
  const ProofReport shorter = Check(Zip(entries), kName + ".zip", options);
  EXPECT_TRUE(Has(shorter, "track file differs from the official one: " +
                               std::to_string(track.size() - 1) + " bytes, official " +
                               std::to_string(track.size())))
      << Verdict(shorter);
}

TEST(CheckProof, ArchivesThatDoNotOpen) {
  const std::string zip = Zip(Proof());
  for (const std::string& bytes :
       {std::string("not a zip at all"), zip.substr(0, zip.size() - 30), std::string()}) {
    const ProofReport r = Check(bytes);
    EXPECT_FALSE(r.readable);
    EXPECT_TRUE(Has(r, "not a zip archive, or its directory is damaged")) << Verdict(r);
  }
}

TEST(CheckProof, EveryRepeatedProblemIsSummedUp) {
  std::vector<Entry> entries = Proof();
  for (int i = 0; i < 5; ++i) {
    const std::string n = std::to_string(i);
    entries.push_back({"e" + n, "x"});
    entries.back().encrypted = true;
    entries.push_back({"m" + n, "x", 12});
    entries.push_back({"l" + n, "x", 0});
    entries.back().storedSize = (256u << 20) + 1;
  }
  const ProofReport r = Check(Zip(entries));
  for (const char* summed :
       {"2 more encrypted entries", "2 more entries of other compression methods",
        "2 more entries larger than 256 MiB"}) {
    EXPECT_TRUE(Has(r, summed)) << summed << ": " << Verdict(r);
  }
  EXPECT_TRUE(Has(r, "entry \"e2\" is encrypted"));
  EXPECT_FALSE(Has(r, "entry \"e3\" is encrypted"));
}

TEST(CheckProof, ManyTinyEntriesAreSummedUp) {
  std::vector<Entry> entries = Proof();
  for (int i = static_cast<int>(entries.size()); i < 65535; ++i) {
    std::string name = std::to_string(i);
    name.insert(name.begin(), 'x');
    entries.push_back({name, "y", 0});
  }
  const ProofReport r = Check(Zip(entries));
  EXPECT_TRUE(Has(r, "unexpected entry \"x3\""));
  EXPECT_FALSE(Has(r, "unexpected entry \"x6\""));
  EXPECT_TRUE(Has(r, "65529 more unexpected entries")) << Verdict(r);
}

}  // namespace
