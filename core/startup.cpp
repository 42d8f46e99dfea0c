// Start-up and shut-down: fills the state record, builds the window, finds
// the newest race and proposes a name; at the end stores the settings on a
// first run and releases everything.
#include <chrono>
#include <cstdint>
#include <cstdio>
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

bool traceOn = false;

// Notes the end of a start-up step on stderr as microseconds of the
// monotonic clock, so that a harness on the same clock can place each step
// after the moment it started the process. Nothing while tracing is off.
void traceStep(const char* step) {
  if (!traceOn) return;
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
  const std::string line = "startup-trace " + std::string(step) + " " + std::to_string(us) + "\n";
  std::fputs(line.c_str(), stderr);
}

}  // namespace

void setStartupTrace(bool on) { traceOn = on; }

bool startUp() {
  traceStep("main");
  resetAppState();
  InitControlKit();
  traceStep("display");
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
  traceStep("init");

  readSettings();
  clearRecordFields();
  traceStep("settings");
  buildMainWindow();
  traceStep("window");

  if (!findNewestSave()) {
    fatalStop();
    return false;
  }
  SetControlText(13, s.saveName);
  traceStep("save");
  MakeDirectory(s.workDir + "zip");
  readTrackFile();
  SetControlText(12, s.trackPath);
  traceStep("track");
  findNewestScreenshot();
  traceStep("screens");
  showPreview();
  SetControlText(14, s.screenName);
  traceStep("preview");
  setTrackName();
  computeTimeOrSpeed();
  composeArchiveName();
  SetControlText(5, s.archiveName);
  traceStep("name");
  if (traceOn) {
    // The event loop's first wait would paint; painting here lets the trace
    // show when the window with its preview is on the display.
    FlushDisplay();
    traceStep("shown");
  }
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
