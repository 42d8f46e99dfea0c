// Folder searches: the entries of one folder whose Windows-1252 names match
// a wildcard pattern, in the order the directory listing returns them.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

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
    struct stat own;
    out->link = fstatat(dirfd(search->dir), entry->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISLNK(own.st_mode);
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

SearchStart Start(const std::string& host, std::string_view pattern, Search** search,
                  FoundEntry* first) {
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
  return Start(host, pattern, search, first);
}

std::string SystemPathOf(std::string_view path) { return HostPath(path); }

std::string SystemPathIn(std::string_view systemFolder, std::string_view systemName) {
  std::string path(systemFolder);
  if (path.empty() || path.back() != '/') path += '/';
  return path.append(systemName);
}

SearchStart StartFolderSearch(std::string_view systemFolder, Search** search, FoundEntry* first) {
  *search = nullptr;
  return Start(std::string(systemFolder), "*", search, first);
}

bool SystemFileIdentity(std::string_view systemPath, std::string* out) {
  struct stat st;
  if (stat(std::string(systemPath).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *out = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
  return true;
}

std::FILE* OpenFoundFile(std::string_view systemPath, bool* notRegular) {
  *notRegular = false;
  // Without blocking, so that a pipe never waits for a writer.
  const int fd = open(std::string(systemPath).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  const bool known = fstat(fd, &st) == 0;
  if (!known || !S_ISREG(st.st_mode)) {
    *notRegular = known;
    close(fd);
    return nullptr;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* file = fdopen(fd, "rb");
  if (file == nullptr) close(fd);
  return file;
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
