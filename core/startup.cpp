// Start-up and shut-down: fills the state record, builds the window, finds
// the newest race and proposes a name; at the end stores the settings on a
// first run and releases everything.
#include <cstdint>
#include <new>
#include <string_view>

#include "archive/zip_writer.h"
#include "core/app.h"
#include "imaging/image_store.h"
#include "ui/control_kit.h"

namespace {

constexpr std::string_view kSettingsName = "lapbundle.prf";

// Settings integers keep only their low 8 bits (257 becomes 1, 255 becomes -1).
std::int8_t readSmallInt(std::string_view key, std::int32_t def) {
  return static_cast<std::int8_t>(SettingsFile::readInt(key, def));
}

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
// the same order as they are read.
void writeSettings() {
  const AppState& s = app();
  if (SettingsFile::create(s.workDir + std::string(kSettingsName)) == 0) return;
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

// The fields the game-file readers and the name composition fill.
void clearRecordFields() {
  AppState& s = app();
  s.lengthValue = 0;
  s.lengthMode = 0;
  s.blockIndex = 0;
  s.timeSlot = 0;
  s.trackSlot = 0;
  s.driverName.clear();
  s.trackPath.clear();
  s.resultTime = 0;
  s.trackFile.clear();
  s.recordBlock = 0;
  s.trackLength = 0;
  s.trackName.clear();
  s.timeOrSpeed = 0;
  s.archiveName.clear();
}

}  // namespace

bool startUp() {
  resetAppState();
  InitControlKit();
  InitImageStore();
  RegisterJpegEncoder();
  InitZipWriter();

  AppState& s = app();
  s.fileLength = kFileBufferSize;
  // Zero-filled, so that reader positions past the bytes of a short file read as 0.
  s.fileBuffer = new (std::nothrow) std::uint8_t[kFileBufferSize]();
  if (s.fileBuffer == nullptr) return false;
  s.screenList.clear();
  s.saveList.clear();
  s.workDir = platform::CurrentFolder();

  readSettings();
  clearRecordFields();
  buildMainWindow();

  if (!findNewestSave()) {
    fatalStop();
    return false;
  }
  SetControlText(13, s.saveName);
  MakeDirectory(s.workDir + "zip");
  readTrackFile();
  SetControlText(12, s.trackPath);
  findNewestScreenshot();
  showPreview();
  SetControlText(14, s.screenName);
  setTrackName();
  computeTimeOrSpeed();
  composeArchiveName();
  SetControlText(5, s.archiveName);
  return true;
}

int shutDown(bool fatal) {
  // Only a first run stores the settings, and never after the fatal stop.
  if (!fatal && !app().settingsOpened) writeSettings();
  CloseAllWindows();
  FreeAllImageSlots();
  CloseInputFile(0);
  DirectoryScan::finish(1);
  resetAppState();
  return 0;
}
