// The zip writer: one open archive at a time, written through minizip and
// zlib (deflate, level 9). Entries are named by the file part of their path
// in the OEM code page. Results: 0 for success, a negative status otherwise.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Forgets any open archive (without finishing it); method 8 from now on.
void InitZipWriter();

// Finishes an archive that is still open, then creates `path` (mode 0
// replaces an existing file). The handle, non-zero, when the archive is open;
// 0 when it cannot be created.
std::intptr_t CreateArchive(std::string_view path, int mode);

// Streams one file into a new entry in chunks of 102,400 bytes, pausing
// 10 ms after each. 0 when every chunk was written; -1 when no archive is
// open, the file cannot be opened, or it is empty (an empty entry is still
// added once the entry began); the library's status when a write failed.
int AddFileToArchive(std::string_view path, int keepPath);

// Finishes and closes the open archive. 0 when it is complete on disk, or
// when none was open; negative when any chunk write, entry close or the
// archive's own close failed since CreateArchive: the file is then
// incomplete and must not be reported as written.
int CloseArchive();

// The entry name for a path: with keepPath 0 the text after the last "\" or
// "/" (or after a leading double quote), up to a double quote; with any
// other value the whole path. Converted to the OEM code page, "\" to "/".
std::string ZipEntryName(std::string_view path, int keepPath);
