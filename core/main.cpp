// lapbundle: started in the game folder, packs the newest race into one zip.
//   lapbundle                  the current folder is the game folder
//   lapbundle GAMEFOLDER       as if started in GAMEFOLDER
//   lapbundle --choose-folder  the current folder if it holds Saves, else ask
#include <cstdio>
#include <string>
#include <vector>

#include "core/app.h"
#include "core/product.h"
#include "platform/platform.h"

namespace {

constexpr const char* kUsage =
    "Usage: lapbundle [GAMEFOLDER | --choose-folder | --help | --version]\n"
    "Packs the newest screenshot, saved game and track of a race into one zip\n"
    "archive in the game folder's zip folder.\n"
    "\n"
    "  (no argument)     the current folder is the game folder\n"
    "  GAMEFOLDER        start in GAMEFOLDER, the folder holding Saves\n"
    "  --choose-folder   start in the current folder if it holds Saves;\n"
    "                    otherwise choose the game folder in a dialog, which\n"
    "                    starts at the folder chosen last time\n"
    "  --help            show this text\n"
    "  --version         show the version\n";

// Problems are texts as the system writes them (file names included).
void complain(const std::string& problem) {
  std::fprintf(stderr, "lapbundle: %s\n", problem.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  const LaunchRequest request = parseCommandLine(platform::SystemArguments(argc, argv));
  switch (request.kind) {
    case LaunchKind::kHelp:
      std::fputs(kUsage, stdout);
      return 0;
    case LaunchKind::kVersion:
      std::printf("lapbundle %s\n", kLapbundleVersion);
      return 0;
    case LaunchKind::kBadArguments:
      complain(request.problem);
      std::fputs("Try 'lapbundle --help'.\n", stderr);
      return 2;
    default:
      break;
  }
  std::string problem;
  switch (enterGameFolder(request, &problem)) {
    case FolderOutcome::kCancelled:
      return 0;
    case FolderOutcome::kRefused:
      complain(problem);
      return 2;
    case FolderOutcome::kReady:
      break;
  }

  const bool ready = startUp();
  if (!ready && !app().startFailure.empty()) {
    // Nothing was shown yet that could tell the user; the exit code and
    // standard error do.
    complain("cannot start: " + app().startFailure);
    shutDown(true);
    return 1;
  }
  if (ready) runEventLoop();
  // After the fatal stop the settings are left alone.
  return shutDown(!ready);
}
