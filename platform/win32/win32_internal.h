// Helpers shared by the Win32 backend's units.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/platform.h"

namespace platform {

// FILETIME (100-ns ticks since 1601-01-01 UTC) to whole seconds since 1970,
// rounded toward the past.
FileTime FromFileTime(const FILETIME& ticks);
// The attribute word the program works with: 0x10 for a folder, otherwise
// 0x20, plus 0x01 for a read-only entry. The same word as on every other
// host, so archives record the same attributes wherever they are made.
std::uint32_t ProgramAttributes(DWORD hostAttributes);

// The handle of an open file, taken out of it: the File record is freed and
// the caller owns the handle from now on.
HANDLE ReleaseHandle(File* file);

}  // namespace platform
