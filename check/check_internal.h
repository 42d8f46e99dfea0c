// Private to the checker: reading the entries of one archive.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

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
};

// Decides per entry whether its bytes are wanted in memory.
using WantEntry = std::function<bool(const EntryRecord& entry)>;
// Receives each entry whose bytes were wanted and read intact. The bytes
// are the caller's until the next entry is read.
using TakeEntry = std::function<void(const EntryRecord& entry, std::string& bytes)>;

// Walks every entry of the archive in directory order: checks its record
// (encryption, a plain name, duplicates, the size cap), inflates it in
// chunks (checking its size and CRC-32) and hands wanted ones to `take`.
// Problems go to `problems`. False when the archive cannot be opened or its
// directory cannot be walked (a problem says so).
bool ReadEntries(const ArchiveSource& source, const WantEntry& want, const TakeEntry& take,
                 std::vector<std::string>* problems);

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
