// The zip writer: one open archive at a time, written through minizip and
// zlib (deflate, level 9). Entries are named by the file part of their path
// in the OEM code page. Results: 0 for success, a negative status otherwise.
//
// Every entry carries the file's local last-write time (MS-DOS precision:
// seconds rounded down to even; times before 1980 are stored as 1980-01-01
// 00:00:00) and the file's attribute word as its external attributes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Forgets any open archive (without finishing it); method 8 from now on.
void InitZipWriter();

// Finishes an archive that is still open (its outcome is not reported),
// then creates `path` (mode 0 replaces an existing file; other modes are
// minizip's append modes). The handle, non-zero, when the archive is open;
// 0 when it cannot be created (missing folder, a folder, no access).
std::intptr_t CreateArchive(std::string_view path, int mode);

// Like CreateArchive with mode 0, but only when no file (nor link) has the
// name: the file is made exclusively and held against other writers while
// it is written. 0 when the name is taken or the file cannot be made.
std::intptr_t CreateNewArchive(std::string_view path);

// Streams one file into a new entry in chunks of 102,400 bytes, pausing
// 10 ms after each. Results:
//   0                    every chunk was written;
//   -1                   no archive is open, or the file cannot be opened to
//                        read its time (missing, a folder, no access): nothing
//                        is written;
//   -1                   the file is empty: an entry of 0 bytes is added;
//   -1                   the file could not be read once its entry began, or
//                        its name is unusable (empty, over 65,535 bytes);
//   the library's status the entry could not begin, or the last chunk's write
//                        failed.
int AddFileToArchive(std::string_view path, int keepPath);

// Finishes and closes the open archive, then reads it back (VerifyArchive)
// against the entries as their bytes were read while packing. 0 when it is
// complete and intact on disk, or when none was open (no file is touched
// then). Negative when, since CreateArchive, an entry could not begin or was
// left short of its file (a read, a chunk write or the entry's close
// failed), a file that exists had an unusable name, the archive's own close
// failed, or the read-back found it different, or a file added with
// AddKnownFileToArchive was gone or did not hold what was expected: the file
// is then incomplete and must not be reported as written. Other files that
// were missing before their entry began do not count.
int CloseArchive();

// What an entry must hold: its stored name, and the size and CRC-32 of the
// bytes packed into it.
struct ZipEntryCheck {
  std::string name;
  std::uint64_t size = 0;
  std::uint32_t crc = 0;
};

// Reads a whole file for its entry name (keepPath 0), size and CRC-32,
// whatever others do with it meanwhile (as a copy reads its source). 0 on
// success; -1 when it cannot be opened or read (`out` is then undefined).
int FileEntryCheck(std::string_view path, ZipEntryCheck* out);

// Adds a file whose bytes are known, such as a copy made for packing: like
// AddFileToArchive with keepPath 0, but unless the new entry holds exactly
// `expected` (name, size and CRC-32), the archive counts as incomplete and
// CloseArchive fails; a file that has gone counts too.
int AddKnownFileToArchive(std::string_view path, const ZipEntryCheck& expected);

// The entries begun in the open archive, in order: each one's name and the
// size and CRC-32 of the bytes read into it. Empty when no archive is open.
const std::vector<ZipEntryCheck>& ArchiveEntries();

// Reads the archive at `path` with minizip's reader and inflates every
// entry. 0 when it holds exactly the expected entries, in order, each with
// its name, size and CRC-32 (the directory's and that of the bytes actually
// inflated); negative otherwise, or when it cannot be opened or read.
int VerifyArchive(std::string_view path, const std::vector<ZipEntryCheck>& expected);

// The entry name for a path: with keepPath 0 the text after the last "\" or
// "/" (or after a leading double quote), up to a double quote, each
// character as EntryNameChar gives it; with any other value the whole path,
// converted to the OEM code page, "\" to "/".
std::string ZipEntryName(std::string_view path, int keepPath);

// One Windows-1252 character of a file name as an entry name holds it: its
// OEM code page 850 form, or "_" where Windows refuses that form in a file
// name (< > : " / \ | ? * and the control characters), so that the entry
// can be unpacked under the name it has.
char EntryNameChar(char ansi);

// Whether `name` (Windows-1252) stands for `entryName` (an entry's name read
// back into Windows-1252) of the same length: at each place the same
// character, the same entry form (EntryNameChar), or a stand-in on either
// side ("?" for a character a code page could not hold, "_" for one Windows
// refuses). With foldCase, A-Z in the entry forms also match a-z.
bool SameEntryName(std::string_view name, std::string_view entryName, bool foldCase);
