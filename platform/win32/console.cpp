// The console on Windows. A program started from Explorer (files dropped on
// its icon) gets a console of its own, which closes when it ends; one
// started from a console or a script shares that console with its parent.
#include "platform/console.h"

#include <conio.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_internal.h"
// Needs windows.h before it.
#include <shellapi.h>

namespace platform {

std::string DisplayPath(std::string_view path) { return Cp1252ToUtf8(path); }

bool StandardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

void UseUtf8Console() { SetConsoleOutputCP(CP_UTF8); }

bool OwnsConsoleAlone() {
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) == 1;
}

bool OpenWithDefaultProgram(std::string_view path) {
  const std::string file(path);
  const auto result = reinterpret_cast<INT_PTR>(
      ShellExecuteA(nullptr, "open", file.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;
}

void WaitForKey(std::string_view prompt) {
  std::fwrite(prompt.data(), 1, prompt.size(), stdout);
  std::fflush(stdout);
  _getch();
}

}  // namespace platform
