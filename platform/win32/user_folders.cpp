// Entering a folder, the per-user application data folder, and the system's
// texts (on Windows already the program's own).
#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_internal.h"
// Needs windows.h before it.
#include <shlobj.h>

namespace platform {

std::string ProgramText(std::string_view hostText) { return std::string(hostText); }

bool EnterFolder(std::string_view path) {
  const std::string folder(path);
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
    return false;
  return SetCurrentDirectoryA(folder.c_str()) != 0;
}

std::string UserConfigFolder() {
  // The roaming application data of the user ("...\AppData\Roaming").
  char base[MAX_PATH] = {};
  if (SHGetFolderPathA(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                       base) != S_OK) {
    return std::string();
  }
  std::string folder = base;
  if (folder.empty()) return std::string();
  if (folder.back() != '\\') folder += '\\';
  folder += "lapbundle";
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    return std::string();
  }
  return folder + '\\';
}

}  // namespace platform
