// make-fuzz-seeds FOLDER: writes the seed corpus of every fuzz target into
// FOLDER/<target>/, one small well-formed (or nearly so) input per file, so
// that fuzzing starts from the shapes the readers are meant to accept.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include <zlib.h>

#include "tools/bmp_builder.h"
#include "tools/sample_game.h"

namespace {

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// A BMP file of a 40-byte info header, a table (palette or masks) and pixels.
Bytes Bitmap(int width, int height, int bits, std::uint32_t compression,
             std::vector<std::uint32_t> palette, Bytes pixels, std::uint32_t colours,
             std::vector<std::uint32_t> masks = {}) {
  DibLayout layout = MakeLayout(width, height, static_cast<std::uint32_t>(bits));
  layout.compression = compression;
  layout.colorsUsed = colours;
  layout.palette = std::move(palette);
  layout.masks = std::move(masks);
  layout.pixels = std::move(pixels);
  return BuildBmp(layout);
}

std::vector<std::uint32_t> Palette(int count) {
  std::vector<std::uint32_t> p;
  for (int i = 0; i < count; ++i) p.push_back(static_cast<std::uint32_t>(i * 0x010203 & 0xFFFFFF));
  return p;
}

// One bitmap of each storage the decoder knows.
std::vector<Bytes> BitmapSeeds() {
  std::vector<Bytes> seeds;
  const std::vector<std::uint8_t> shot = sample::ScreenshotBytes(7, 5, 1);
  seeds.emplace_back(shot.begin(), shot.end());
  seeds.push_back(Bitmap(4, -3, 8, 0, Palette(4), Bytes(12, 2), 4));  // top-down, 8 bits
  seeds.push_back(Bitmap(5, 2, 1, 0, Palette(2), Bytes{0xA8, 0, 0, 0, 0x50, 0, 0, 0}, 2));
  seeds.push_back(Bitmap(3, 2, 4, 0, Palette(16), Bytes{0x12, 0x30, 0, 0, 0x45, 0x60, 0, 0}, 16));
  // Run-length coded: runs, an absolute run, end of line, a move, end of picture.
  seeds.push_back(Bitmap(6, 3, 8, 1, Palette(4),
                         Bytes{3, 1, 0, 3, 2, 3, 0, 0, 0, 2, 1, 1, 2, 2, 0, 0, 0, 1}, 4));
  seeds.push_back(Bitmap(6, 2, 4, 2, Palette(16), Bytes{4, 0x12, 0, 0, 6, 0x34, 0, 1}, 16));
  seeds.push_back(Bitmap(2, 2, 16, 3, {}, Bytes{1, 2, 3, 4, 5, 6, 7, 8}, 0,
                         {0xF800, 0x07E0, 0x001F}));
  seeds.push_back(Bitmap(2, 1, 32, 0, {}, Bytes{1, 2, 3, 0, 4, 5, 6, 0}, 0));
  // A header promising a huge picture over a file of a few bytes.
  seeds.push_back(Bitmap(16384, 16384, 24, 0, {}, Bytes(16, 7), 0));
  return seeds;
}

// An icon file of one image with its AND mask (32-bit, or 8-bit with a palette).
Bytes Icon(int size, int bits) {
  const int colours = bits <= 8 ? 1 << bits : 0;
  const std::uint32_t rowBytes = static_cast<std::uint32_t>((size * bits + 31) / 32 * 4);
  const std::uint32_t maskRow = static_cast<std::uint32_t>((size + 31) / 32 * 4);
  DibLayout layout = MakeLayout(size, 2 * size, static_cast<std::uint32_t>(bits));
  layout.colorsUsed = static_cast<std::uint32_t>(colours);
  layout.palette = Palette(colours);
  for (std::uint32_t i = 0; i < rowBytes * size; ++i) layout.pixels.push_back(static_cast<std::uint8_t>(i * 7));
  for (std::uint32_t i = 0; i < maskRow * size; ++i) layout.pixels.push_back(i % 3 == 0 ? 0xF0 : 0);
  return BuildIcon({IconEntry{BuildDib(layout)}});
}

Bytes DateSeed(std::int32_t value, const std::string& mask) {
  Bytes b;
  Put32(&b, static_cast<std::uint32_t>(value));
  const Bytes m = Text(mask);
  b.insert(b.end(), m.begin(), m.end());
  return b;
}

std::vector<Bytes> GameSeeds() {
  std::vector<Bytes> seeds;
  sample::GameOptions a;
  sample::GameOptions b;
  b.layoutA = false;
  b.blockIndex = 0;
  b.lengthMode = 1;
  sample::GameOptions far;
  far.blockIndex = 127;
  far.timeSlot = -1;
  for (const sample::GameOptions& o : {a, b, far}) {
    const auto save = sample::SaveGameBytes(o);
    seeds.emplace_back(save.begin(), save.end());
    const auto track = sample::TrackFileBytes(o);
    seeds.emplace_back(track.begin(), track.end());
  }
  return seeds;
}

// A zip archive of stored (uncompressed) entries: local headers with their
// bytes, the directory, the end record.
Bytes StoredZip(const std::vector<std::pair<std::string, Bytes>>& entries) {
  Bytes body, directory;
  for (const auto& [name, data] : entries) {
    const std::uint32_t offset = static_cast<std::uint32_t>(body.size());
    Bytes common;
    Put16(&common, 20);
    Put16(&common, 0);  // flags
    Put16(&common, 0);  // stored
    Put32(&common, 0);  // time and date
    Put32(&common, static_cast<std::uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size()))));
    Put32(&common, static_cast<std::uint32_t>(data.size()));
    Put32(&common, static_cast<std::uint32_t>(data.size()));
    Put16(&common, static_cast<std::uint32_t>(name.size()));
    Put16(&common, 0);  // extra field
    Put32(&body, 0x04034b50);
    body.insert(body.end(), common.begin(), common.end());
    body.insert(body.end(), name.begin(), name.end());
    body.insert(body.end(), data.begin(), data.end());
    Put32(&directory, 0x02014b50);
    Put16(&directory, 20);
    directory.insert(directory.end(), common.begin(), common.end());
    for (int i = 0; i < 3; ++i) Put16(&directory, 0);  // comment, disk, internal
    Put32(&directory, 0);                              // external
    Put32(&directory, offset);
    directory.insert(directory.end(), name.begin(), name.end());
  }
  Bytes zip = body;
  zip.insert(zip.end(), directory.begin(), directory.end());
  Put32(&zip, 0x06054b50);
  Put32(&zip, 0);
  Put16(&zip, static_cast<std::uint32_t>(entries.size()));
  Put16(&zip, static_cast<std::uint32_t>(entries.size()));
  Put32(&zip, static_cast<std::uint32_t>(directory.size()));
  Put32(&zip, static_cast<std::uint32_t>(body.size()));
  Put16(&zip, 0);
  return zip;
}

// Proofs as the tool packs them (screenshot, saved game, track file), with
// a small screenshot; one without its track file.
std::vector<Bytes> ProofSeeds() {
  const std::string name = "oakfield_Ann Lee_973";
  const sample::GameOptions o;
  const auto screen = sample::ScreenshotBytes(8, 6, 1);
  const auto save = sample::SaveGameBytes(o);
  const auto track = sample::TrackFileBytes(o);
  return {StoredZip({{name + ".bmp", Bytes(screen.begin(), screen.end())},
                     {name + ".gam", Bytes(save.begin(), save.end())},
                     {"Oakfield.trk", Bytes(track.begin(), track.end())}}),
          StoredZip({{name + ".gam", Bytes(save.begin(), save.end())}})};
}

bool WriteSeeds(const std::filesystem::path& folder, const std::string& target,
                const std::vector<Bytes>& seeds) {
  std::error_code ec;
  std::filesystem::create_directories(folder / target, ec);
  for (std::size_t i = 0; i < seeds.size(); ++i) {
    std::ofstream out(folder / target / ("seed" + std::to_string(i)), std::ios::binary);
    out.write(reinterpret_cast<const char*>(seeds[i].data()),
              static_cast<std::streamsize>(seeds[i].size()));
    if (!out) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: make-fuzz-seeds FOLDER\n", stderr);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  const std::vector<Bytes> bitmaps = BitmapSeeds();
  const std::vector<Bytes> settings = {
      Text("Track = 1\r\nGame = 1\r\nScreen = 1\r\nbmp/jpg = 0\r\ntext = \r\nTextPos = 0\r\n"
           "trackname = 1\r\ndrivername = 2\r\ntime/kmh = 3\r\n"),
      Text("\xEF\xBB\xBFtext = Caf\xC3\xA9 Cup\nTrack=-99999999999\n[group]\nGame = 0\n"),
      Text("; comment\r\n  Screen\t=\t+7x\r\ntime/kmh = 2147483648\r\n=\r\n\r\n"),
  };
  const std::vector<Bytes> dates = {
      DateSeed(1234567890, "%yyyy.%mm.%dd %hh:%ii"),
      DateSeed(0, "%YY%Mm%dD%HH%II%sS%"),
      DateSeed(-1, "%%yyyy%y%%ss"),
      DateSeed(2147483647, "%ss %ii %hh %dd %mm %yyyy"),
  };
  const std::vector<Bytes> names = {
      Text(std::string("\0C:\\Game\\zip\\Name.gam", 21)),
      Text("\x01"
           "C:/Game/zip/Cup \xE4.bmp"),
      Text(std::string("\0\"quoted name\".trk", 18)),
  };
  const bool ok =
      WriteSeeds(folder, "settings_fuzz", settings) && WriteSeeds(folder, "dates_fuzz", dates) &&
      WriteSeeds(folder, "game_readers_fuzz", GameSeeds()) &&
      WriteSeeds(folder, "bmp_fuzz", bitmaps) && WriteSeeds(folder, "image_slots_fuzz", bitmaps) &&
      WriteSeeds(folder, "icon_fuzz", {Icon(16, 32), Icon(8, 8), Icon(4, 1)}) &&
      WriteSeeds(folder, "entry_name_fuzz", names) &&
      WriteSeeds(folder, "check_fuzz", ProofSeeds());
  if (!ok) {
    std::fprintf(stderr, "make-fuzz-seeds: cannot write into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
