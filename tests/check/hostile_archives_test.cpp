// Whole proofs and damaged or hostile ones, built in memory: each damage
// gives its own problem for that archive, never a crash or a hang.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "check/check.h"
#include "imaging/bmp_decoder.h"
#include "imaging/image_store.h"
#include "tests/testing/temp_folder.h"
#include "tools/sample_game.h"

namespace {

const std::string kName = "oakfield_Ann Lee_973";

struct Entry {
  std::string name;
  std::string data;
  int method = 8;
  bool encrypted = false;
  std::uint32_t storedSize = 0xFFFFFFFFu;  // the real size unless given
  std::uint32_t crcXor = 0;
  int corruptAt = -1;  // a compressed byte flipped
};

// `bytes` little-endian bytes of `value` (zeros beyond its four).
void Put(std::string* out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out->push_back(i < 4 ? static_cast<char>((value >> (8 * i)) & 0xFF) : '\0');
}

std::string Deflated(const std::string& data) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// A zip archive: local headers with their data, the directory, the end record.
std::string Zip(const std::vector<Entry>& entries) {
  std::string body, directory;
  for (const Entry& e : entries) {
    std::string packed = e.method == 8 ? Deflated(e.data) : e.data;
    if (e.corruptAt >= 0 && e.corruptAt < static_cast<int>(packed.size()))
      packed[e.corruptAt] ^= 0x55;
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())) ^
        e.crcXor);
    const std::uint32_t size =
        e.storedSize != 0xFFFFFFFFu ? e.storedSize : static_cast<std::uint32_t>(e.data.size());
    const std::uint32_t flags = e.encrypted ? 1 : 0;
    const auto offset = static_cast<std::uint32_t>(body.size());
    std::string common;
    Put(&common, 20, 2);
    Put(&common, flags, 2);
    Put(&common, static_cast<std::uint32_t>(e.method), 2);
    Put(&common, 0, 4);  // time and date
    Put(&common, crc, 4);
    Put(&common, static_cast<std::uint32_t>(packed.size()), 4);
    Put(&common, size, 4);
    Put(&common, static_cast<std::uint32_t>(e.name.size()), 2);
    Put(&common, 0, 2);  // extra field
    Put(&body, 0x04034b50, 4);
    body += common + e.name + packed;
    Put(&directory, 0x02014b50, 4);
    Put(&directory, 20, 2);
    directory += common;
    Put(&directory, 0, 2 + 2 + 2 + 4);  // comment, disk, internal, external
    Put(&directory, offset, 4);
    directory += e.name;
  }
  std::string zip = body + directory;
  Put(&zip, 0x06054b50, 4);
  Put(&zip, 0, 4);
  Put(&zip, static_cast<std::uint32_t>(entries.size()), 2);
  Put(&zip, static_cast<std::uint32_t>(entries.size()), 2);
  Put(&zip, static_cast<std::uint32_t>(directory.size()), 4);
  Put(&zip, static_cast<std::uint32_t>(body.size()), 4);
  Put(&zip, 0, 2);
  return zip;
}

std::string Text(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

const sample::GameOptions kGame;

std::string Jpeg(int width, int height) {
  // Varied pixels, so that most of the file is picture data, not tables.
  std::vector<std::uint8_t> rows(static_cast<std::size_t>((3 * width + width % 4) * height));
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::uint8_t>(i * 7 ^ i >> 5);
  std::string jpeg;
  EncodeJpegToMemory(&jpeg, rows.data(), width, height, 3 * width + width % 4, 7);
  return jpeg;
}

// The three entries the tool packs.
std::vector<Entry> Proof() {
  return {{kName + ".bmp", Text(sample::ScreenshotBytes(64, 48, 1))},
          {kName + ".gam", Text(sample::SaveGameBytes(kGame))},
          {"Oakfield.trk", Text(sample::TrackFileBytes(kGame))}};
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

struct DamageRow {
  const char* label;
  void (*damage)(std::vector<Entry>* entries);
  std::string problem;
};

// A small JPEG whose frame header declares height x width instead.
std::string JpegDeclaring(const char* heightWidth) {
  std::string jpeg = Jpeg(16, 16);
  const std::size_t sof = jpeg.find("\xFF\xC0");
  jpeg.replace(sof + 5, 4, heightWidth, 4);
  return jpeg;
}
std::string HugeJpeg() { return JpegDeclaring("\xEA\x60\xEA\x60"); }  // 60000 x 60000

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

const std::string kBmpShown = "\"" + kName + ".bmp\"";
const std::string kJpgShown = "\"" + kName + ".jpg\"";

const DamageRow kDamageRows[] = {
    {"encrypted", [](auto* e) { (*e)[1].encrypted = true; },
     "entry \"" + kName + ".gam\" is encrypted"},
    {"folder part", [](auto* e) { (*e)[2].name = "Hills/Oakfield.trk"; },
     "entry \"Hills/Oakfield.trk\" is not a plain file name"},
    {"climbs out", [](auto* e) { (*e)[2].name = ".."; }, "entry \"..\" is not a plain file name"},
    {"drive letter", [](auto* e) { (*e)[2].name = "C:Oakfield.trk"; },
     "entry \"C:Oakfield.trk\" is not a plain file name"},
    {"duplicate", [](auto* e) { e->push_back((*e)[2]); }, "duplicate entry \"Oakfield.trk\""},
    {"over the cap", [](auto* e) { (*e)[2].storedSize = 256u * 1024 * 1024 + 1; },
     "entry \"Oakfield.trk\" is larger than 256 MiB"},
    {"inflates past its size", [](auto* e) { (*e)[0].storedSize = 100; },
     "entry " + kBmpShown + " inflates past its stored size"},
    {"stored past its size",
     [](auto* e) {
       (*e)[2].method = 0;
       (*e)[2].storedSize = 10;
     },
     "entry \"Oakfield.trk\" inflates past its stored size"},
    {"shorter than its size",
     [](auto* e) { (*e)[2].storedSize = static_cast<std::uint32_t>((*e)[2].data.size() + 1); },
     "entry \"Oakfield.trk\" is damaged"},
    {"crc", [](auto* e) { (*e)[1].crcXor = 1; },
     "entry \"" + kName + ".gam\" fails its CRC-32 check"},
    {"corrupt deflate", [](auto* e) { (*e)[0].corruptAt = 0; },
     "entry " + kBmpShown + " is damaged"},
    {"unknown method", [](auto* e) { (*e)[2].method = 12; },
     "entry \"Oakfield.trk\" uses compression method 12"},
    {"unexpected",
     [](auto* e) {
       e->push_back({"readme.txt", "hello"});
     },
     "unexpected entry \"readme.txt\""},
    {"no saved game", [](auto* e) { e->erase(e->begin() + 1); },
     "no saved game: there is no race to check"},
    {"no track file", [](auto* e) { e->erase(e->begin() + 2); },
     "number not checked: no track file"},
    {"no screenshot", [](auto* e) { e->erase(e->begin()); }, "no screenshot"},
    {"wrong track file", [](auto* e) { (*e)[2].name = "Pinewood.trk"; },
     "track file \"Pinewood.trk\" is not the saved game's track \"Oakfield\""},
    {"renamed", [](auto* e) { (*e)[1].name = "pinewood_Ann Lee_973.gam"; },
     "packed as pinewood_Ann Lee_973"},
    {"huge BMP",
     [](auto* e) {
       std::string& bmp = (*e)[0].data;
       bmp.replace(18, 8, std::string("\x00\x00\x01\x00\x00\x00\x01\x00", 8));
     },
     "screenshot " + kBmpShown + " does not decode"},
    {"truncated BMP", [](auto* e) { (*e)[0].data.resize(200); },
     "screenshot " + kBmpShown + " does not decode"},
    {"huge JPEG",
     [](auto* e) {
       (*e)[0] = {kName + ".jpg", HugeJpeg()};
     },
     "screenshot " + kJpgShown + " does not decode"},
    {"truncated JPEG",
     [](auto* e) {
       const std::string jpeg = Jpeg(64, 64);
       (*e)[0] = {kName + ".jpg", jpeg.substr(0, jpeg.size() / 2)};
     },
     "screenshot " + kJpgShown + " does not decode"},
    {"corrupt JPEG",
     [](auto* e) {
       std::string jpeg = Jpeg(64, 64);
       jpeg.replace(jpeg.size() - jpeg.size() / 4, 2, "\xFF\xD9");
       (*e)[0] = {kName + ".jpg", jpeg};
     },
     "screenshot " + kJpgShown + " does not decode"},
};

TEST(CheckProof, EachDamageGivesItsProblem) {
  for (const DamageRow& row : kDamageRows) {
    std::vector<Entry> entries = Proof();
    row.damage(&entries);
    const ProofReport r = Check(Zip(entries));
    EXPECT_TRUE(Has(r, row.problem)) << row.label << ": " << Verdict(r);
  }
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

TEST(CheckProof, ArchivesThatDoNotOpen) {
  const std::string zip = Zip(Proof());
  for (const std::string& bytes :
       {std::string("not a zip at all"), zip.substr(0, zip.size() - 30), std::string()}) {
    const ProofReport r = Check(bytes);
    EXPECT_FALSE(r.readable);
    EXPECT_TRUE(Has(r, "not a zip archive, or its directory is damaged")) << Verdict(r);
  }
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
