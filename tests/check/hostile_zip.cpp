// Zip archives built byte by byte, and the table of damages.
#include "tests/check/hostile_zip.h"

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/image_store.h"
#include "tools/sample_game.h"

namespace hostile {

const std::string kName = "oakfield_Ann Lee_973";

namespace {

// `bytes` little-endian bytes of `value` (zeros beyond its four).
void Put(std::string* out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out->push_back(i < 4 ? static_cast<char>((value >> (8 * i)) & 0xFF) : '\0');
}

std::string Text(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

const sample::GameOptions kGame;

}  // namespace

std::uint16_t DosDate(int year, int month, int day) {
  return static_cast<std::uint16_t>(((year - 1980) & 0x7F) << 9 | (month & 0x0F) << 5 |
                                    (day & 0x1F));
}

std::uint16_t DosTime(int hour, int minute, int second) {
  return static_cast<std::uint16_t>((hour & 0x1F) << 11 | (minute & 0x3F) << 5 |
                                    ((second / 2) & 0x1F));
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

namespace {

// The fields both headers share, from "version needed" to the name's length.
std::string Common(const Entry& e, const std::string& packed, std::uint32_t flags,
                   std::uint32_t crc, std::uint32_t size) {
  std::string common;
  Put(&common, 20, 2);
  Put(&common, flags, 2);
  Put(&common, static_cast<std::uint32_t>(e.method), 2);
  Put(&common, e.dosTime, 2);
  Put(&common, e.dosDate, 2);
  Put(&common, crc, 4);
  Put(&common, static_cast<std::uint32_t>(packed.size()) ^ e.packedXor, 4);
  Put(&common, size, 4);
  Put(&common, static_cast<std::uint32_t>(e.name.size()), 2);
  Put(&common, static_cast<std::uint32_t>(e.extra.size()), 2);
  return common;
}

std::string Packed(const Entry& e) {
  std::string packed = e.method == 8 ? Deflated(e.data) : e.data;
  if (e.corruptAt >= 0 && e.corruptAt < static_cast<int>(packed.size()))
    packed[e.corruptAt] ^= 0x55;
  return packed;
}

std::uint32_t Crc(const Entry& e) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size())) ^
      e.crcXor);
}

std::uint32_t Size(const Entry& e) {
  return e.storedSize != 0xFFFFFFFFu ? e.storedSize : static_cast<std::uint32_t>(e.data.size());
}

std::uint32_t Flags(const Entry& e) {
  return e.flags | (e.encrypted ? 1u : 0u) | (e.descriptor ? 8u : 0u);
}

}  // namespace

std::string LocalBlock(const Entry& e) {
  const std::string packed = Packed(e);
  std::string block;
  Put(&block, 0x04034b50, 4);
  std::string common =
      Common(e, packed, Flags(e) ^ e.localFlagsXor, e.descriptor ? 0 : Crc(e) ^ e.localCrcXor,
             e.descriptor ? 0 : Size(e) ^ e.localSizeXor);
  if (e.descriptor) common.replace(14, 4, std::string(4, '\0'));
  const std::string& name = e.localName.empty() ? e.name : e.localName;
  common.replace(
      22, 2,
      std::string{static_cast<char>(name.size() & 0xFF), static_cast<char>(name.size() >> 8)});
  const std::string& extra = e.localExtra.empty() ? e.extra : e.localExtra;
  common.replace(
      24, 2,
      std::string{static_cast<char>(extra.size() & 0xFF), static_cast<char>(extra.size() >> 8)});
  block += common + name + extra + packed;
  if (e.descriptor) {
    Put(&block, 0x08074b50, 4);
    Put(&block, Crc(e) ^ e.descriptorCrcXor, 4);
    Put(&block, static_cast<std::uint32_t>(packed.size()), 4);
    Put(&block, Size(e), 4);
  }
  return block;
}

namespace {

// A directory record for the entry's local header at `offset`.
std::string Record(const Entry& e, std::uint32_t offset) {
  std::string record;
  Put(&record, 0x02014b50, 4);
  Put(&record, e.madeBy, 2);
  record += Common(e, Packed(e), Flags(e), Crc(e), Size(e));
  Put(&record, 0, 2 + 2 + 2);  // comment, disk, internal
  Put(&record, e.external, 4);
  Put(&record, offset, 4);
  return record + e.name + e.extra;
}

std::string EndRecord(std::uint32_t count, const std::string& directory, std::uint32_t start,
                      std::uint32_t commentSize) {
  std::string end;
  Put(&end, 0x06054b50, 4);
  Put(&end, 0, 4);
  Put(&end, count, 2);
  Put(&end, count, 2);
  Put(&end, static_cast<std::uint32_t>(directory.size()), 4);
  Put(&end, start, 4);
  Put(&end, commentSize, 2);
  return end;
}

}  // namespace

std::string Zip(const std::vector<Entry>& entries) {
  std::string body, directory, second;
  std::vector<std::uint32_t> offsets;
  std::uint32_t counted = 0, secondCount = 0;
  for (const Entry& e : entries) {
    std::uint32_t offset = static_cast<std::uint32_t>(body.size());
    if (e.headerOf >= 0) {
      offset = offsets[static_cast<std::size_t>(e.headerOf)];
    } else if (e.nestedIn >= 0) {
      const Entry& outer = entries[static_cast<std::size_t>(e.nestedIn)];
      offset = offsets[static_cast<std::size_t>(e.nestedIn)] + 30 +
               static_cast<std::uint32_t>(outer.name.size() + outer.extra.size());
    } else {
      body += LocalBlock(e);
    }
    offsets.push_back(offset);
    if (e.listedIn == 1) {
      second += Record(e, offset);
      ++secondCount;
      continue;
    }
    if (e.listedIn != 0) continue;
    directory += Record(e, offset);
    if (!e.uncounted) ++counted;
  }
  std::string comment;
  if (secondCount > 0) {
    // The second directory and its end record, then one byte its comment
    // length leaves out.
    const std::size_t start = body.size() + directory.size() + 22;
    comment = second + EndRecord(secondCount, second, static_cast<std::uint32_t>(start), 0);
    comment += '\n';
  }
  return body + directory +
         EndRecord(counted, directory, static_cast<std::uint32_t>(body.size()),
                   static_cast<std::uint32_t>(comment.size())) +
         comment;
}
std::string Jpeg(int width, int height) {
  // Varied pixels, so that most of the file is picture data, not tables.
  std::vector<std::uint8_t> rows(static_cast<std::size_t>((3 * width + width % 4) * height));
  for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::uint8_t>(i * 7 ^ i >> 5);
  std::string jpeg;
  EncodeJpegToMemory(&jpeg, rows.data(), width, height, 3 * width + width % 4, 7);
  return jpeg;
}

std::vector<Entry> Proof() {
  std::vector<Entry> entries = {{kName + ".bmp", Text(sample::ScreenshotBytes(64, 48, 1))},
                                {kName + ".gam", Text(sample::SaveGameBytes(kGame))},
                                {"Oakfield.trk", Text(sample::TrackFileBytes(kGame))}};
  const std::uint16_t day = DosDate(2026, 11, 14);
  const std::uint16_t times[] = {DosTime(20, 33, 10), DosTime(20, 31, 44), DosTime(9, 5, 0)};
  for (std::size_t i = 0; i < entries.size(); ++i) {
    entries[i].dosDate = day;
    entries[i].dosTime = times[i];
  }
  return entries;
}

// A small JPEG whose frame header declares height x width instead.
std::string JpegDeclaring(const char* heightWidth) {
  std::string jpeg = Jpeg(16, 16);
  const std::size_t sof = jpeg.find("\xFF\xC0");
  jpeg.replace(sof + 5, 4, heightWidth, 4);
  return jpeg;
}
namespace {
std::string HugeJpeg() { return JpegDeclaring("\xEA\x60\xEA\x60"); }  // 60000 x 60000

}  // namespace

const std::string kBmpShown = "\"" + kName + ".bmp\"";
const std::string kJpgShown = "\"" + kName + ".jpg\"";

// A Unicode Path extra field naming the entry `stored` as `path`.
std::string UnicodePath(const std::string& stored, const std::string& path) {
  std::string field;
  Put(&field, 0x7075, 2);
  Put(&field, static_cast<std::uint32_t>(5 + path.size()), 2);
  field += '\x01';
  Put(&field,
      static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(stored.data()),
                                       static_cast<uInt>(stored.size()))),
      4);
  return field + path;
}
const std::string kEvil = "../../Startup/evil.exe";

// Marks the entry as made on Unix with the file mode `mode`.
void MadeOnUnix(Entry* e, std::uint32_t mode) {
  e->madeBy = 0x314;
  e->external = mode << 16;
}

const std::vector<DamageRow> kDamageRows = {
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
    {"hidden entry",
     [](auto* e) {
       e->push_back({"payload.exe", "MZ"});
       e->back().uncounted = true;
     },
     "the archive's directory holds 4 entries, its end record says 3"},
    {"Unicode Path", [](auto* e) { (*e)[0].extra = UnicodePath((*e)[0].name, kEvil); },
     "entry " + kBmpShown + " has a Unicode Path of another name"},
    {"Unicode Path in the local header only",
     [](auto* e) { (*e)[0].localExtra = UnicodePath((*e)[0].name, kEvil); },
     "entry " + kBmpShown + " has a Unicode Path of another name"},
    {"local name", [](auto* e) { (*e)[0].localName = "../../../../../../.x.bmp"; },
     "entry " + kBmpShown + ": its local header disagrees with the directory (name)"},
    {"local encryption", [](auto* e) { (*e)[1].localFlagsXor = 1; },
     "entry \"" + kName + ".gam\": its local header disagrees with the directory (flags)"},
    {"local CRC-32", [](auto* e) { (*e)[2].localCrcXor = 1; },
     "entry \"Oakfield.trk\": its local header disagrees with the directory (CRC-32)"},
    {"local size", [](auto* e) { (*e)[2].localSizeXor = 1; },
     "entry \"Oakfield.trk\": its local header disagrees with the directory (sizes)"},
    {"data descriptor",
     [](auto* e) {
       (*e)[2].descriptor = true;
       (*e)[2].descriptorCrcXor = 1;
     },
     "entry \"Oakfield.trk\": its local header disagrees with the directory (data descriptor)"},
    {"UTF-8 name", [](auto* e) { (*e)[2].flags = 0x800; },
     "entry \"Oakfield.trk\" has a UTF-8 name"},
    {"symbolic link", [](auto* e) { MadeOnUnix(&(*e)[2], 0120777u); },
     "entry \"Oakfield.trk\" is marked as a symbolic link"},
    {"Unix folder", [](auto* e) { MadeOnUnix(&(*e)[2], 0040755u); },
     "entry \"Oakfield.trk\" is marked as a folder"},
    {"Unix device", [](auto* e) { MadeOnUnix(&(*e)[2], 0020644u); },
     "entry \"Oakfield.trk\" is marked as a device"},
    {"link made on VMS",
     [](auto* e) {
       MadeOnUnix(&(*e)[2], 0120777u);
       (*e)[2].madeBy = 0x214;
     },
     "entry \"Oakfield.trk\" is marked as a symbolic link"},
    {"second directory in the comment",
     [](auto* e) {
       // Another race under the same names, listed only by a directory
       // that readers taking the last end record find.
       sample::GameOptions game;
       game.resultTime = 1000000;
       for (Entry other : Proof()) {
         if (other.name.ends_with(".gam")) other.data = Text(sample::SaveGameBytes(game));
         other.listedIn = 1;
         e->push_back(other);
       }
     },
     "the archive's comment holds another directory"},
    {"local header before the directory",
     [](auto* e) {
       e->push_back({"payload.exe", "MZ"});
       e->back().listedIn = -1;
     },
     "the archive holds a local header that its directory does not list"},
    {"MS-DOS folder", [](auto* e) { (*e)[1].external = 0x10; },
     "entry \"" + kName + ".gam\" is marked as a folder"},
    {"into the directory", [](auto* e) { (*e)[2].packedXor = 0x4000; },
     "entry \"Oakfield.trk\" overlaps the archive's directory"},
    {"overlapping entries",
     [](auto* e) {
       Entry inner = {"x.txt", "hello", 0};
       e->push_back({"outer.txt", LocalBlock(inner), 0});
       inner.nestedIn = 3;
       e->push_back(inner);
     },
     "entries \"outer.txt\" and \"x.txt\" overlap"},
    {"race time below zero",
     [](auto* e) {
       sample::GameOptions game;
       game.resultTime = -1;
       (*e)[1].data = Text(sample::SaveGameBytes(game));
     },
     "race time below zero"},
    {"sizes add up past the cap",
     [](auto* e) {
       for (Entry& x : *e) x.storedSize = 256u << 20;
       e->push_back({"x.txt", "y", 0});
     },
     "the entries add up to more than 768 MiB"},
    {"corrupt JPEG",
     [](auto* e) {
       std::string jpeg = Jpeg(64, 64);
       jpeg.replace(jpeg.size() - jpeg.size() / 4, 2, "\xFF\xD9");
       (*e)[0] = {kName + ".jpg", jpeg};
     },
     "screenshot " + kJpgShown + " does not decode"},
};

}  // namespace hostile
