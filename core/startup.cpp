// Start-up and shut-down: fills the state record, builds the window, finds
// the newest race and proposes a name; at the end stores the settings on a
// first run and releases everything.
#include <cstdint>
#include <string>
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

StartupStepHook stepHook = nullptr;

void stepDone(const char* step) {
  if (stepHook != nullptr) stepHook(step);
}

}  // namespace

void setStartupStepHook(StartupStepHook hook) { stepHook = hook; }

bool startUp() {
  stepDone("main");
  resetAppState();
  InitControlKit();
  stepDone("display");
  InitImageStore();
  RegisterJpegEncoder();
  InitZipWriter();

  AppState& s = app();
  if (!allocateFileBuffer()) {
    s.startFailure = "no memory for the 2,000,000-byte file buffer";
    return false;
  }
  s.screenList.clear();
  s.saveList.clear();
  s.workDir = platform::CurrentFolder();
  if (s.workDir.empty()) {
    s.startFailure = "the current folder cannot be read";
    return false;
  }
  stepDone("init");

  readSettings();
  clearRecordFields();
  stepDone("settings");
  buildMainWindow();
  stepDone("window");

  if (!findNewestSave()) {
    fatalStop();
    return false;
  }
  SetControlText(13, s.saveName);
  stepDone("save");
  MakeDirectory(s.workDir + "zip");
  readTrackFile();
  SetControlText(12, s.trackPath);
  stepDone("track");
  findNewestScreenshot();
  stepDone("screens");
  showPreview();
  SetControlText(14, s.screenName);
  stepDone("preview");
  setTrackName();
  computeTimeOrSpeed();
  composeArchiveName();
  SetControlText(5, s.archiveName);
  stepDone("name");
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
