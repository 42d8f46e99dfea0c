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
