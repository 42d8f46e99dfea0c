// Folder searches: the entries of one folder whose Windows-1252 names match
// a wildcard pattern, in the order the directory listing returns them.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"

namespace platform {

struct Search {
  DIR* dir;
  std::string pattern;
};

namespace {

// Reads entries until one matches and can be described; false at the end.
bool NextMatch(Search* search, FoundEntry* out) {
  while (struct dirent* entry = readdir(search->dir)) {
    std::string name = Utf8ToCp1252(entry->d_name);
    if (!WildcardMatch(search->pattern, name)) continue;
    struct stat st;
    if (fstatat(dirfd(search->dir), entry->d_name, &st, 0) != 0) continue;  // vanished
    out->name = std::move(name);
    out->systemName = entry->d_name;
    out->attributes = AttributesOf(st);
    out->created = st.st_ctim.tv_sec;
    out->accessed = st.st_atim.tv_sec;
    out->written = st.st_mtim.tv_sec;
    return true;
  }
  return false;
}

}  // namespace

SearchStart StartSearch(std::string_view searchPath, Search** search, FoundEntry* first) {
  *search = nullptr;
  std::size_t cut = searchPath.find_last_of("\\/");
  std::string_view pattern = searchPath;
  std::string host = ".";
  if (cut != std::string_view::npos) {
    std::string_view folder = searchPath.substr(0, cut);
    // An empty folder part is the root: the pattern sits directly below it.
    host = HostPath(folder.empty() ? std::string_view("\\") : folder);
    pattern = searchPath.substr(cut + 1);
  }
  DIR* dir = opendir(host.c_str());
  if (dir == nullptr) return SearchStart::kFailed;
  auto* s = new Search{dir, std::string(pattern)};
  if (!NextMatch(s, first)) {
    EndSearch(s);
    return SearchStart::kNoMatch;
  }
  *search = s;
  return SearchStart::kFound;
}

bool ContinueSearch(Search* search, FoundEntry* entry) {
  return search != nullptr && NextMatch(search, entry);
}

void EndSearch(Search* search) {
  if (search == nullptr) return;
  closedir(search->dir);
  delete search;
}

}  // namespace platform
