// The console on POSIX: a terminal is asked with isatty; a program here is
// never started by dropping files on it, so nothing waits or opens.
#include "platform/console.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/platform.h"

namespace platform {

std::string DisplayPath(std::string_view path) {
  std::string text = Cp1252ToUtf8(path);
  std::replace(text.begin(), text.end(), '\\', '/');
  return text;
}

bool StandardErrorIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void UseUtf8Console() {}

bool OwnsConsoleAlone() { return false; }

bool OpenWithDefaultProgram(std::string_view /*path*/) { return false; }

void WaitForKey(std::string_view prompt) {
  std::fwrite(prompt.data(), 1, prompt.size(), stdout);
  std::fflush(stdout);
  std::getchar();
}

}  // namespace platform
