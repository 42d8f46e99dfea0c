// Folder searches over FindFirstFileW: the system matches the pattern
// itself, case-insensitively, in the order the file system lists entries.
// Names come back as program text without best-fit substitutions, so a
// name the ANSI code page cannot hold holds "?" and opens nothing.
#include "platform/platform.h"
#include "platform/win32/win32_internal.h"

namespace platform {

struct Search {
  HANDLE handle;
};

namespace {

void Describe(const WIN32_FIND_DATAW& data, FoundEntry* out) {
  out->name = AnsiText(data.cFileName);
  out->systemName = Utf8Text(data.cFileName);
  out->attributes = ProgramAttributes(data.dwFileAttributes);
  out->created = FromFileTime(data.ftCreationTime);
  out->accessed = FromFileTime(data.ftLastAccessTime);
  out->written = FromFileTime(data.ftLastWriteTime);
}

}  // namespace

SearchStart StartSearch(std::string_view searchPath, Search** search, FoundEntry* first) {
  *search = nullptr;
  WIN32_FIND_DATAW data;
  HANDLE handle = FindFirstFileW(WideFromAnsi(HostPath(searchPath)).c_str(), &data);
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
  WIN32_FIND_DATAW data;
  if (search == nullptr || !FindNextFileW(search->handle, &data)) return false;
  Describe(data, entry);
  return true;
}

void EndSearch(Search* search) {
  if (search == nullptr) return;
  FindClose(search->handle);
  delete search;
}

}  // namespace platform
