// The structure of an archive, read as strictly as the strictest common
// reader, so that every reader extracts exactly the entries checked here:
// the end record, the directory read by its size, and each record's local
// header compared with it.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "check/check_internal.h"

namespace check {
namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kDirectorySignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kDescriptorSignature = 0x08074b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kRecordSize = 46;
constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kMaxRecords = 0xFFFF;  // all an end record can count
constexpr std::uint32_t kAll32 = 0xFFFFFFFFu;
// General-purpose flags: encryption (traditional, strong, masked header),
// a data descriptor after the data, UTF-8 names.
constexpr unsigned kEncryptedFlags = 0x0001 | 0x0040 | 0x2000;
constexpr unsigned kDescriptorFlag = 0x0008;
constexpr unsigned kUtf8Flag = 0x0800;
constexpr unsigned kUnicodePathField = 0x7075;
constexpr int kListedPerKind = 3;

unsigned U16(const unsigned char* p) { return p[0] | p[1] << 8; }
std::uint32_t U32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

struct Record {
  EntryRecord entry;
  unsigned flags = 0;
  std::uint32_t external = 0;
  std::uint64_t offset = 0;  // of the local header
  std::uint64_t end = 0;     // past the data (and descriptor)
  std::string extra;
};

// The problems of one kind, listed up to three and summed up after.
struct Kinds {
  int local = 0, overlap = 0, names = 0, attributes = 0, damaged = 0;
};

// The name a Unicode Path extra field gives, when there is one.
bool UnicodePath(const std::string& extra, std::string* name) {
  std::size_t at = 0;
  while (at + 4 <= extra.size()) {
    const auto* p = reinterpret_cast<const unsigned char*>(extra.data() + at);
    const unsigned id = U16(p), size = U16(p + 2);
    if (size > extra.size() - at - 4) return false;
    if (id == kUnicodePathField) {
      *name = size > 5 ? extra.substr(at + 4 + 5, size - 5) : std::string();
      return true;
    }
    at += 4 + size;
  }
  return false;
}

// What a reader extracts other than a plain file: a file type in the upper
// half of the external attributes other than none or a regular file,
// whatever system the record says made it (unzip honours the Unix mode from
// several), and the MS-DOS folder bit.
const char* SpecialKind(const Record& r) {
  switch ((r.external >> 16) & 0170000) {
    case 0:
    case 0100000:
      break;
    case 0120000:
      return "a symbolic link";
    case 0040000:
      return "a folder";
    case 0020000:
    case 0060000:
    case 0010000:
    case 0140000:
      return "a device";
    default:
      return "a special file";
  }
  if ((r.external & 0x10) != 0) return "a folder";
  return nullptr;
}

void Add(std::vector<std::string>* problems, int* count, const std::string& text) {
  if (++*count <= kListedPerKind) problems->push_back(text);
}

// Compares the record's local header (and data descriptor) with it; sets
// where its data begin and end.
void CheckLocal(ArchiveBytes* bytes, std::uint64_t directoryStart, Record* r, Kinds* kinds,
                std::vector<std::string>* problems) {
  EntryRecord& e = r->entry;
  const std::string shown = Shown(e.name);
  unsigned char h[kLocalSize];
  if (r->offset >= directoryStart || !bytes->Read(r->offset, kLocalSize, h) ||
      U32(h) != kLocalSignature) {
    Add(problems, &kinds->damaged, "entry " + shown + " is damaged");
    e.sound = false;
    return;
  }
  const unsigned nameSize = U16(h + 26), extraSize = U16(h + 28);
  std::string name(nameSize, '\0'), extra(extraSize, '\0');
  const bool read = bytes->Read(r->offset + kLocalSize, nameSize,
                                reinterpret_cast<unsigned char*>(name.data())) &&
                    bytes->Read(r->offset + kLocalSize + nameSize, extraSize,
                                reinterpret_cast<unsigned char*>(extra.data()));
  const char* differs = nullptr;
  const bool descriptor = (r->flags & kDescriptorFlag) != 0;
  const std::uint32_t crc = U32(h + 14), packed = U32(h + 18), size = U32(h + 22);
  if (!read || name != e.name) {
    differs = "name";
  } else if (U16(h + 6) != r->flags) {
    differs = "flags";
  } else if (static_cast<int>(U16(h + 8)) != e.method) {
    differs = "method";
  } else if (!(descriptor && crc == 0) && crc != e.crc) {
    differs = "CRC-32";
  } else if (!(descriptor && packed == 0 && size == 0) &&
             (packed != e.compressedSize || size != e.size)) {
    differs = "sizes";
  }
  std::string localPath;
  if (differs == nullptr && UnicodePath(extra, &localPath) && localPath != e.name) {
    Add(problems, &kinds->names, "entry " + shown + " has a Unicode Path of another name");
    e.sound = false;
  }
  e.dataStart = r->offset + kLocalSize + nameSize + extraSize;
  r->end = e.dataStart + e.compressedSize;
  if (differs == nullptr && descriptor) {
    // CRC-32 and both sizes, after a signature that may be left out.
    unsigned char d[16];
    std::size_t length = 12;
    if (bytes->Read(r->end, 4, d) && U32(d) == kDescriptorSignature) length = 16;
    const unsigned char* v = d + (length - 12);
    if (!bytes->Read(r->end, length, d) || U32(v) != e.crc || U32(v + 4) != e.compressedSize ||
        U32(v + 8) != e.size) {
      differs = "data descriptor";
    }
    r->end += length;
  }
  if (differs != nullptr) {
    Add(problems, &kinds->local,
        "entry " + shown + ": its local header disagrees with the directory (" + differs + ")");
    e.sound = false;
  }
}

// Entries whose bytes overlap each other or the directory.
void CheckOverlaps(std::vector<Record>* records, std::uint64_t directoryStart, Kinds* kinds,
                   std::vector<std::string>* problems) {
  std::vector<Record*> order;
  for (Record& r : *records) {
    if (r.end > r.offset) order.push_back(&r);
  }
  std::stable_sort(order.begin(), order.end(),
                   [](const Record* a, const Record* b) { return a->offset < b->offset; });
  Record* reach = nullptr;  // the entry reaching furthest so far
  for (Record* r : order) {
    if (reach != nullptr && r->offset < reach->end) {
      Add(problems, &kinds->overlap,
          "entries " + Shown(reach->entry.name) + " and " + Shown(r->entry.name) + " overlap");
      r->entry.sound = false;
      reach->entry.sound = false;
    }
    if (r->end > directoryStart) {
      Add(problems, &kinds->overlap,
          "entry " + Shown(r->entry.name) + " overlaps the archive's directory");
      r->entry.sound = false;
    }
    if (reach == nullptr || r->end > reach->end) reach = r;
  }
}

// Reads one directory record at `at` (before `end`); false when it is not one.
bool ReadRecord(ArchiveBytes* bytes, std::uint64_t* at, std::uint64_t end, Record* r) {
  unsigned char h[kRecordSize];
  if (end - *at < kRecordSize || !bytes->Read(*at, kRecordSize, h)) return false;
  if (U32(h) != kDirectorySignature) return false;
  const unsigned nameSize = U16(h + 28), extraSize = U16(h + 30), commentSize = U16(h + 32);
  const std::uint64_t size = kRecordSize + nameSize + extraSize + commentSize;
  if (end - *at < size) return false;
  r->flags = U16(h + 8);
  r->entry.method = static_cast<int>(U16(h + 10));
  r->entry.dosTime = static_cast<std::uint16_t>(U16(h + 12));
  r->entry.dosDate = static_cast<std::uint16_t>(U16(h + 14));
  r->entry.crc = U32(h + 16);
  r->entry.compressedSize = U32(h + 20);
  r->entry.size = U32(h + 24);
  r->external = U32(h + 38);
  r->offset = U32(h + 42);
  r->entry.encrypted = (r->flags & kEncryptedFlags) != 0;
  r->entry.name.assign(nameSize, '\0');
  r->extra.assign(extraSize, '\0');
  if (!bytes->Read(*at + kRecordSize, nameSize,
                   reinterpret_cast<unsigned char*>(r->entry.name.data())) ||
      !bytes->Read(*at + kRecordSize + nameSize, extraSize,
                   reinterpret_cast<unsigned char*>(r->extra.data()))) {
    return false;
  }
  // Zip64 sizes and archives over several disks: the tool writes neither.
  if (U16(h + 34) != 0 || r->entry.compressedSize == kAll32 || r->entry.size == kAll32 ||
      r->offset == kAll32) {
    r->entry.sound = false;
  }
  *at += size;
  return true;
}

// The record's own problems: its name as other readers see it, its kind.
void CheckRecord(Record* r, Kinds* kinds, std::vector<std::string>* problems) {
  const std::string shown = Shown(r->entry.name);
  std::string path;
  if (!r->entry.sound) {
    Add(problems, &kinds->damaged, "entry " + shown + " is damaged");
  } else if ((r->flags & kUtf8Flag) != 0) {
    Add(problems, &kinds->names, "entry " + shown + " has a UTF-8 name");
    r->entry.sound = false;
  } else if (UnicodePath(r->extra, &path) && path != r->entry.name) {
    Add(problems, &kinds->names, "entry " + shown + " has a Unicode Path of another name");
    r->entry.sound = false;
  }
  if (const char* kind = SpecialKind(*r)) {
    Add(problems, &kinds->attributes, "entry " + shown + " is marked as " + kind);
    r->entry.sound = false;
  }
}

void SumUp(std::vector<std::string>* problems, int count, const char* kind) {
  if (count > kListedPerKind) {
    problems->push_back(std::to_string(count - kListedPerKind) + " more " + kind);
  }
}

// The end record's position, the last one whose comment reaches exactly to
// the end of the archive; false when there is none.
bool FindEnd(ArchiveBytes* bytes, std::uint64_t* at, unsigned char* end) {
  const std::uint64_t size = bytes->size();
  if (size < kEndSize) return false;
  const std::size_t tail =
      static_cast<std::size_t>(std::min<std::uint64_t>(size, 0xFFFF + kEndSize));
  std::vector<unsigned char> last(tail);
  if (!bytes->Read(size - tail, tail, last.data())) return false;
  for (std::size_t i = tail - kEndSize + 1; i-- > 0;) {
    if (U32(&last[i]) == kEndSignature && U16(&last[i + 20]) == tail - i - kEndSize) {
      std::memcpy(end, &last[i], kEndSize);
      *at = size - tail + i;
      return true;
    }
  }
  return false;
}

}  // namespace

std::string Shown(const std::string& oemName) {
  std::string shown = "\"";
  shown += OemToAnsi(oemName);
  shown += '"';
  return shown;
}

bool ReadDirectory(ArchiveBytes* bytes, std::vector<EntryRecord>* entries,
                   std::vector<std::string>* problems) {
  unsigned char end[kEndSize];
  std::uint64_t endAt = 0;
  if (!FindEnd(bytes, &endAt, end)) {
    problems->push_back("not a zip archive, or its directory is damaged");
    return false;
  }
  const unsigned count = U16(end + 10);
  const std::uint64_t directorySize = U32(end + 12), directoryStart = U32(end + 16);
  unsigned char locator[4];
  const bool zip64 =
      endAt >= 20 && bytes->Read(endAt - 20, 4, locator) && U32(locator) == kZip64LocatorSignature;
  // The directory must end where the end record begins: readers that find
  // it elsewhere shift every offset by the difference.
  if (zip64 || U16(end + 4) != 0 || U16(end + 6) != 0 || U16(end + 8) != count ||
      directoryStart > endAt || endAt - directoryStart != directorySize) {
    problems->push_back("not a zip archive, or its directory is damaged");
    return false;
  }
  std::vector<Record> records;
  std::uint64_t at = directoryStart;
  bool whole = true;
  while (at < endAt && records.size() <= kMaxRecords) {
    Record r;
    if (!ReadRecord(bytes, &at, endAt, &r)) {
      whole = false;
      break;
    }
    records.push_back(std::move(r));
  }
  if (!whole) {
    problems->push_back("the archive's directory is damaged");
    return false;
  }
  if (records.size() != count) {
    problems->push_back("the archive's directory holds " +
                        std::string(records.size() > kMaxRecords ? "more than " : "") +
                        std::to_string(std::min(records.size(), kMaxRecords)) +
                        " entries, its end record says " + std::to_string(count));
  }
  Kinds kinds;
  for (Record& r : records) {
    CheckRecord(&r, &kinds, problems);
    if (r.entry.sound) CheckLocal(bytes, directoryStart, &r, &kinds, problems);
  }
  CheckOverlaps(&records, directoryStart, &kinds, problems);
  // Where an entry could not be followed to its end, its problem is listed
  // and the bytes around it cannot be told apart from it.
  std::vector<std::pair<std::uint64_t, std::uint64_t>> spans;
  for (const Record& r : records) {
    if (r.end > r.offset) spans.emplace_back(r.offset, r.end);
  }
  const std::uint64_t scanned = spans.size() == records.size() ? directoryStart : 0;
  CheckStrayRecords(bytes, std::move(spans), scanned, endAt + kEndSize, problems);
  SumUp(problems, kinds.local, "entries whose local header disagrees with the directory");
  SumUp(problems, kinds.overlap, "overlapping entries");
  SumUp(problems, kinds.names, "entries that other readers would name differently");
  SumUp(problems, kinds.attributes, "entries marked as links, folders or devices");
  SumUp(problems, kinds.damaged, "damaged entries");
  entries->clear();
  for (Record& r : records) entries->push_back(std::move(r.entry));
  return true;
}

}  // namespace check
