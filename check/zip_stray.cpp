// Records that the checked directory does not account for: another
// directory or end record in the archive's comment, which readers that take
// the last end record they meet would follow, and local headers in bytes no
// entry covers, which streaming readers unpack as entries of their own.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "check/check_internal.h"

namespace check {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

// True when the bytes from `from` up to `to` hold "PK" followed by one of
// the two bytes pairs `kinds` lists (2 bytes each). Reads in chunks that
// overlap by three bytes, so a signature across two chunks is seen.
bool Holds(ArchiveBytes* bytes, std::uint64_t from, std::uint64_t to, const char* kinds,
           std::size_t kindCount) {
  if (to <= from || to - from < 4) return false;
  // Only as large as the bytes to scan: an archive may hold many small gaps.
  std::vector<unsigned char> buffer(
      static_cast<std::size_t>(std::min<std::uint64_t>(to - from, kChunk)));
  while (to > from && to - from >= 4) {
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(to - from, kChunk));
    if (!bytes->Read(from, count, buffer.data())) return false;
    for (std::size_t i = 0; i + 4 <= count; ++i) {
      if (buffer[i] != 'P' || buffer[i + 1] != 'K') continue;
      for (std::size_t k = 0; k < kindCount; ++k) {
        if (buffer[i + 2] == kinds[2 * k] && buffer[i + 3] == kinds[2 * k + 1]) return true;
      }
    }
    if (count == to - from) break;
    from += count - 3;
  }
  return false;
}

}  // namespace

void CheckStrayRecords(ArchiveBytes* bytes,
                       std::vector<std::pair<std::uint64_t, std::uint64_t>> spans,
                       std::uint64_t directoryStart, std::uint64_t commentStart,
                       std::vector<std::string>* problems) {
  static const char kDirectoryKinds[] = {5, 6, 1, 2};
  if (Holds(bytes, commentStart, bytes->size(), kDirectoryKinds, 2)) {
    problems->push_back("the archive's comment holds another directory");
  }
  // The bytes between the entries, before the first and before the
  // directory: a stub before the first entry is allowed, a local header
  // anywhere there is not.
  static const char kLocalKind[] = {3, 4};
  std::sort(spans.begin(), spans.end());
  bool stray = false;
  std::uint64_t at = 0;
  for (const auto& [start, end] : spans) {
    if (!stray && start > at) {
      stray = Holds(bytes, at, std::min(start, directoryStart), kLocalKind, 1);
    }
    at = std::max(at, end);
  }
  if (!stray && at < directoryStart) stray = Holds(bytes, at, directoryStart, kLocalKind, 1);
  if (stray)
    problems->push_back("the archive holds a local header that its directory does not list");
}

}  // namespace check
