// Plain file operations on program paths: make a folder, copy, delete, rename.
#include <string>
#include <string_view>

#include "support/support.h"

int MakeDirectory(std::string_view path) {
  // "zip\" and "zip " name the folder zip; trailing separators and blanks
  // would otherwise make the platform look for an empty last component.
  std::size_t end = path.size();
  while (end > 0 && (path[end - 1] == ' ' || path[end - 1] == '\\' || path[end - 1] == '/')) {
    --end;
  }
  if (end == 0) return 0;
  return platform::MakeFolder(path.substr(0, end)) ? 1 : 0;
}

int CopyFileOver(std::string_view source, std::string_view target) {
  if (source.empty() || target.empty()) return 0;
  return platform::CopyFileKeepTimes(source, target) ? 1 : 0;
}

int RemoveFile(std::string_view path) {
  if (path.empty()) return 0;
  return platform::DeleteFileAt(path) ? 1 : 0;
}

int MoveFileOver(std::string_view source, std::string_view target) {
  if (source.empty() || target.empty()) return 0;
  return platform::ReplaceFileWith(source, target) ? 1 : 0;
}
