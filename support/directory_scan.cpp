// Directory scans: numbered enumerations of one folder with a wildcard
// pattern, over the platform's folder search.
#include <string>
#include <string_view>
#include <utility>

#include "support/numbered_table.h"
#include "support/support.h"

namespace {

// Longest folder text used to build a search path.
constexpr std::size_t kMaxFolderLength = 260;

struct Scan {
  Scan() = default;
  Scan(const Scan&) = delete;
  Scan& operator=(const Scan&) = delete;
  ~Scan() {
    if (search != nullptr) platform::EndSearch(search);
  }

  // The open search; nullptr when nothing matched or the entries ran out.
  platform::Search* search = nullptr;
  // Whether next() was called since start.
  bool started = false;
  // The entry last delivered (the first match right after start).
  platform::FoundEntry current;
};

NumberedTable<Scan, 16>& scans() {
  static NumberedTable<Scan, 16> table;
  return table;
}

std::string SearchPath(std::string_view folder, std::string_view pattern) {
  std::string path(folder.substr(0, kMaxFolderLength));
  if (!path.empty() && path.back() != '\\') path += '\\';
  path += pattern.empty() ? std::string_view("*.*") : pattern;
  return path;
}

}  // namespace

namespace DirectoryScan {

int start(int n, std::string_view folder, std::string_view pattern) {
  finish(n);
  Scan* scan = scans().allocate(n);
  if (scan == nullptr) return 0;
  const std::string path = SearchPath(folder, pattern);
  switch (platform::StartSearch(path, &scan->search, &scan->current)) {
    case platform::SearchStart::kFound:
      return 1;
    case platform::SearchStart::kNoMatch:
      scan->search = nullptr;
      scan->current = platform::FoundEntry();
      return 1;
    case platform::SearchStart::kFailed:
      break;
  }
  scan->search = nullptr;  // a failed start leaves nothing to end
  scans().release(n);
  return 0;
}

int next(int n) {
  Scan* scan = scans().get(n);
  if (scan == nullptr) return 0;
  if (!scan->started) {
    // The first match was fetched by start already.
    scan->started = true;
    return scan->search != nullptr ? 1 : 0;
  }
  if (scan->search == nullptr) return 0;
  platform::FoundEntry entry;
  if (platform::ContinueSearch(scan->search, &entry)) {
    scan->current = std::move(entry);
    return 1;
  }
  // The end, or an error that ends the enumeration like its end; the last
  // delivered entry stays current.
  platform::EndSearch(scan->search);
  scan->search = nullptr;
  return 0;
}

std::string entryName(int n) {
  const Scan* scan = scans().get(n);
  return scan != nullptr ? scan->current.name : std::string();
}

int entryType(int n) {
  const Scan* scan = scans().get(n);
  if (scan == nullptr) return 0;
  const std::uint32_t attributes = scan->current.attributes;
  if ((attributes & platform::kAttrDirectory) != 0) return 2;
  return (attributes & platform::kAttrDevice) != 0 ? 3 : 1;
}

DateValue entryDate(int n, int which) {
  const Scan* scan = scans().get(n);
  if (scan == nullptr) return 0;
  const platform::FoundEntry& e = scan->current;
  const platform::FileTime time = which == 2 ? e.written : which == 1 ? e.accessed : e.created;
  return FileTimeToDate(time);
}

void finish(int n) { scans().release(n); }

}  // namespace DirectoryScan
