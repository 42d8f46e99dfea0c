// lapbundle-check: see check/check.h, season/season.h and the manual page.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "check/check.h"
#include "platform/console.h"
#include "platform/platform.h"
#include "season/season.h"

int main(int argc, char** argv) {
  platform::UseUtf8Console();
  // The paths as program texts (Windows-1252, backslashes), as the readers
  // and the platform's file calls take them. A name the code page cannot
  // hold keeps a "?" and is then reported as not found, never mistaken for
  // another file.
  // Where "\" is not the system's separator it may be part of a name, which
  // no program path can hold: such a name would reach another file.
  const bool backslashInNames = platform::DisplayPath("\\") != "\\";
  std::vector<std::string> args;
  for (const std::string& arg : platform::SystemArguments(argc, argv)) {
    if (backslashInNames && arg.find('\\') != std::string::npos) {
      std::fprintf(stderr, "lapbundle-check: cannot be opened by its name: %s\n",
                   TerminalText(arg).c_str());
      return 2;
    }
    std::string text = platform::Utf8ToCp1252(arg);
    for (char& c : text) {
      if (c == '/') c = '\\';
    }
    args.push_back(std::move(text));
  }
  if (season::SeasonRequested(args)) return season::RunSeason(args);
  // Started by dropping files on the program: the result is a report page
  // in the browser, and the console stays until a key is pressed.
  const bool dropped = platform::OwnsConsoleAlone() && !args.empty();
  std::string report;
  const int status = RunCheck(args, dropped, &report);
  if (dropped) {
    if (!report.empty()) platform::OpenWithDefaultProgram(report);
    platform::WaitForKey("Press a key to close this window.\n");
  }
  return status;
}
