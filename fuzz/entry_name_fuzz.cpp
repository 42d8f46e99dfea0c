// Feeds arbitrary paths to ZipEntryName and checks what every entry name
// must satisfy: no backslash, one byte per byte of the part it names, and
// no folder in the name of a file part.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "archive/zip_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int keepPath = data[0] & 1;
  const std::string_view path(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string name = ZipEntryName(path, keepPath);

  if (name.find('\\') != std::string::npos) __builtin_trap();
  if (keepPath != 0) {
    if (name.size() != path.size()) __builtin_trap();
    return 0;
  }
  // The file part: after the last separator (or a leading quote), up to a quote.
  std::size_t start = path.find_last_of("\\/");
  start = start == std::string_view::npos ? (path.starts_with('"') ? 1 : 0) : start + 1;
  std::string_view part = path.substr(start);
  part = part.substr(0, part.find('"'));
  if (name.size() != part.size()) __builtin_trap();
  // A file part never turns into a folder path through the code page.
  if (name.find('/') != std::string::npos) __builtin_trap();
  return 0;
}
