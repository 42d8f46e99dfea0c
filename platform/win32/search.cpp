// Folder searches over FindFirstFileW: the system matches the pattern
// itself, case-insensitively, in the order the file system lists entries.
// Names come back as program text without best-fit substitutions, so a
// name the ANSI code page cannot hold holds "?" and opens nothing, and as
// the system's own name in UTF-8, by which the wide calls below search and
// open such entries too.
#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <string>

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
  out->link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  out->attributes = ProgramAttributes(data.dwFileAttributes);
  out->created = FromFileTime(data.ftCreationTime);
  out->accessed = FromFileTime(data.ftLastAccessTime);
  out->written = FromFileTime(data.ftLastWriteTime);
}

SearchStart Start(const std::wstring& searchPath, Search** search, FoundEntry* first) {
  *search = nullptr;
  WIN32_FIND_DATAW data;
  HANDLE handle = FindFirstFileW(searchPath.c_str(), &data);
  if (handle == INVALID_HANDLE_VALUE) {
    // The folder exists but holds no match; any other error (a missing
    // folder, no access) is a failed search.
    return GetLastError() == ERROR_FILE_NOT_FOUND ? SearchStart::kNoMatch : SearchStart::kFailed;
  }
  Describe(data, first);
  *search = new Search{handle};
  return SearchStart::kFound;
}

// Opens a system path for its information only (no access asked for,
// whoever holds it), never a device or pipe name, which would connect.
HANDLE OpenForInformation(std::string_view systemPath) {
  const std::wstring wide = WideText(systemPath);
  if (wide.empty() || wide.rfind(L"\\\\.\\", 0) == 0 || wide.rfind(L"\\\\?\\", 0) == 0) {
    return INVALID_HANDLE_VALUE;
  }
  return CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

SearchStart StartSearch(std::string_view searchPath, Search** search, FoundEntry* first) {
  return Start(WideFromAnsi(HostPath(searchPath)), search, first);
}

std::string SystemPathOf(std::string_view path) { return Utf8Text(WideFromAnsi(HostPath(path))); }

std::string SystemPathIn(std::string_view systemFolder, std::string_view systemName) {
  std::string path(systemFolder);
  if (path.empty() || (path.back() != '\\' && path.back() != '/')) path += '\\';
  return path.append(systemName);
}

SearchStart StartFolderSearch(std::string_view systemFolder, Search** search, FoundEntry* first) {
  const std::wstring wide = WideText(SystemPathIn(systemFolder, "*"));
  if (wide.empty()) {
    *search = nullptr;
    return SearchStart::kFailed;
  }
  return Start(wide, search, first);
}

bool SystemFileIdentity(std::string_view systemPath, std::string* out) {
  HANDLE handle = OpenForInformation(systemPath);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = GetFileType(handle) == FILE_TYPE_DISK &&
                     GetFileInformationByHandle(handle, &info) != 0 &&
                     (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  CloseHandle(handle);
  if (!known) return false;
  const std::uint64_t index =
      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  *out = std::to_string(info.dwVolumeSerialNumber) + ":" + std::to_string(index);
  return true;
}

std::FILE* OpenFoundFile(std::string_view systemPath, bool* notRegular) {
  *notRegular = false;
  const std::wstring wide = WideText(systemPath);
  if (wide.empty()) return nullptr;
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return nullptr;
  HANDLE handle = INVALID_HANDLE_VALUE;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && wide.rfind(L"\\\\.\\", 0) != 0) {
    handle = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_DISK) {
    CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
    *notRegular = true;
  }
  if (handle == INVALID_HANDLE_VALUE) {
    *notRegular = *notRegular || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd == -1) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "rb");
  if (file == nullptr) _close(fd);
  return file;
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
