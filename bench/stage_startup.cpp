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

// The nine settings in the order and with the defaults the program uses.
void readSettings(AppState& s) {
  s.settingsOpened = SettingsFile::open(s.workDir + "lapbundle.prf") != 0;
  const auto small = [](const char* key, std::int32_t def) {
    return static_cast<std::int8_t>(SettingsFile::readInt(key, def));
  };
  s.includeTrack = small("Track", 1);
  s.includeGame = small("Game", 1);
  s.includeScreen = small("Screen", 1);
  s.screenAsJpeg = small("bmp/jpg", 0);
  s.freeText = SettingsFile::readString("text", "");
  s.textPos = small("TextPos", 0);
  s.trackNamePos = small("trackname", 1);
  s.driverNamePos = small("drivername", 2);
  s.timePos = small("time/kmh", 3);
  SettingsFile::close();
}

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
  readSettings(s);

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
