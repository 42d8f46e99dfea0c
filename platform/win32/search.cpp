// Folder searches over FindFirstFileA: the system matches the pattern
// itself, case-insensitively, in the order the file system lists entries.
#include "platform/platform.h"
#include "platform/win32/win32_internal.h"

namespace platform {

struct Search {
  HANDLE handle;
};

namespace {

void Describe(const WIN32_FIND_DATAA& data, FoundEntry* out) {
  out->name = data.cFileName;
  out->attributes = ProgramAttributes(data.dwFileAttributes);
  out->created = FromFileTime(data.ftCreationTime);
  out->accessed = FromFileTime(data.ftLastAccessTime);
  out->written = FromFileTime(data.ftLastWriteTime);
}

}  // namespace

SearchStart StartSearch(std::string_view searchPath, Search** search, FoundEntry* first) {
  *search = nullptr;
  WIN32_FIND_DATAA data;
  HANDLE handle = FindFirstFileA(HostPath(searchPath).c_str(), &data);
  if (handle == INVALID_HANDLE_VALUE) {
    // The folder exists but holds no match; any other error (a missing
    // folder, no access) is a failed search.
    return GetLastError() == ERROR_FILE_NOT_FOUND ? SearchStart::kNoMatch : SearchStart::kFailed;
  }
  Describe(data, first);
  *search = new Search{handle};
  return SearchStart::kFound;
}

bool ContinueSearch(Search* search, FoundEntry* entry) {
  WIN32_FIND_DATAA data;
  if (search == nullptr || !FindNextFileA(search->handle, &data)) return false;
  Describe(data, entry);
  return true;
}

void EndSearch(Search* search) {
  if (search == nullptr) return;
  FindClose(search->handle);
  delete search;
}

}  // namespace platform
