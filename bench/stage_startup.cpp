// startup GAMEFOLDER: everything the program does at start-up that needs no
// window, in the same order: settings, newest saved game and its reading,
// the zip folder, the track file, the newest screenshot and the proposed
// archive name, which is printed.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <new>
#include <string>
#include <system_error>

#include "bench/stages.h"
#include "core/app.h"

namespace {

int RunStartup(int argc, char** argv) {
  const bool show = argc == 2 && std::string(argv[1]) == "--show";
  if (argc != 1 && !show) {
    std::fprintf(stderr, "usage: lapbundle-bench startup GAMEFOLDER [--show]\n");
    return 2;
  }
  std::error_code ec;
  std::filesystem::current_path(argv[0], ec);
  if (ec) {
    std::fprintf(stderr, "cannot enter %s\n", argv[0]);
    return 1;
  }
  resetAppState();
  AppState& s = app();
  s.fileLength = kFileBufferSize;
  s.fileBuffer = new (std::nothrow) std::uint8_t[kFileBufferSize]();
  if (s.fileBuffer == nullptr) return 1;
  s.workDir = platform::CurrentFolder();
  readSettings();

  if (!findNewestSave()) {
    std::fprintf(stderr, "no Saves folder in %s\n", argv[0]);
    resetAppState();
    return 1;
  }
  MakeDirectory(s.workDir + "zip");
  readTrackFile();
  findNewestScreenshot();
  setTrackName();
  computeTimeOrSpeed();
  composeArchiveName();
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
