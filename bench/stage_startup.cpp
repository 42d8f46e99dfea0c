// startup GAMEFOLDER: everything the program does at start-up that needs no
// window, in the same order: settings, newest saved game and its reading,
// the zip folder, the track file, the newest screenshot and the proposed
// archive name, which is printed.
#include <cstdio>
#include <string>

#include "bench/stages.h"
#include "core/app.h"

namespace {

int RunStartup(int argc, char** argv) {
  const bool show = argc == 2 && std::string(argv[1]) == "--show";
  if (argc != 1 && !show) {
    std::fprintf(stderr, "usage: lapbundle-bench startup GAMEFOLDER [--show]\n");
    return 2;
  }
  if (!FindRaceWithoutWindow(argv[0])) {
    resetAppState();
    return 1;
  }
  const AppState& s = app();
  const auto utf8 = [](const std::string& text) { return platform::Cp1252ToUtf8(text); };
  if (show) {
    // What the window shows in its labels and its name field.
    std::printf("saved game:   %s\n", utf8(s.saveName).c_str());
    std::printf("track:        %s\n", utf8(s.trackPath).c_str());
    std::printf("screenshot:   %s\n", utf8(s.screenName).c_str());
    std::printf("archive name: %s\n", utf8(s.archiveName).c_str());
  } else {
    std::printf("%s\n", utf8(s.archiveName).c_str());
  }
  resetAppState();
  return 0;
}

BenchStage stage("startup", "GAMEFOLDER [--show]", RunStartup);

}  // namespace
