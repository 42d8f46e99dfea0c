// The settings file: read at start-up, written at shut-down on a first run.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/app.h"

namespace {

constexpr std::string_view kSettingsName = "lapbundle.prf";

// Settings integers keep only their low 8 bits (257 becomes 1, 255 becomes -1).
std::int8_t readSmallInt(std::string_view key, std::int32_t def) {
  return static_cast<std::int8_t>(SettingsFile::readInt(key, def));
}

}  // namespace

// Reads the nine keys in their fixed order; a missing file or key gives the default.
void readSettings() {
  AppState& s = app();
  s.settingsOpened = SettingsFile::open(s.workDir + std::string(kSettingsName)) != 0;
  s.includeTrack = readSmallInt("Track", 1);
  s.includeGame = readSmallInt("Game", 1);
  s.includeScreen = readSmallInt("Screen", 1);
  s.screenAsJpeg = readSmallInt("bmp/jpg", 0);
  s.freeText = SettingsFile::readString("text", "");
  s.textPos = readSmallInt("TextPos", 0);
  s.trackNamePos = readSmallInt("trackname", 1);
  s.driverNamePos = readSmallInt("drivername", 2);
  s.timePos = readSmallInt("time/kmh", 3);
  SettingsFile::close();
}

// Writes the values read at start-up (never the window's live states), in
// the same order as they are read. Only a file that does not exist is
// created: one that was merely unreadable at start (locked by another
// program, say) keeps what the user wrote in it.
void writeSettings() {
  const AppState& s = app();
  if (SettingsFile::createNew(s.workDir + std::string(kSettingsName)) == 0) return;
  SettingsFile::writeInt("Track", s.includeTrack);
  SettingsFile::writeInt("Game", s.includeGame);
  SettingsFile::writeInt("Screen", s.includeScreen);
  SettingsFile::writeInt("bmp/jpg", s.screenAsJpeg);
  SettingsFile::writeString("text", s.freeText);
  SettingsFile::writeInt("TextPos", s.textPos);
  SettingsFile::writeInt("trackname", s.trackNamePos);
  SettingsFile::writeInt("drivername", s.driverNamePos);
  SettingsFile::writeInt("time/kmh", s.timePos);
  SettingsFile::close();
}
