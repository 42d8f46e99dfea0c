// Private to the checker: reading the entries of one archive.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "check/check.h"
#include "imaging/bmp_decoder.h"

namespace check {

// One entry as its directory record gives it.
struct EntryRecord {
  std::string name;  // as stored (OEM code page bytes)
  std::uint64_t size = 0;
  std::uint64_t compressedSize = 0;
  std::uint32_t crc = 0;
  int method = 0;
  bool encrypted = false;
  // The last-write time as stored: MS-DOS time and date, local to the
  // machine that packed it.
  std::uint16_t dosTime = 0, dosDate = 0;
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
  // True when the path names a pipe, a device or a folder (it is not opened).
  bool notRegular() const { return notRegular_; }
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
  bool notRegular_ = false;
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

// Problems for records the directory does not account for: another end
// record or directory record in the comment (from `commentStart` to the
// end), and a local header in the bytes before `directoryStart` that no
// span [start, end) of an entry covers.
void CheckStrayRecords(ArchiveBytes* bytes,
                       std::vector<std::pair<std::uint64_t, std::uint64_t>> spans,
                       std::uint64_t directoryStart, std::uint64_t commentStart,
                       std::vector<std::string>* problems);

// The entry's name quoted for a problem text.
std::string Shown(const std::string& oemName);

// Decides per entry whether its bytes are wanted in memory, and how many of
// them: *keep starts at the stored size and may be lowered (the rest is
// still inflated and checked, not kept).
using WantEntry = std::function<bool(const EntryRecord& entry, std::uint64_t* keep)>;
// Receives each entry whose bytes were wanted and read intact (the first
// *keep of them). The bytes are the caller's until the next entry is read.
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

// A proof's columns in the CSV file, by name, in order (UTF-8; an empty
// text where nothing is known). The JSON file uses the same names.
std::vector<std::pair<std::string, std::string>> ReportColumns(const ProofReport& report);

// SipHash-2-4 with a 128-bit result over bytes added piece by piece, keyed
// with one random key per run unless a key is given.
class SipHash {
 public:
  using Key = std::array<std::uint64_t, 2>;
  SipHash();
  explicit SipHash(const Key& key);
  void Add(const void* data, std::size_t size);
  std::array<std::uint8_t, 16> Finish();
  Digest Fingerprint();  // Finish() as a Digest

 private:
  void Rounds(int count);
  void Compress(std::uint64_t word);
  std::uint64_t v_[4];
  std::uint8_t buffer_[8] = {};
  std::size_t used_ = 0;
  std::uint64_t length_ = 0;
};

// The fingerprints of a screenshot, taken from its rows while it is decoded
// (hand Rows() to SummarisePicture):
// - its pixels, whatever the file;
// - a strip of it as the tool's JPEG would hold it: of 16 rows in the
//   middle, starting at a multiple of 16, the 8 in the middle of those
//   decoded. A JPEG's rows there depend on those 16 rows alone, so a BMP's
//   strip, encoded on its own as the tool encodes, decodes to the same 8
//   rows as the tool's JPEG of the whole BMP does. Not known for pictures
//   under 32 rows or over 16,384 columns.
class PictureFingerprints {
 public:
  explicit PictureFingerprints(bool bmp) : bmp_(bmp) {}
  PixelRows Rows();
  Digest Pixels() { return pixels_.Fingerprint(); }
  Digest Strip();  // after the rows are all seen

 private:
  void Row(const std::uint8_t* bgr, int y, int width, int height);
  bool bmp_;
  SipHash pixels_, strip_;
  int width_ = 0, top_ = -1;
  std::string rows24_;  // a BMP's strip as the encoder takes it
};

// The bytes of the first entry whose name, as Windows-1252, is `name`, read
// whole and checked (size and CRC-32) without inflating any other entry.
// False when the archive, or that entry, cannot be read intact.
bool ReadEntry(const ArchiveSource& source, const std::string& name, std::string* bytes);

// The text with ASCII letters in lower case (as Windows compares names).
std::string AsciiLower(std::string text);

// The part of a file name before its last ".", and the part after it in
// lower case ASCII (without the dot).
std::string Stem(const std::string& name);
std::string Extension(const std::string& name);

}  // namespace check
