// Helpers shared by the POSIX backend's units.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// A host text (UTF-8, slashes) as program text (Windows-1252, backslashes);
// a character Windows-1252 cannot hold, or a malformed sequence, becomes "?".
std::string ProgramText(std::string_view hostText);
// A program text as host text, without any lookup. HostText(ProgramText(x))
// gives x back exactly when x has a program form.
std::string HostText(std::string_view programText);

bool EqualFolded(std::string_view a, std::string_view b);
// Matches a Windows-1252 name against a pattern with "*" and "?",
// case-insensitively. "*.*" matches every name.
bool WildcardMatch(std::string_view pattern, std::string_view name);

// The attribute word of a file's status: 0x20 for a regular file, 0x10 for
// a folder, 0x40 for anything else, plus 0x01 when the owner may not write it.
std::uint32_t AttributesOf(const struct stat& st);

struct File;
// The current position of an open file; -1 on failure.
std::int64_t TellFile(File* file);

}  // namespace platform
