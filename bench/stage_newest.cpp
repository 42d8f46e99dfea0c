// newest FOLDER PATTERN: the newest-file choice on one folder, as the
// program makes it at start-up: scan, stamp each file with its local
// modification minute, sort descending by stamp, print the first name.
#include <cstdio>
#include <string>

#include "bench/stages.h"
#include "support/support.h"

namespace {

struct NewestEntry {
  std::string name;
  std::string stamp;
};

int RunNewest(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lapbundle-bench newest FOLDER PATTERN\n");
    return 2;
  }
  const std::string folder = ProgramPath(argv[0]);
  const std::string pattern = platform::Utf8ToCp1252(argv[1]);
  SortedList<NewestEntry> list;
  constexpr int kScan = 1;
  if (DirectoryScan::start(kScan, folder, pattern) == 0) {
    std::fprintf(stderr, "cannot scan %s\n", argv[0]);
    return 1;
  }
  while (DirectoryScan::next(kScan) != 0) {
    if (DirectoryScan::entryType(kScan) != 1) continue;
    NewestEntry* entry = list.add();
    entry->name = DirectoryScan::entryName(kScan);
    entry->stamp = DateToText("%yyyy.%mm.%dd %hh:%ii", DirectoryScan::entryDate(kScan, 2));
  }
  DirectoryScan::finish(kScan);
  list.sortByField(SortDescending | SortIgnoreCase, &NewestEntry::stamp, SortFieldText);
  list.reset();
  if (const NewestEntry* newest = list.next()) {
    std::printf("%s\n", platform::Cp1252ToUtf8(newest->name).c_str());
  }
  return 0;
}

BenchStage stage("newest", "FOLDER PATTERN", RunNewest);

}  // namespace
