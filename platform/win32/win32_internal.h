// Helpers shared by the Win32 backend's units.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace platform {

// FILETIME (100-ns ticks since 1601-01-01 UTC) to whole seconds since 1970,
// rounded toward the past.
FileTime FromFileTime(const FILETIME& ticks);
// The attribute word the program works with: 0x10 for a folder, otherwise
// 0x20, plus 0x01 for a read-only entry. The same word as on every other
// host, so archives record the same attributes wherever they are made.
std::uint32_t ProgramAttributes(DWORD hostAttributes);

// System texts (UTF-8) to UTF-16 and back. Malformed UTF-8 gives an empty
// text, which names no file.
std::wstring WideText(std::string_view utf8);
std::string Utf8Text(std::wstring_view wide);
// Program text (the ANSI code page) to UTF-16; every byte has a character.
std::wstring WideFromAnsi(std::string_view ansi);
// UTF-16 as program text in the ANSI code page, without the best-fit
// substitutions of the ANSI calls (which turn U+0141, L with stroke, into
// "L" and so name another file): a character the code page cannot hold
// becomes "?", which no file name on Windows contains.
std::string AnsiText(std::wstring_view wide);

// The handle of an open file, taken out of it: the File record is freed and
// the caller owns the handle from now on.
HANDLE ReleaseHandle(File* file);

}  // namespace platform
