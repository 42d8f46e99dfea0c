// The zip folder as the make-zip action shares it: which archive names may
// name files there, one action at a time among the running copies of the
// program, and the temporary archives written there.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

// The lock file a running action holds in the zip folder.
constexpr const char* kActionLockName = "~lapbundle.lock";
// Temporary archives are named "~lapbundle" + a number + ".tmp"; the first
// has no number. Every name of that form is the program's own.
constexpr const char* kTemporaryPattern = "~lapbundle*.tmp";

// Whether a file name (Windows-1252, no folder) names a Windows device
// (CON, PRN, AUX, NUL, CONIN$, CONOUT$, COM1-9, LPT1-9 and COM/LPT with a
// superscript 1-3), in any case, alone or before a dot, also with blanks
// before that dot, also once its characters take the forms entry names give
// them ("C\x9Cn" unpacks as "Con"). Windows opens the device for such a
// name, and cannot unpack an entry of that name as a file.
bool namesWindowsDevice(std::string_view name);

// Whether the name field's text may name the archive and its staged copies:
// a plain file name inside the zip folder that Windows can create and unpack
// as a file. It refuses separators, the characters Windows refuses in names,
// control characters and device names (namesWindowsDevice). The empty name
// is fine (".zip").
bool isUsableArchiveName(std::string_view name);

// Takes the action lock of the folder (a program path ending in "\"). While
// another copy's action holds it, waits for it up to kActionLockWaitMs,
// pausing (so the window stays served). nullptr at once when the lock file
// cannot be made or used (a link, a folder, a file of another name too, one
// that cannot be opened), and when the other action did not end in time.
constexpr int kActionLockWaitMs = 120000;
platform::File* takeActionLock(const std::string& zipFolder);
void releaseActionLock(platform::File* lock, const std::string& zipFolder);

// Removes the temporary archives that earlier runs left in the folder,
// never one that is being written. The number of them that stay.
int sweepTemporaryArchives(const std::string& zipFolder);
// Creates a new temporary archive in the folder with the zip writer, under a
// name that no file has (`taken` names are known to be in use). Its path, or
// an empty text when none could be made.
std::string createTemporaryArchive(const std::string& zipFolder, int taken);
