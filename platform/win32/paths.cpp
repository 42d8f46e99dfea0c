// Paths on Windows: the program's paths are already the system's (ANSI code
// page, backslashes, case-insensitive), so they pass through unchanged.
//
// Entry names for archives keep the fixed Windows-1252 to CP850 table of
// platform/text.cpp rather than CharToOemA: CharToOemA follows the OEM code
// page of the machine's locale (437 in the US, 850 in western Europe), so
// the same file would get different name bytes on different machines.
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_internal.h"

namespace platform {

std::string HostPath(std::string_view path) { return std::string(path); }

std::string CurrentFolder() {
  // The length may change between the two calls when another thread moves
  // the current directory; try again until the buffer is large enough.
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) return std::string();
    std::vector<char> buffer(needed + 1);
    DWORD length = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return std::string();
    if (length >= buffer.size()) continue;
    std::string folder(buffer.data(), length);
    // "C:\" already ends in a backslash; "C:\game" does not.
    if (folder.back() != '\\') folder += '\\';
    return folder;
  }
  return std::string();
}

}  // namespace platform
