// Paths on Windows: the program's paths are the system's ANSI paths
// (backslashes, case-insensitive), except that the current directory is
// reached relative to itself. Its ANSI text is only for showing: a name the
// code page cannot hold reads "?" there and would no longer say which
// folder it was.
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

std::wstring WideText(std::string_view utf8) {
  if (utf8.empty()) return std::wstring();
  const int length = static_cast<int>(utf8.size());
  const int needed =
      MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, nullptr, 0);
  if (needed <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, wide.data(), needed);
  return wide;
}

std::string Utf8Text(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  const int length = static_cast<int>(wide.size());
  const int needed =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::string text(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, text.data(), needed, nullptr, nullptr);
  return text;
}

std::wstring WideFromAnsi(std::string_view ansi) {
  if (ansi.empty()) return std::wstring();
  const int length = static_cast<int>(ansi.size());
  const int needed = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
  if (needed <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, wide.data(), needed);
  return wide;
}

std::string AnsiText(std::wstring_view wide) {
  if (wide.empty()) return std::string();
  // A UTF-8 ANSI code page holds every character and takes no flags.
  const DWORD flags = GetACP() == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const int length = static_cast<int>(wide.size());
  const int needed =
      WideCharToMultiByte(CP_ACP, flags, wide.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return std::string();
  std::string text(static_cast<std::size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, flags, wide.data(), length, text.data(), needed, nullptr, nullptr);
  return text;
}

std::string HostPath(std::string_view path) {
  const std::string here = CurrentFolder();
  if (!here.empty()) {
    const std::string_view folder = std::string_view(here).substr(0, here.size() - 1);
    if (path == here || path == folder) return ".";
    if (path.starts_with(here)) return std::string(path.substr(here.size()));
  }
  return std::string(path);
}

std::string CurrentFolder() {
  // The length may change between the two calls when another thread moves
  // the current directory; try again until the buffer is large enough.
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return std::string();
    std::vector<wchar_t> buffer(needed + 1);
    DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(buffer.size()), buffer.data());
    if (length == 0) return std::string();
    if (length >= buffer.size()) continue;
    std::string folder = AnsiText(std::wstring_view(buffer.data(), length));
    if (folder.empty()) return std::string();
    // "C:\" already ends in a backslash; "C:\game" does not.
    if (folder.back() != '\\') folder += '\\';
    return folder;
  }
  return std::string();
}

}  // namespace platform
