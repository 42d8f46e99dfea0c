// The console of a command-line program: whether its output goes to a
// terminal, and how a program started by dropping files on it in a file
// manager (with a console of its own) shows its result and waits.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// A program path as the user writes it, in UTF-8: on POSIX with "/"
// between folders, on Windows as it is.
std::string DisplayPath(std::string_view path);
// True when standard error is a terminal (or console) a person watches.
bool StandardErrorIsTerminal();
// Makes the console show UTF-8 output as such (Windows; nothing on POSIX).
void UseUtf8Console();
// True when this process is the only one attached to its console: it was
// started by the file manager (files dropped on it), not from a console or
// a script. Always false on POSIX.
bool OwnsConsoleAlone();
// Opens a file (program path) with the user's default program for it,
// without waiting. False when it could not be started.
bool OpenWithDefaultProgram(std::string_view path);
// Writes `prompt` and waits for one key press on the console.
void WaitForKey(std::string_view prompt);

}  // namespace platform
