// What a make-zip run may and may not leave behind: a snapshot of the game's
// source folders (bytes, modification time to the nanosecond, permission
// bits) to compare before and after, and a check of the zip folder.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "tests/core_app/app_fixture.h"

// Every file below Saves, Screens and Tracks of a game folder, by relative path.
struct FileState {
  std::string bytes;
  long long mtimeNs = 0;
  unsigned mode = 0;
  bool operator==(const FileState&) const = default;
};
using Snapshot = std::map<std::string, FileState>;

Snapshot TakeSourceSnapshot(const std::string& gameFolder);
// The relative paths that were added, removed or changed, one a line; empty
// when nothing changed.
std::string SourceChanges(const Snapshot& before, const Snapshot& after);

// Entries an archive holds, by name.
std::vector<std::string> EntryNames(const std::vector<ZipEntry>& entries);
