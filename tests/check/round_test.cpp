// Proofs compared with each other: one race or one screenshot in two proofs.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <utility>
#include <string>
#include <vector>

#include "check/check.h"
#include "check/check_internal.h"
#include "imaging/image_store.h"
#include "tests/check/hostile_zip.h"
#include "tests/testing/temp_folder.h"
#include "tools/sample_game.h"

namespace {

std::string Text(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

class Round : public ::testing::Test {
 protected:
  // Packs a proof as "NAME.zip" in the folder and returns its program path.
  std::string Pack(const std::string& name, const std::string& screenshotEntry,
                   const std::string& screenshot, const sample::GameOptions& game,
                   const std::string& save = std::string()) {
    const std::vector<hostile::Entry> entries = {
        {screenshotEntry, screenshot},
        {name + ".gam", save.empty() ? Text(sample::SaveGameBytes(game)) : save},
        {"Oakfield.trk", Text(sample::TrackFileBytes(game))}};
    folder_.write(name + ".zip", hostile::Zip(entries));
    return folder_.programPath(name + ".zip");
  }
  // A proof whose race differs from every other's by its time.
  std::string PackScreenshot(const std::string& name, const std::string& extension,
                             const std::string& screenshot) {
    sample::GameOptions game;
    game.resultTime = 1850000 + static_cast<std::int32_t>(paths_.size());
    paths_.push_back(Pack(name, name + extension, screenshot, game));
    return paths_.back();
  }
  std::vector<ProofReport> CheckAll(const std::vector<std::string>& paths) {
    std::vector<ProofReport> reports;
    for (const std::string& path : paths) {
      ArchiveSource source;
      source.path = path;
      reports.push_back(CheckProof(source, path.substr(path.rfind('\\') + 1), CheckOptions()));
    }
    CompareProofs(&reports, 2);
    return reports;
  }
  // The problems of a report that begin with `kind`.
  static std::vector<std::string> Named(const ProofReport& r, const std::string& kind) {
    std::vector<std::string> named;
    for (const std::string& p : r.problems) {
      if (p.rfind(kind, 0) == 0) named.push_back(p);
    }
    return named;
  }
  // The problem naming proof NAME: "same KIND as FILE" and the tail.
  std::string Same(const std::string& kind, const std::string& name,
                   const std::string& tail = std::string()) const {
    std::string text = "same ";
    text.append(kind).append(" as ").append(folder_.hostPath(name + ".zip")).append(tail);
    return text;
  }

  TempFolder folder_;
  std::vector<std::string> paths_;
};

TEST_F(Round, SameRaceIsFoundWhateverTheDriver) {
  sample::GameOptions ann;
  sample::GameOptions bo = ann;
  bo.driverName = "Bo Berg";
  sample::GameOptions other = ann;
  other.resultTime += 2;
  const std::string bmp = ".bmp";
  const std::vector<std::string> paths = {
      Pack("ann", "ann.bmp", Text(sample::ScreenshotBytes(64, 48, 1)), ann),
      Pack("bo", "bo.bmp", Text(sample::ScreenshotBytes(64, 48, 2)), bo),
      Pack("copy", "copy.bmp", Text(sample::ScreenshotBytes(64, 48, 3)), ann),
      Pack("other", "other.bmp", Text(sample::ScreenshotBytes(64, 48, 4)), other)};
  const std::vector<ProofReport> r = CheckAll(paths);
  const std::string kOnly = " (only the driver differs)";
  EXPECT_EQ(Named(r[0], "same race"), (std::vector<std::string>{
                                          Same("race", "bo", kOnly),
                                          Same("race", "copy")}));
  EXPECT_EQ(Named(r[1], "same race"), (std::vector<std::string>{
                                          Same("race", "ann", kOnly),
                                          Same("race", "copy", kOnly)}));
  EXPECT_EQ(Named(r[2], "same race"), (std::vector<std::string>{
                                          Same("race", "ann"),
                                          Same("race", "bo", kOnly)}));
  EXPECT_TRUE(Named(r[3], "same").empty()) << Verdict(r[3]);
  ASSERT_EQ(r[0].links.size(), 2u);
  EXPECT_EQ(r[0].links[1].other, 2u);
  EXPECT_EQ(r[0].problems[r[0].links[1].problem], Same("race", "copy"));
}

TEST_F(Round, SameRaceWhateverItsTrailingZeros) {
  // The readers load a saved game into a zero-filled buffer: zeros cut from
  // its end or added to it change nothing they see.
  sample::GameOptions ann;
  sample::GameOptions bo = ann;
  bo.driverName = "Bo Berg";
  std::string cut = Text(sample::SaveGameBytes(ann));
  ASSERT_EQ(cut.back(), '\0');
  while (cut.back() == '\0') cut.pop_back();
  const std::vector<std::string> paths = {
      Pack("ann", "ann.bmp", Text(sample::ScreenshotBytes(64, 48, 1)), ann),
      Pack("cut", "cut.bmp", Text(sample::ScreenshotBytes(64, 48, 2)), ann, cut),
      Pack("bo", "bo.bmp", Text(sample::ScreenshotBytes(64, 48, 3)), bo,
           Text(sample::SaveGameBytes(bo)) + std::string(1, '\0'))};
  const std::vector<ProofReport> r = CheckAll(paths);
  EXPECT_EQ(Named(r[1], "same race"),
            (std::vector<std::string>{Same("race", "ann"),
                                      Same("race", "bo", " (only the driver differs)")}));
}

// The sizes: below 32 rows (every BMP of a JPEG's size is encoded again),
// and two whose strips are compared first, at rows 16 and 48.
class RoundScreens : public Round, public ::testing::WithParamInterface<std::pair<int, int>> {};
INSTANTIATE_TEST_SUITE_P(Sizes, RoundScreens,
                         ::testing::Values(std::pair{37, 21}, std::pair{70, 53},
                                           std::pair{45, 100}));

TEST_P(RoundScreens, SameScreenshotInAnyOfItsFiles) {
  const auto [width, height] = GetParam();
  const auto picture = [](int x, int y) { return static_cast<std::uint32_t>(x * 40503u ^ y * 977u); };
  const auto other = [](int x, int y) { return static_cast<std::uint32_t>(x * 977u + y * 40503u); };
  const std::string bmp = Text(sample::Bmp24Bytes(width, height, picture));
  const std::string otherBmp = Text(sample::Bmp24Bytes(width, height, other));
  // The JPEG the tool writes of the screenshot, by its own image slots.
  folder_.write("shot.bmp", bmp);
  InitImageStore();
  RegisterJpegEncoder();
  ASSERT_NE(LoadImageSlot(2, folder_.programPath("shot.bmp")), ImageHandle());
  ASSERT_NE(SaveImageSlot(2, folder_.programPath("shot.jpg"), JpegEncoderTag), 0);
  const std::string toolJpeg = folder_.read("shot.jpg");
  // The same JPEG with a comment: other bytes, the same pixels.
  std::string commented = toolJpeg;
  commented.insert(2, std::string("\xFF\xFE\x00\x05hey", 7));
  FreeAllImageSlots();

  PackScreenshot("bmp", ".bmp", bmp);
  PackScreenshot("topdown", ".bmp", Text(sample::Bmp24Bytes(width, height, picture, true)));
  PackScreenshot("tool", ".jpg", toolJpeg);
  PackScreenshot("commented", ".jpg", commented);
  PackScreenshot("alike", ".bmp", otherBmp);
  PackScreenshot("alikejpeg", ".jpg", hostile::Jpeg(width, height));
  const std::vector<ProofReport> r = CheckAll(paths_);
  const std::vector<std::string> names = {"bmp", "topdown", "tool", "commented"};
  for (std::size_t i = 0; i < names.size(); ++i) {
    std::vector<std::string> want;
    for (std::size_t j = 0; j < names.size(); ++j) {
      if (j != i) want.push_back(Same("screenshot", names[j]));
    }
    EXPECT_EQ(Named(r[i], "same screenshot"), want) << names[i];
  }
  EXPECT_TRUE(Named(r[4], "same").empty()) << Verdict(r[4]);
  EXPECT_TRUE(Named(r[5], "same").empty()) << Verdict(r[5]);
}

TEST(Fingerprint, SipHashOfTheReferenceKey) {
  check::SipHash::Key key = {0x0706050403020100ull, 0x0F0E0D0C0B0A0908ull};
  check::SipHash empty(key);
  EXPECT_EQ(empty.Finish(), (std::array<std::uint8_t, 16>{0xa3, 0x81, 0x7f, 0x04, 0xba, 0x25,
                                                          0xa8, 0xe6, 0x6d, 0xf6, 0x72, 0x14,
                                                          0xc7, 0x55, 0x02, 0x93}));
  // Bytes added in pieces of any size give what they give at once.
  std::string bytes(61, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 37);
  check::SipHash whole(key);
  whole.Add(bytes.data(), bytes.size());
  const auto want = whole.Finish();
  for (std::size_t piece : {1u, 3u, 7u, 8u, 9u, 60u}) {
    check::SipHash pieces(key);
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
      pieces.Add(bytes.data() + at, std::min(piece, bytes.size() - at));
    }
    EXPECT_EQ(pieces.Finish(), want) << piece;
  }
}

TEST_F(Round, ManyCopiesAreCounted) {
  const std::string shot = Text(sample::ScreenshotBytes(16, 16, 9));
  for (char name = 'a'; name < 'g'; ++name) PackScreenshot(std::string(1, name), ".bmp", shot);
  const std::vector<ProofReport> r = CheckAll(paths_);
  EXPECT_EQ(Named(r[0], "same screenshot").size(), 3u);
  EXPECT_NE(std::find(r[0].problems.begin(), r[0].problems.end(),
                      "2 more proofs with the same screenshot"),
            r[0].problems.end())
      << Verdict(r[0]);
}

}  // namespace
