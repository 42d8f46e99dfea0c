#include "tests/hardening/game_snapshot.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

Snapshot TakeSourceSnapshot(const std::string& gameFolder) {
  Snapshot snapshot;
  for (const char* folder : {"Saves", "Screens", "Tracks"}) {
    std::error_code ec;
    const fs::path root = fs::path(gameFolder) / folder;
    for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
      struct stat st;
      if (stat(it->path().c_str(), &st) != 0) continue;
      FileState state;
      state.mtimeNs = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
      state.mode = st.st_mode;
      if (S_ISREG(st.st_mode)) {
        std::ifstream in(it->path(), std::ios::binary);
        state.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      }
      snapshot[fs::relative(it->path(), gameFolder).string()] = state;
    }
  }
  return snapshot;
}

std::string SourceChanges(const Snapshot& before, const Snapshot& after) {
  std::string changes;
  for (const auto& [name, state] : before) {
    const auto found = after.find(name);
    if (found == after.end()) {
      changes += "removed " + name + "\n";
    } else if (!(found->second == state)) {
      changes += "changed " + name + "\n";
    }
  }
  for (const auto& [name, state] : after) {
    if (before.count(name) == 0) changes += "added " + name + "\n";
  }
  return changes;
}

std::vector<std::string> EntryNames(const std::vector<ZipEntry>& entries) {
  std::vector<std::string> names;
  for (const ZipEntry& e : entries) names.push_back(e.name);
  return names;
}
