// The operating-system boundary.
//
// Everything above this layer speaks the conventions of Windows: paths use
// backslashes ("\home\a\game\Saves\Race1.gam"), and every
// text is a byte string in Windows-1252. A backend translates at the system
// call: on POSIX, "\" becomes "/", names become UTF-8, a path component that
// does not exist with its exact case is looked up case-insensitively, and a
// character Windows-1252 cannot hold becomes "?".
//
// Every call that touches the disk or pauses goes through a fault table, so
// tests can make the Nth call of a kind fail and count how often each kind ran.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// ---------------------------------------------------------------------------
// Texts

// Windows-1252 bytes to UTF-8. Never fails; the five bytes Windows-1252 leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value.
std::string Cp1252ToUtf8(std::string_view text);
// UTF-8 to Windows-1252. Characters Windows-1252 cannot hold, and malformed
// sequences, become "?".
std::string Utf8ToCp1252(std::string_view text);
// Windows-1252 to the OEM code page 850, byte for byte (the length stays).
// Characters CP850 lacks take their closest ASCII form, otherwise "?".
std::string AnsiToOem(std::string_view text);
// Folds a Windows-1252 byte for case-insensitive comparison as the system's
// folder lookup does: A-Z and the upper-case letters 0xC0..0xDE (except
// 0xD7, the multiplication sign) become lower case.
unsigned char FoldCase(unsigned char c);

// ---------------------------------------------------------------------------
// Paths

// The current directory as the program's text: backslashes, Windows-1252,
// ending in exactly one backslash ("/" gives "\"). A character the program's
// text cannot hold shows as "?". Empty if it cannot be read.
std::string CurrentFolder();
// The host's path for a program path (for backends and tests that must hand a
// path to a library). A path that begins with CurrentFolder() is taken
// relative to the current directory, so the folder the system entered is
// reached by its real name whatever that name is. Missing components are
// resolved case-insensitively, but never to a name that the program's text
// cannot hold: such a component stays as written and counts as missing.
std::string HostPath(std::string_view path);

// ---------------------------------------------------------------------------
// System paths
//
// The folders the program starts in and its own configuration are system
// texts from end to end: on POSIX the bytes the system gives, on Windows
// UTF-8 (the system's UTF-16, converted without loss). They never pass
// through the program's text, whose code page cannot hold every name.

// The arguments after the program's name, as system texts.
std::vector<std::string> SystemArguments(int argc, char** argv);

enum class FolderEntry { kEntered, kMissing, kNotFolder, kUnreadable };
// Makes the folder at a system path the current one, after checking that it
// exists, is a folder and can be listed. Anything but kEntered leaves the
// current folder unchanged.
FolderEntry EnterFolder(std::string_view systemPath);

// A small file of the program's own in the per-user configuration folder
// (on POSIX the XDG configuration folder, on Windows the per-user
// application data, each with "lapbundle" below it). Reads at most
// `limit` bytes; false when the file or the folder is missing.
bool ReadUserFile(std::string_view name, std::size_t limit, std::string* contents);
// Replaces the file in one step, creating the folder when missing. False on
// failure; an earlier file of that name is then as it was.
bool ReplaceUserFile(std::string_view name, std::string_view contents);

// ---------------------------------------------------------------------------
// File times and attributes

// A file time: whole seconds since 1970-01-01 00:00:00 UTC.
using FileTime = std::int64_t;

// Calendar fields of a local wall-clock time.
struct LocalTime {
  int year, month, day, hour, minute, second;
};

// Shifts a UTC file time to local time by the zone offset in force *now*
// (daylight saving of the present moment, applied to every time alike) and
// splits it. False when the platform cannot convert it.
bool FileTimeToLocal(FileTime utc, LocalTime* out);

// Attribute bits, as Windows defines them.
constexpr std::uint32_t kAttrReadOnly = 0x01;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrArchive = 0x20;
// Neither a regular file nor a folder (a pipe, a device): nothing to read.
constexpr std::uint32_t kAttrDevice = 0x40;
constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// The attribute word of a path (links followed): 0x20 for a regular file,
// 0x10 for a folder, 0x40 for anything else, plus 0x01 when the owner may
// not write it. kInvalidAttributes if missing.
std::uint32_t FileAttributes(std::string_view path);

struct FileInfo {
  std::uint32_t attributes = 0;
  FileTime created = 0;  // the status-change time where no birth time exists
  FileTime accessed = 0;
  FileTime written = 0;
  std::int64_t size = 0;
};
// Fills `out` for an existing path; false (out untouched) otherwise.
bool GetFileInfo(std::string_view path, FileInfo* out);

// A text naming the file a path reaches, the same for every path to it (a
// link, another spelling) and different for another file: its volume and
// file number. False for a path that is missing or not a regular file.
bool FileIdentity(std::string_view path, std::string* out);

// ---------------------------------------------------------------------------
// Files

struct File;  // opaque; owned by the caller until CloseFile

enum class OpenMode {
  // Read an existing file; fails while another process holds it for writing.
  kReadDenyWrite,
  // Read an existing file, whatever others do with it.
  kReadAny,
  // Read and write an existing file; others may only read it meanwhile.
  kReadWriteDenyWrite,
  // Create the file or truncate it to 0 bytes at once; read and write;
  // others may only read it meanwhile.
  kCreateDenyWrite,
  // Open for read and write, creating the file when missing (no truncation).
  kOpenOrCreate,
  // Create or truncate for writing; others may read.
  kCreateWrite,
  // Create a file that does not exist yet (fails when the name is taken);
  // read and write; others may only read it meanwhile.
  kCreateNew,
  // Create a new file under the name, replacing whatever had it: an earlier
  // file or link there loses the name first and is never written into (nor
  // is what a link points to), and the new file is made exclusively. Read
  // and write; others may only read it meanwhile. Fails on a folder, and
  // when the name cannot be taken from what had it.
  kCreateFresh,
};

// How long a rename or delete waits out another program's hold on a file
// (a virus scanner opens each file that was just written) before it fails.
constexpr int kHeldRetryMs = 2000;

// Opens a regular file (never a folder, a pipe or a device; the open itself
// never waits for a pipe's other end). nullptr on failure.
File* OpenFile(std::string_view path, OpenMode mode);
// Reads up to `count` bytes at the current position. Bytes read, 0 at the
// end, -1 on error.
std::int64_t ReadFile(File* file, void* buffer, std::int64_t count);
// Writes all `count` bytes. False when any byte could not be written.
bool WriteFile(File* file, const void* data, std::int64_t count);
// Moves the position to `offset` from the start. False on failure.
bool SeekFile(File* file, std::int64_t offset);
// Cuts or extends the file to `size` bytes. False on failure.
bool TruncateFile(File* file, std::int64_t size);
// Size in bytes, -1 on failure.
std::int64_t FileSize(File* file);
// Closes and frees the file (nullptr is ignored). False when the close
// reported an error (data may not have reached the disk).
bool CloseFile(File* file);

// A C stream over a program path, for libraries that write through stdio
// (the JPEG writer, the zip container). mode is an fopen mode; "w" makes a
// new file as kCreateFresh does (whatever had the name is replaced, never
// written into), and "x" after "w" creates the file only when no file (nor
// link) has that name. Writes
// and the final fclose go through the fault table, so tests can make them
// fail.
std::FILE* OpenStdioFile(std::string_view path, const char* mode);
// Positions of any C stream past 2 GiB: SeekStdio takes fseek's `whence`
// and returns false on failure; TellStdio returns -1 on failure.
bool SeekStdio(std::FILE* stream, std::int64_t offset, int whence);
std::int64_t TellStdio(std::FILE* stream);

// Copies `from` to a new file named `to`, keeping the source's last-write
// time and permission bits, except that the copy is never read-only.
// Whatever had the name `to` (a file, even a read-only one, or a link) is
// replaced as by kCreateFresh, never written into. False on failure (a
// partial target is removed). When both name the same file (also through a
// hard link or in another letter case) it fails and leaves the file
// untouched.
bool CopyFileKeepTimes(std::string_view from, std::string_view to);
// Renames `from` to `to` in one step, replacing a file `to` that exists,
// unless that file is read-only (which Windows refuses to replace). `from`
// is flushed to the disk before the rename and the rename itself before
// the call returns (kFlush calls), so that after a power cut `to` is either
// the earlier file or the whole new one. False on failure; both files are
// then as they were (after a failed flush of the rename, `to` may already
// be the new file). Another program's brief hold on either file (a virus
// scanner's) is waited out for about kHeldRetryMs first.
bool ReplaceFileWith(std::string_view from, std::string_view to);
// Deletes a file (a link itself, never what it points to). False on
// failure. The blocks of a large file that no other name keeps and no one
// else has open are given back in steps, with KeepServing between them. A
// brief hold by another program is waited out as by ReplaceFileWith.
bool DeleteFileAt(std::string_view path);
// Creates one folder (its parent must exist). False if it exists or fails.
bool MakeFolder(std::string_view path);

// ---------------------------------------------------------------------------
// Folder search: "folder\pattern" with "*" and "?" matching case-insensitively.

struct Search;  // opaque; freed by EndSearch

struct FoundEntry {
  std::string name;  // Windows-1252, no folder
  // The name as the system gave it (a system text: its bytes on POSIX,
  // UTF-8 on Windows). Where `name` differs from it in UTF-8, the program's
  // text cannot hold the name, and a path built from `name` reaches no
  // file or another one.
  std::string systemName = {};
  bool link = false;  // the entry itself is a symbolic link (or junction)
  std::uint32_t attributes = 0;
  FileTime created = 0, accessed = 0, written = 0;
};

enum class SearchStart { kFound, kNoMatch, kFailed };

// Starts a search and delivers the first matching entry. With kFound,
// *search is the open search; otherwise *search is nullptr. kNoMatch means
// the folder exists but nothing in it matches.
SearchStart StartSearch(std::string_view searchPath, Search** search, FoundEntry* first);
// Delivers the next matching entry; false at the end or on an error.
bool ContinueSearch(Search* search, FoundEntry* entry);
void EndSearch(Search* search);

// Folder searches by system paths (system texts, as SystemArguments gives
// them), which reach the names the program's text cannot hold.
//
// The system path of a program path (on POSIX the host path).
std::string SystemPathOf(std::string_view path);
// The system path of the entry `systemName` found in the folder at
// `systemFolder`.
std::string SystemPathIn(std::string_view systemFolder, std::string_view systemName);
// Starts a search of every entry of the folder at a system path, as
// StartSearch does for "folder\*".
SearchStart StartFolderSearch(std::string_view systemFolder, Search** search, FoundEntry* first);
// FileIdentity for a system path: the same text as FileIdentity gives for a
// program path to the same file.
bool SystemFileIdentity(std::string_view systemPath, std::string* out);
// Opens the regular file at a system path for reading, as a binary stream
// (closed with fclose). nullptr when it cannot be opened, and when it is no
// regular file: then *notRegular is set (a pipe is never opened, which
// would wait for a writer).
std::FILE* OpenFoundFile(std::string_view systemPath, bool* notRegular);

// ---------------------------------------------------------------------------
// Memory

// A large zero-filled block (full-size images, the file buffer), from the
// system directly and backed by huge pages where the system offers them, so
// that first touching it costs fewer page faults. nullptr on failure (a
// fault-table call of kind kAllocate). Freed with the same size.
void* AllocateLargeBlock(std::size_t bytes);
void FreeLargeBlock(void* block, std::size_t bytes);

// ---------------------------------------------------------------------------
// Time

// Pauses the calling thread. Counted in the fault table (a pause cannot be
// made to fail); skipped entirely while pauses are switched off (tests and
// benchmarks). While a pause handler is set, the pause hands its time to it.
void PauseMs(int milliseconds);

// A pause handler returns after about `milliseconds`, doing useful waiting
// meanwhile (a window backend keeps its windows drawn). nullptr restores
// plain sleeping.
using PauseHandler = void (*)(int milliseconds);
void SetPauseHandler(PauseHandler handler);

// ---------------------------------------------------------------------------
// Sharing the zip folder with other running copies, and staying answerable
// while working between pauses.

// Takes the lock file `path`: creates it, or opens the one a copy that ended
// early left behind, and holds it so that no other taker gets it until
// ReleaseLockFile. nullptr while someone else holds it (then
// *heldElsewhere, when given, is true), or when it cannot be made or is not
// a plain file of one name (a link, a folder, a hard-linked file, one that
// cannot be opened: *heldElsewhere false). A file system without locks lets
// every taker have it.
File* TakeLockFile(std::string_view path, bool* heldElsewhere = nullptr);
// Removes the lock file and lets it go (nullptr is ignored). Nothing of it
// stays behind.
void ReleaseLockFile(File* lock, std::string_view path);
// Deletes a plain file of one name that no one holds open for writing.
// False when it is in use (another process or open is writing it), is a
// link or has another name too, or cannot be deleted.
bool DeleteFileNotInUse(std::string_view path);
// Hands the pause handler a pause of 0 ms when at least kServeIntervalMs
// have passed since it last ran, so that windows stay served through long
// work between pauses (copying, encoding, reading back). Nothing while no
// pause handler is set; not counted as a pause.
constexpr int kServeIntervalMs = 25;
void KeepServing();

// ---------------------------------------------------------------------------
// Fault table (tests and benchmarks)

enum class Op {
  kOpen,
  kRead,
  kWrite,
  kClose,
  kMakeFolder,
  kCopy,
  kDelete,
  kRename,
  kAllocate,
  kPause,  // counted only
  kFlush,  // a file's or a folder's contents forced to the disk
  kCount
};

// Makes the Nth call of `op` from now fail (1 = the next one); 0 disarms.
// With `sticky`, that call and every later one fail.
void FailNthCall(Op op, long n, bool sticky = false);
// Runs `hook` at the Nth call of `op` from now, before the call does its
// work (as another program would act at that moment: change a file that is
// being read, say); with `sticky`, at that call and every later one. 0
// disarms.
void HookNthCall(Op op, long n, std::function<void()> hook, bool sticky = false);
// Calls of `op` since the last ResetFaults.
long CallCount(Op op);
// Total milliseconds asked of PauseMs since the last ResetFaults.
long long PausedMs();
// Disarms every fault, zeroes the counters and forgets the record of calls
// (recording stops).
void ResetFaults();
// Starts keeping the order of calls: every counted call from now on is
// appended to the record, until ResetFaults.
void RecordCalls();
// The calls since RecordCalls, in the order they were made.
std::vector<Op> RecordedCalls();
// Switches real pauses off (they are still counted) or back on.
void SetPausesEnabled(bool enabled);

}  // namespace platform
