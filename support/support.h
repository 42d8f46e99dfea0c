// Settings, dates and folders: the support services the core builds on.
//
// Conventions: operations report success by a non-zero result and failure by
// 0; they show no messages. Texts and paths are Windows-1252 byte strings with
// backslashes (see platform/platform.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"
// The sorted list belongs to this interface too; it is a template, so its
// code lives in a header of its own.
#include "support/sorted_list.h"

// ---------------------------------------------------------------------------
// The settings store: one process-wide key = value file.
//
// open/create close the active store first (writing it back when changed).
// Reads and writes see only the keys before the first group header; keys
// compare ASCII case-insensitively. The file is written only by close, only
// when a write changed the store, in one write call; it stays open with
// writing denied to other processes from open/create until close.
namespace SettingsFile {

// Non-zero when the file was opened (read-write, or read-only as a
// fallback); 0 when it could not be opened: the name is remembered so that a
// changed store still creates it at close, and every read gives its default.
int open(std::string_view name);
// The value parsed as a signed decimal (leading white space, sign, digits up
// to the first other character); 0 when it holds no digits; `def` when the
// key is absent. Values beyond 32 bits saturate at INT32_MIN / INT32_MAX.
std::int32_t readInt(std::string_view key, std::int32_t def);
// The value without leading or trailing blanks; `def` unchanged when the key
// is absent. In UTF-8 mode a value that is not Latin-1 reads as empty.
std::string readString(std::string_view key, std::string_view def);
// Writes back when changed, closes the file, forgets everything.
void close();
// Creates or truncates the file at once (plain mode, no entries). Non-zero
// on success; 0 when it cannot be created (no store is active then).
int create(std::string_view name);
// Like create, but only when no file of that name exists: an existing file
// is never emptied. 0 when the name is taken or the file cannot be made.
int createNew(std::string_view name);
// Store a decimal number / a text under the key (replacing the first match,
// or adding a line after the last key before the first group header).
void writeInt(std::string_view key, std::int32_t value);
void writeString(std::string_view key, std::string_view value);

}  // namespace SettingsFile

// ---------------------------------------------------------------------------
// Dates: seconds from 1970-01-01 00:00:00 of a local wall-clock time counted
// as if it were UTC (no zone or daylight saving enters). -1 is invalid.

using DateValue = std::int32_t;

// -1 for impossible components (checked in a fixed order) and for dates
// outside 1970-01-01 00:00:00 .. 2038-01-19 03:14:07.
DateValue DateFromParts(int year, int month, int day, int hour, int minute, int second);
// Components of a value; 0 for a negative value.
int DateYear(DateValue date);
int DateMonth(DateValue date);
int DateDay(DateValue date);
int DateHour(DateValue date);
int DateMinute(DateValue date);
int DateSecond(DateValue date);
// Replaces the tokens %yyyy %yy %mm %dd %hh %ii %ss (letters in any case)
// by the date's components; a "%" that starts no token is copied. A value
// that cannot be taken apart gives "0000" and "00" fields.
std::string DateToText(std::string_view mask, DateValue date);
// A UTC file time shifted to local time by the offset in force now; 0 when
// the platform cannot convert it.
DateValue FileTimeToDate(platform::FileTime utc);

// ---------------------------------------------------------------------------
// Directory scans, numbered by the caller (the table grows on demand).
namespace DirectoryScan {

// Finishes scan n if active, then searches folder + "\" + pattern ("*.*"
// for an empty pattern; no "\" after an empty folder or one ending in "\").
// Non-zero when the folder could be searched, also when nothing matches;
// 0 when it could not (missing, not a folder, no access): n is then free.
int start(int n, std::string_view folder, std::string_view pattern);
// Non-zero when a further entry is now current; 0 at the end.
int next(int n);
// The current entry's name (empty for a number without a scan).
std::string entryName(int n);
// 2 for a folder, 1 for a regular file, 3 for anything else (a pipe, a
// device, also through a link), 0 for a number without a scan.
int entryType(int n);
// which 2: last write, 1: last access, other: creation; 0 without a scan.
DateValue entryDate(int n, int which);
// Ends the scan and frees the number (nothing for a free number).
void finish(int n);

}  // namespace DirectoryScan

// ---------------------------------------------------------------------------
// File operations on program paths.

// Strips trailing spaces, "\" and "/", then creates that one folder.
// 0 when it exists already or cannot be made.
int MakeDirectory(std::string_view path);
// Copies a file over an existing target, keeping the source's last-write
// time and permission bits; 0 on failure or an empty name. A target that is
// the source itself (by another name or letter case) fails untouched.
int CopyFileOver(std::string_view source, std::string_view target);
// Deletes a file; 0 on failure.
int RemoveFile(std::string_view path);
// Renames source to target in one step, replacing an existing target; 0 on
// failure (both files then stay as they were) or an empty name.
int MoveFileOver(std::string_view source, std::string_view target);

// Numbered input files. The number -1 asks for a fresh object: the result is
// then its handle, passed in place of a number afterwards.
using InputFileId = std::intptr_t;
// Opens an existing file for reading (others may read, not write). Non-zero
// on success; 0 for a missing file, a folder, or a file held for writing.
InputFileId OpenInputFile(InputFileId number, std::string_view path);
// Size in bytes; -1 for a number without a file.
std::int64_t InputFileLength(InputFileId number);
// Reads up to count bytes through a 4,096-byte read-ahead buffer, so one
// call delivers at most what is buffered plus one refill; 0 at the end or
// for a number without a file.
std::int64_t ReadInputFile(InputFileId number, void* destination, std::int64_t count);
void CloseInputFile(InputFileId number);
