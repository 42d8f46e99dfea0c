// The entries of one archive, their structure read strictly and their data
// inflated with zlib so that every limit is ours: the stored sizes are
// checked before inflating, the output may never pass them, and the CRC-32
// is computed over what came out.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "check/check_internal.h"
#include "platform/platform.h"

namespace check {
namespace {

constexpr std::size_t kChunk = 256 * 1024;
constexpr int kListedPerKind = 3;

// The compressed bytes of one entry, piece by piece.
class RawBytes {
 public:
  RawBytes(ArchiveBytes* bytes, std::uint64_t at, std::uint64_t size)
      : bytes_(bytes), at_(at), left_(size) {}
  // The next piece, `got` bytes into `buffer` (0 at the end); false when
  // the archive ends before the entry does or cannot be read.
  bool Next(unsigned char* buffer, std::size_t room, std::size_t* got) {
    *got = static_cast<std::size_t>(std::min<std::uint64_t>(left_, room));
    if (*got == 0) return true;
    if (!bytes_->Read(at_, *got, buffer)) return false;
    at_ += *got;
    left_ -= *got;
    return true;
  }

 private:
  ArchiveBytes* bytes_;
  std::uint64_t at_;
  std::uint64_t left_;
};

// A plain file name: no folder part, no "..", no drive, nothing empty.
bool PlainName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.find_first_of("/\\:") != std::string::npos) return false;
  return name.find('\0') == std::string::npos;
}

// Inflates (or copies) the entry's raw bytes. The first `keepBytes` go to
// *keep when it is given, the rest are only counted, in *inflated too.
// Returns the problem, or an empty text when intact.
std::string InflateEntry(RawBytes* raw, const EntryRecord& entry, std::string* keep,
                         std::uint64_t keepBytes, std::uint64_t* inflated) {
  const std::string shown = Shown(entry.name);
  std::unique_ptr<unsigned char[]> input(new (std::nothrow) unsigned char[kChunk]);
  std::unique_ptr<unsigned char[]> scratch(new (std::nothrow) unsigned char[kChunk]);
  if (input == nullptr || scratch == nullptr) return "no memory to read entry " + shown;
  if (keep != nullptr) {
    try {
      keep->assign(static_cast<std::size_t>(std::min(keepBytes, entry.size)), '\0');
    } catch (const std::bad_alloc&) {
      return "no memory to read entry " + shown;
    }
  }
  z_stream z{};
  const bool deflated = entry.method == Z_DEFLATED;
  if (deflated && inflateInit2(&z, -MAX_WBITS) != Z_OK) return "no memory to read entry " + shown;
  std::uint64_t produced = 0;
  uLong crc = crc32(0L, Z_NULL, 0);
  bool ended = false;
  std::string problem;
  while (problem.empty() && !ended) {
    std::size_t got = 0;
    if (!raw->Next(input.get(), kChunk, &got)) {
      problem = "entry " + shown + " is damaged";
      break;
    }
    if (got == 0) break;
    z.next_in = input.get();
    z.avail_in = static_cast<uInt>(got);
    while (problem.empty() && z.avail_in > 0 && !ended) {
      // Inside the stored size the bytes go to their place; past it, one
      // scratch byte is enough to notice.
      unsigned char* out = scratch.get();
      std::size_t room = kChunk;
      if (produced >= entry.size) {
        room = 1;
      } else if (keep != nullptr && produced < keep->size()) {
        out = reinterpret_cast<unsigned char*>(keep->data()) + produced;
        room = std::min<std::uint64_t>(keep->size() - produced, kChunk);
      } else {
        room = std::min<std::uint64_t>(entry.size - produced, kChunk);
      }
      std::size_t made = 0;
      if (deflated) {
        z.next_out = out;
        z.avail_out = static_cast<uInt>(room);
        const int status = inflate(&z, Z_NO_FLUSH);
        made = room - z.avail_out;
        if (status == Z_STREAM_END) {
          ended = true;
        } else if (status != Z_OK && status != Z_BUF_ERROR) {
          problem = "entry " + shown + " is damaged";
        }
      } else {
        made = std::min<std::size_t>(room, z.avail_in);
        std::memcpy(out, z.next_in, made);
        z.next_in += made;
        z.avail_in -= static_cast<uInt>(made);
      }
      if (made > 0 && produced >= entry.size) {
        problem = "entry " + shown + " inflates past its stored size";
      }
      crc = crc32(crc, out, static_cast<uInt>(made));
      produced += made;
      *inflated += made;
    }
  }
  if (deflated) inflateEnd(&z);
  if (!problem.empty()) return problem;
  if ((deflated && !ended) || produced != entry.size) return "entry " + shown + " is damaged";
  if (static_cast<std::uint32_t>(crc) != entry.crc) {
    return "entry " + shown + " fails its CRC-32 check";
  }
  return std::string();
}

struct Walk {
  std::set<std::string> seen;
  int unplain = 0, duplicates = 0, damaged = 0, encrypted = 0, methods = 0, large = 0;
};

void CheckEntry(ArchiveBytes* bytes, const EntryRecord& entry, bool inflate, const WantEntry& want,
                const TakeEntry& take, Walk* walk, std::vector<std::string>* problems,
                std::uint64_t* inflated) {
  const std::string shown = Shown(entry.name);
  if (!PlainName(entry.name)) {
    AddCounted(problems, "entry " + shown + " is not a plain file name", &walk->unplain);
    return;
  }
  if (!walk->seen.insert(AsciiLower(entry.name)).second) {
    AddCounted(problems, "duplicate entry " + shown, &walk->duplicates);
    return;
  }
  if (!entry.sound) return;  // its problem is listed already
  if (entry.encrypted) {
    AddCounted(problems, "entry " + shown + " is encrypted", &walk->encrypted);
    return;
  }
  if (entry.method != 0 && entry.method != Z_DEFLATED) {
    AddCounted(problems,
               "entry " + shown + " uses compression method " + std::to_string(entry.method),
               &walk->methods);
    return;
  }
  if (entry.size > kMaxEntryBytes) {
    AddCounted(problems, "entry " + shown + " is larger than 256 MiB", &walk->large);
    return;
  }
  if (!inflate) return;
  std::uint64_t keep = entry.size;
  const bool wanted = want(entry, &keep);
  std::string data;
  RawBytes raw(bytes, entry.dataStart, entry.compressedSize);
  const std::string problem = InflateEntry(&raw, entry, wanted ? &data : nullptr, keep, inflated);
  if (!problem.empty()) {
    AddCounted(problems, problem, &walk->damaged);
    return;
  }
  if (wanted) take(entry, data);
}

}  // namespace

void AddCounted(std::vector<std::string>* problems, const std::string& text, int* count) {
  if (++*count <= kListedPerKind) problems->push_back(text);
}

void FinishCounted(std::vector<std::string>* problems, const std::string& kind, int count) {
  if (count > kListedPerKind) {
    problems->push_back(std::to_string(count - kListedPerKind) + " more " + kind);
  }
}

bool ReadEntries(const ArchiveSource& source, const WantEntry& want, const TakeEntry& take,
                 std::vector<std::string>* problems, std::uint64_t* inflated) {
  ArchiveBytes bytes(source);
  if (!bytes.open()) {
    problems->push_back(bytes.notRegular() ? "is not a regular file" : "cannot be read");
    return false;
  }
  std::vector<EntryRecord> entries;
  if (!ReadDirectory(&bytes, &entries, problems)) return false;
  // The work an archive may cost is bounded before anything is inflated.
  std::uint64_t total = 0;
  for (const EntryRecord& e : entries) total += e.size;
  const bool inflate = total <= kMaxArchiveBytes;
  if (!inflate) problems->push_back("the entries add up to more than 768 MiB");
  Walk walk;
  for (const EntryRecord& entry : entries) {
    CheckEntry(&bytes, entry, inflate, want, take, &walk, problems, inflated);
  }
  FinishCounted(problems, "entries that are not plain file names", walk.unplain);
  FinishCounted(problems, "duplicate entries", walk.duplicates);
  FinishCounted(problems, "encrypted entries", walk.encrypted);
  FinishCounted(problems, "entries of other compression methods", walk.methods);
  FinishCounted(problems, "entries larger than 256 MiB", walk.large);
  FinishCounted(problems, "damaged entries", walk.damaged);
  return true;
}

bool ReadEntry(const ArchiveSource& source, const std::string& name, std::string* bytes) {
  ArchiveBytes archive(source);
  std::vector<EntryRecord> entries;
  std::vector<std::string> problems;
  if (!archive.open() || !ReadDirectory(&archive, &entries, &problems)) return false;
  for (const EntryRecord& entry : entries) {
    if (OemToAnsi(entry.name) != name) continue;
    if (!entry.sound || entry.encrypted || entry.size > kMaxEntryBytes ||
        (entry.method != 0 && entry.method != Z_DEFLATED)) {
      return false;
    }
    RawBytes raw(&archive, entry.dataStart, entry.compressedSize);
    std::uint64_t inflated = 0;
    return InflateEntry(&raw, entry, bytes, entry.size, &inflated).empty();
  }
  return false;
}

}  // namespace check
