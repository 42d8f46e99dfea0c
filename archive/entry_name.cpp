// Entry names: what a path is called inside the archive, and whether a name
// stands for an entry's name.
#include <algorithm>
#include <cstring>

#include "archive/zip_writer.h"
#include "platform/platform.h"

namespace {

// The characters Windows refuses in a file name: the controls and these.
bool RefusedInFileNames(char c) {
  return static_cast<unsigned char>(c) < 0x20 || std::strchr("<>:\"/\\|?*", c) != nullptr;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

char EntryNameChar(char ansi) {
  const char oem = platform::AnsiToOem(std::string_view(&ansi, 1))[0];
  return RefusedInFileNames(oem) ? '_' : oem;
}

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
    // A file name that Windows can create when the archive is unpacked.
    std::string name;
    for (const char c : part) name += EntryNameChar(c);
    return name;
  }
  // Archive readers expect names in the OEM code page, with "/" between folders.
  std::string name = platform::AnsiToOem(part);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

bool SameEntryName(std::string_view name, std::string_view entryName, bool foldCase) {
  if (name.size() != entryName.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char a = name[i];
    const char b = entryName[i];
    if (a == b || a == '?' || a == '_' || b == '?' || b == '_') continue;
    // The same entry form: a character the OEM code page lacks was packed in
    // its closest ASCII form, and one Windows refuses as "_".
    const char packedA = EntryNameChar(a);
    const char packedB = EntryNameChar(b);
    if (packedA == packedB || (foldCase && FoldAscii(packedA) == FoldAscii(packedB))) continue;
    return false;
  }
  return true;
}
