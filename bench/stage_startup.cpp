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
  if (argc != 1) {
    std::fprintf(stderr, "usage: lapbundle-bench startup GAMEFOLDER\n");
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
  std::printf("%s\n", platform::Cp1252ToUtf8(s.archiveName).c_str());
  resetAppState();
  return 0;
}

BenchStage stage("startup", "GAMEFOLDER", RunStartup);

}  // namespace
