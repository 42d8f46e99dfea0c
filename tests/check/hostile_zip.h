// Zip archives built byte by byte, whole or damaged in one chosen way, and
// the table of damages with the problem each must give.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hostile {

extern const std::string kName;  // the name the whole proof was packed under

struct Entry {
  std::string name;
  std::string data;
  int method = 8;
  bool encrypted = false;
  std::uint32_t storedSize = 0xFFFFFFFFu;  // the real size unless given
  std::uint32_t crcXor = 0;
  int corruptAt = -1;  // a compressed byte flipped
  // What the local header says otherwise than the directory.
  std::string localName = {};   // when not empty
  std::string localExtra = {};  // when not empty
  std::uint32_t localFlagsXor = 0, localCrcXor = 0, localSizeXor = 0;
  // Both headers.
  std::uint32_t flags = 0;  // general-purpose flags besides encryption
  std::string extra = {};   // extra field
  // The last-write time as MS-DOS fields.
  std::uint16_t dosTime = 0, dosDate = 0;
  // Directory only.
  std::uint32_t madeBy = 20;    // version made by: host system << 8 | version
  std::uint32_t external = 0;   // external attributes
  std::uint32_t packedXor = 0;  // compressed size as both headers say it
  bool uncounted = false;       // left out of the end record's count
  // The directory that lists it: 0 the archive's, 1 a second one in the
  // archive's comment (whose end record's comment length falls one byte
  // short of the file's end), -1 none (its local header stands alone).
  int listedIn = 0;
  int nestedIn = -1;  // local header and data are the stored data of that entry
  int headerOf = -1;  // the record points at that entry's local header
  // A data descriptor after the data (flag 8, zeros in the local header).
  bool descriptor = false;
  std::uint32_t descriptorCrcXor = 0;
};

// MS-DOS date and time fields, any value masked to its bits, so that
// impossible ones (month 13, hour 25) can be written too.
std::uint16_t DosDate(int year, int month, int day);
std::uint16_t DosTime(int hour, int minute, int second);

std::string Deflated(const std::string& data);
// The local header, name, extra field and data of one entry.
std::string LocalBlock(const Entry& e);
// A zip archive: local headers with their data, the directory, the end record.
std::string Zip(const std::vector<Entry>& entries);
// The three entries the tool packs; the screenshot taken 2026-11-14 at
// 20:33:10, 1 min 26 s after the race was saved.
std::vector<Entry> Proof();
std::string Jpeg(int width, int height);
// A small JPEG whose frame header declares height x width instead.
std::string JpegDeclaring(const char* heightWidth);

struct DamageRow {
  const char* label;
  void (*damage)(std::vector<Entry>* entries);
  std::string problem;
};
extern const std::vector<DamageRow> kDamageRows;

}  // namespace hostile
