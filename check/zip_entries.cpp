// The entries of one archive, read with minizip's reader over bytes in
// memory or a file, and inflated here with zlib so that every limit is
// ours: the stored size is checked before inflating, the output may never
// pass it, and the CRC-32 is computed over what came out.
#include <minizip/unzip.h>
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

// One readable stream of archive bytes: memory, or a C file.
struct Stream {
  const std::uint8_t* data = nullptr;
  std::uint64_t size = 0;
  std::uint64_t pos = 0;
  std::FILE* file = nullptr;
  bool failed = false;
};

voidpf ZCALLBACK OpenStream(voidpf opaque, const void* /*name*/, int mode) {
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
  return opaque;
}

uLong ZCALLBACK ReadStream(voidpf /*opaque*/, voidpf handle, void* buf, uLong size) {
  auto* s = static_cast<Stream*>(handle);
  if (s->file != nullptr) {
    const std::size_t got = std::fread(buf, 1, size, s->file);
    if (got < size && std::ferror(s->file)) s->failed = true;
    return static_cast<uLong>(got);
  }
  const std::uint64_t left = s->pos < s->size ? s->size - s->pos : 0;
  const std::uint64_t n = std::min<std::uint64_t>(left, size);
  if (n > 0) std::memcpy(buf, s->data + s->pos, static_cast<std::size_t>(n));
  s->pos += n;
  return static_cast<uLong>(n);
}

uLong ZCALLBACK WriteStream(voidpf, voidpf, const void*, uLong) { return 0; }

ZPOS64_T ZCALLBACK TellStream(voidpf /*opaque*/, voidpf handle) {
  auto* s = static_cast<Stream*>(handle);
  if (s->file != nullptr) {
    const std::int64_t at = platform::TellStdio(s->file);
    return at < 0 ? static_cast<ZPOS64_T>(-1) : static_cast<ZPOS64_T>(at);
  }
  return s->pos;
}

long ZCALLBACK SeekStream(voidpf /*opaque*/, voidpf handle, ZPOS64_T offset, int origin) {
  auto* s = static_cast<Stream*>(handle);
  if (s->file != nullptr) {
    if (offset > 0x7FFFFFFFFFFFull) return -1;
    const int whence = origin == ZLIB_FILEFUNC_SEEK_SET   ? SEEK_SET
                       : origin == ZLIB_FILEFUNC_SEEK_CUR ? SEEK_CUR
                                                          : SEEK_END;
    return platform::SeekStdio(s->file, static_cast<std::int64_t>(offset), whence) ? 0 : -1;
  }
  std::uint64_t base = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = s->pos;
  if (origin == ZLIB_FILEFUNC_SEEK_END) base = s->size;
  if (offset > s->size || base > s->size - offset) return -1;
  s->pos = base + offset;
  return 0;
}

int ZCALLBACK CloseStream(voidpf, voidpf) { return 0; }

int ZCALLBACK ErrorStream(voidpf /*opaque*/, voidpf handle) {
  return static_cast<Stream*>(handle)->failed ? 1 : 0;
}

// The compressed bytes of one entry, straight from the stream (minizip's
// own raw reads copy byte by byte and checksum the compressed data).
class RawBytes {
 public:
  RawBytes(Stream* stream, std::uint64_t at, std::uint64_t size)
      : stream_(stream), at_(at), left_(size) {}
  // The next piece: *data points at `got` bytes (0 at the end); false when
  // the stream ends before the entry does or cannot be read.
  bool Next(unsigned char* buffer, std::size_t room, const unsigned char** data, std::size_t* got) {
    *got = static_cast<std::size_t>(std::min<std::uint64_t>(left_, room));
    *data = buffer;
    if (*got == 0) return true;
    if (stream_->file == nullptr) {
      if (at_ > stream_->size || stream_->size - at_ < *got) return false;
      *data = stream_->data + at_;
    } else {
      if (SeekStream(nullptr, stream_, at_, ZLIB_FILEFUNC_SEEK_SET) != 0) return false;
      if (std::fread(buffer, 1, *got, stream_->file) != *got) return false;
    }
    at_ += *got;
    left_ -= *got;
    return true;
  }

 private:
  Stream* stream_;
  std::uint64_t at_;
  std::uint64_t left_;
};

std::string Shown(const std::string& oemName) {
  std::string shown = "\"";
  shown += OemToAnsi(oemName);
  shown += '"';
  return shown;
}

// A plain file name: no folder part, no "..", no drive, nothing empty.
bool PlainName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  if (name.find_first_of("/\\:") != std::string::npos) return false;
  return name.find('\0') == std::string::npos;
}

std::string FoldedName(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

// Inflates (or copies) the open entry, raw bytes from minizip. The bytes go
// to *keep when it is given (sized to the stored size), otherwise they are
// only counted. Returns the problem, or an empty text when intact.
std::string InflateEntry(RawBytes* raw, const EntryRecord& entry, std::string* keep) {
  const std::string shown = Shown(entry.name);
  std::unique_ptr<unsigned char[]> input(new (std::nothrow) unsigned char[kChunk]);
  std::unique_ptr<unsigned char[]> scratch(new (std::nothrow) unsigned char[kChunk]);
  if (input == nullptr || scratch == nullptr) return "no memory to read entry " + shown;
  if (keep != nullptr) {
    try {
      keep->assign(static_cast<std::size_t>(entry.size), '\0');
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
    const unsigned char* data = nullptr;
    std::size_t got = 0;
    if (!raw->Next(input.get(), kChunk, &data, &got)) {
      problem = "entry " + shown + " is damaged";
      break;
    }
    if (got == 0) break;
    z.next_in = const_cast<unsigned char*>(data);
    z.avail_in = static_cast<uInt>(got);
    while (problem.empty() && z.avail_in > 0 && !ended) {
      // Inside the stored size the bytes go to their place; past it, one
      // scratch byte is enough to notice.
      unsigned char* out = scratch.get();
      std::size_t room = kChunk;
      if (produced >= entry.size) {
        room = 1;
      } else if (keep != nullptr) {
        out = reinterpret_cast<unsigned char*>(keep->data()) + produced;
        room = std::min<std::uint64_t>(entry.size - produced, kChunk);
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
  int unplain = 0, duplicates = 0, damaged = 0;
};

void CheckEntry(unzFile zip, Stream* stream, const EntryRecord& entry, const WantEntry& want,
                const TakeEntry& take, Walk* walk, std::vector<std::string>* problems) {
  const std::string shown = Shown(entry.name);
  if (!PlainName(entry.name)) {
    AddCounted(problems, "entry " + shown + " is not a plain file name", &walk->unplain);
    return;
  }
  if (!walk->seen.insert(FoldedName(entry.name)).second) {
    AddCounted(problems, "duplicate entry " + shown, &walk->duplicates);
    return;
  }
  if (entry.encrypted) {
    problems->push_back("entry " + shown + " is encrypted");
    return;
  }
  if (entry.method != 0 && entry.method != Z_DEFLATED) {
    problems->push_back("entry " + shown + " uses compression method " +
                        std::to_string(entry.method));
    return;
  }
  if (entry.size > kMaxEntryBytes) {
    problems->push_back("entry " + shown + " is larger than 256 MiB");
    return;
  }
  int method = 0, level = 0;
  if (unzOpenCurrentFile2(zip, &method, &level, 1) != UNZ_OK) {
    AddCounted(problems, "entry " + shown + " is damaged", &walk->damaged);
    return;
  }
  const bool wanted = want(entry);
  std::string bytes;
  // minizip has checked the local header against the directory and found
  // where the data starts.
  RawBytes raw(stream, unzGetCurrentFileZStreamPos64(zip), entry.compressedSize);
  const std::string problem = InflateEntry(&raw, entry, wanted ? &bytes : nullptr);
  unzCloseCurrentFile(zip);
  if (!problem.empty()) {
    AddCounted(problems, problem, &walk->damaged);
    return;
  }
  if (wanted) take(entry, bytes);
}

bool ReadRecord(unzFile zip, EntryRecord* entry) {
  unz_file_info64 info;
  char name[65536];
  if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
    return false;
  }
  entry->name.assign(name, std::min<std::size_t>(info.size_filename, sizeof name - 1));
  entry->size = info.uncompressed_size;
  entry->compressedSize = info.compressed_size;
  entry->crc = static_cast<std::uint32_t>(info.crc);
  entry->method = static_cast<int>(info.compression_method);
  entry->encrypted = (info.flag & 1u) != 0;
  return true;
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
                 std::vector<std::string>* problems) {
  Stream stream;
  if (source.path.empty()) {
    stream.data = source.data;
    stream.size = source.data == nullptr ? 0 : source.size;
  } else {
    stream.file = std::fopen(platform::HostPath(source.path).c_str(), "rb");
    if (stream.file == nullptr) {
      problems->push_back("cannot be read");
      return false;
    }
  }
  zlib_filefunc64_def functions{};
  functions.zopen64_file = OpenStream;
  functions.zread_file = ReadStream;
  functions.zwrite_file = WriteStream;
  functions.ztell64_file = TellStream;
  functions.zseek64_file = SeekStream;
  functions.zclose_file = CloseStream;
  functions.zerror_file = ErrorStream;
  functions.opaque = &stream;
  unzFile zip = unzOpen2_64("archive", &functions);
  bool walked = zip != nullptr;
  if (zip == nullptr) {
    problems->push_back("not a zip archive, or its directory is damaged");
  } else {
    Walk walk;
    int step = unzGoToFirstFile(zip);
    while (step == UNZ_OK) {
      EntryRecord entry;
      if (!ReadRecord(zip, &entry)) break;
      CheckEntry(zip, &stream, entry, want, take, &walk, problems);
      step = unzGoToNextFile(zip);
    }
    FinishCounted(problems, "entries that are not plain file names", walk.unplain);
    FinishCounted(problems, "duplicate entries", walk.duplicates);
    FinishCounted(problems, "damaged entries", walk.damaged);
    if (step != UNZ_END_OF_LIST_OF_FILE) {
      problems->push_back("the archive's directory is damaged");
      walked = false;
    }
    unzClose(zip);
  }
  if (stream.file != nullptr) std::fclose(stream.file);
  return walked;
}

}  // namespace check
