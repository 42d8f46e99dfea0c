// Feeds arbitrary bytes to the game-file readers: first as a saved game,
// then as a track file, then composes the archive name from what they read,
// with name positions taken from the first bytes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "core/app.h"

namespace {

// A scratch game folder (host path), made once per process and removed at exit.
struct ScratchGame {
  ScratchGame() {
    host = std::filesystem::temp_directory_path() /
           ("lapbundle-readers-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(host / "Saves");
    std::filesystem::create_directories(host / "Tracks");
    program = host.string();
    for (char& c : program) {
      if (c == '/') c = '\\';
    }
    program += '\\';
  }
  ~ScratchGame() {
    std::error_code ec;
    std::filesystem::remove_all(host, ec);
  }
  std::filesystem::path host;
  std::string program;
};

void writeBytes(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::int8_t positionFrom(const std::uint8_t* data, std::size_t size, std::size_t at) {
  return at < size ? static_cast<std::int8_t>(data[at] % 6) : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ScratchGame game;
  // One buffer for the whole run: bytes of earlier inputs stay in it, as
  // they would after an earlier file, and must never be read.
  static std::uint8_t* const buffer = new std::uint8_t[kFileBufferSize]();
  writeBytes(game.host / "Saves" / "f.gam", data, size);
  writeBytes(game.host / "Tracks" / "f.trk", data, size);

  resetAppState();
  AppState& s = app();
  s.fileBuffer = buffer;
  s.fileLength = kFileBufferSize;
  s.workDir = game.program;
  s.saveName = "f.gam";
  readSaveGame();
  const std::string readPath = s.trackPath;
  s.trackPath = "\\f";
  readTrackFile();
  s.trackPath = readPath;

  s.textPos = positionFrom(data, size, 1);
  s.trackNamePos = positionFrom(data, size, 2);
  s.driverNamePos = positionFrom(data, size, 3);
  s.timePos = positionFrom(data, size, 5);
  s.freeText = "Cup";
  // Lengths beyond what a saved game holds reach the wide products too.
  if (size >= 8) s.lengthValue = static_cast<std::int16_t>(data[6] | (data[7] << 8));
  setTrackName();
  computeTimeOrSpeed();
  composeArchiveName();
  s.fileBuffer = nullptr;  // kept for the next input
  resetAppState();
  return 0;
}
