// Entry names: what a path is called inside the archive.
#include <algorithm>

#include "archive/zip_writer.h"
#include "platform/platform.h"

std::string ZipEntryName(std::string_view path, int keepPath) {
  std::string_view part = path;
  if (keepPath == 0) {
    std::size_t start = path.find_last_of("\\/");
    if (start != std::string_view::npos) {
      start += 1;
    } else {
      // A bare file name may come quoted, as a command line would hand it over.
      start = (!path.empty() && path.front() == '"') ? 1 : 0;
    }
    part = path.substr(start);
    part = part.substr(0, part.find('"'));
  }
  // Archive readers expect names in the OEM code page, with "/" between folders.
  std::string name = platform::AnsiToOem(part);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}
