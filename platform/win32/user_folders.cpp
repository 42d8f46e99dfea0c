// System paths on Windows: the arguments, entering a folder, and the
// program's own files in the per-user application data. All of them go
// through the system's UTF-16 calls, never through the ANSI code page.
#include <string>

#include "platform/fault_table.h"
#include "platform/platform.h"
#include "platform/win32/win32_internal.h"
// Needs windows.h before it.
#include <shellapi.h>
#include <shlobj.h>

namespace platform {
namespace {

// The roaming application data of the user ("...\AppData\Roaming") with
// "lapbundle" below it, created when asked; empty when there is none.
std::wstring ConfigFolder(bool create) {
  wchar_t base[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                       base) != S_OK) {
    return std::wstring();
  }
  std::wstring folder = base;
  if (folder.empty()) return std::wstring();
  if (folder.back() != L'\\') folder += L'\\';
  folder += L"lapbundle";
  if (create && !CreateDirectoryW(folder.c_str(), nullptr) &&
      GetLastError() != ERROR_ALREADY_EXISTS) {
    return std::wstring();
  }
  return folder;
}

}  // namespace

std::vector<std::string> SystemArguments(int argc, char** argv) {
  std::vector<std::string> args;
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {
    // Only the ANSI arguments are left.
    for (int i = 1; i < argc; ++i) args.push_back(Utf8Text(WideFromAnsi(argv[i])));
    return args;
  }
  for (int i = 1; i < count; ++i) args.push_back(Utf8Text(wide[i]));
  LocalFree(wide);
  return args;
}

FolderEntry EnterFolder(std::string_view systemPath) {
  const std::wstring folder = WideText(systemPath);
  if (folder.empty()) return FolderEntry::kMissing;
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return FolderEntry::kMissing;
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return FolderEntry::kNotFolder;
  std::wstring pattern = folder;
  if (pattern.back() != L'\\' && pattern.back() != L'/') pattern += L'\\';
  pattern += L'*';
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(pattern.c_str(), &data);
  if (search != INVALID_HANDLE_VALUE) {
    FindClose(search);
  } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
    return FolderEntry::kUnreadable;
  }
  return SetCurrentDirectoryW(folder.c_str()) ? FolderEntry::kEntered : FolderEntry::kUnreadable;
}

bool ReadUserFile(std::string_view name, std::size_t limit, std::string* contents) {
  const std::wstring folder = ConfigFolder(false);
  if (folder.empty() || CallFails(Op::kOpen)) return false;
  const std::wstring path = folder + L'\\' + WideText(name);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string bytes(limit, '\0');
  std::size_t done = 0;
  bool ok = !CallFails(Op::kRead);
  while (ok && done < limit) {
    DWORD got = 0;
    if (!::ReadFile(file, bytes.data() + done, static_cast<DWORD>(limit - done), &got, nullptr)) {
      ok = false;
    }
    if (got == 0) break;
    done += got;
  }
  CloseHandle(file);
  if (!ok) return false;
  bytes.resize(done);
  *contents = std::move(bytes);
  return true;
}

bool ReplaceUserFile(std::string_view name, std::string_view contents) {
  const std::wstring folder = ConfigFolder(true);
  if (folder.empty()) return false;
  const std::wstring target = folder + L'\\' + WideText(name);
  const std::wstring scratch = target + L".new";
  if (CallFails(Op::kOpen)) return false;
  HANDLE file = CreateFileW(scratch.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD put = 0;
  const bool written =
      !CallFails(Op::kWrite) &&
      ::WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &put, nullptr) &&
      put == contents.size();
  // The new contents reach the disk before the name does, and the
  // written-through move before success is reported (the second kFlush).
  const bool flushed = written && !CallFails(Op::kFlush) && FlushFileBuffers(file);
  const bool closeFails = CallFails(Op::kClose);
  const bool closed = CloseHandle(file) && !closeFails;
  if (flushed && closed && !CallFails(Op::kRename) &&
      MoveFileExW(scratch.c_str(), target.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return !CallFails(Op::kFlush);
  }
  DeleteFileW(scratch.c_str());
  return false;
}

}  // namespace platform
