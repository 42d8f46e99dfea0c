// Private to the checker: reading the entries of one archive.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "check/check.h"

namespace check {

// One entry as its directory record gives it.
struct EntryRecord {
  std::string name;  // as stored (OEM code page bytes)
  std::uint64_t size = 0;
  std::uint64_t compressedSize = 0;
  std::uint32_t crc = 0;
  int method = 0;
  bool encrypted = false;
  std::uint64_t dataStart = 0;  // where the compressed bytes begin
  bool sound = true;            // false when its records disagree (a problem says so)
};

// The bytes of an archive, in memory or in a file, read at any position.
class ArchiveBytes {
 public:
  explicit ArchiveBytes(const ArchiveSource& source);
  ~ArchiveBytes();
  ArchiveBytes(const ArchiveBytes&) = delete;
  ArchiveBytes& operator=(const ArchiveBytes&) = delete;

  bool open() const { return open_; }
  std::uint64_t size() const { return size_; }
  // Copies `count` bytes from `at`; false when they are not all there.
  bool Read(std::uint64_t at, std::size_t count, unsigned char* out);

 private:
  static constexpr std::uint64_t kUnknown = ~0ull;
  const std::uint8_t* data_ = nullptr;
  std::FILE* file_ = nullptr;
  std::uint64_t size_ = 0;
  std::uint64_t position_ = kUnknown;
  bool open_ = false;
};

// Reads the archive's structure as strictly as the strictest common reader:
// the end record, the directory by its size (its records counted against
// the end record's), each record's local header (name, flags, method,
// CRC-32, sizes, and a data descriptor when there is one), overlapping
// data, names that other readers would extract differently, and entries
// marked as links, folders or devices. Each entry whose records disagree
// is not `sound`. False when there is no directory to read at all.
bool ReadDirectory(ArchiveBytes* bytes, std::vector<EntryRecord>* entries,
                   std::vector<std::string>* problems);

// The entry's name quoted for a problem text.
std::string Shown(const std::string& oemName);

// Decides per entry whether its bytes are wanted in memory.
using WantEntry = std::function<bool(const EntryRecord& entry)>;
// Receives each entry whose bytes were wanted and read intact. The bytes
// are the caller's until the next entry is read.
using TakeEntry = std::function<void(const EntryRecord& entry, std::string& bytes)>;

// Walks every entry of the archive in directory order: checks its record
// (structure, encryption, a plain name, duplicates, the size cap), inflates
// it in chunks (checking its size and CRC-32) and hands wanted ones to
// `take`. When the stored sizes add up to more than kMaxArchiveBytes,
// nothing is inflated. Problems go to `problems`; the bytes inflated are
// added to *inflated. False when the archive cannot be opened or its
// directory cannot be read (a problem says so).
bool ReadEntries(const ArchiveSource& source, const WantEntry& want, const TakeEntry& take,
                 std::vector<std::string>* problems, std::uint64_t* inflated);

// Adds `text` unless `problems` already lists more than a handful of the
// same kind (`kind`, counted in *count); the rest are summed up at the end
// by FinishCounted.
void AddCounted(std::vector<std::string>* problems, const std::string& text, int* count);
void FinishCounted(std::vector<std::string>* problems, const std::string& kind, int count);

// The part of a file name before its last ".", and the part after it in
// lower case ASCII (without the dot).
std::string Stem(const std::string& name);
std::string Extension(const std::string& name);

}  // namespace check
