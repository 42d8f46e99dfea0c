// lapbundle-check: see check/check.h and the manual page.
#include <string>
#include <vector>

#include "check/check.h"
#include "platform/console.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
  platform::UseUtf8Console();
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(platform::ProgramText(argv[i]));
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
