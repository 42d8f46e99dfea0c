// The make-zip action: stages the screenshot and the saved game under the
// archive's name in the zip folder, packs the chosen items, removes the
// staged copies and reports the outcome in the name field.
#include <string>
#include <string_view>

#include "archive/zip_writer.h"
#include "core/app.h"
#include "imaging/image_store.h"
#include "ui/control_kit.h"

namespace {

constexpr int kNameField = 5;
constexpr int kButton = 50;
constexpr int kTrackBox = 2;
constexpr int kGameBox = 3;
constexpr int kScreenBox = 4;
constexpr int kJpegBox = 7;
constexpr int kStagePauseMs = 300;

std::string zipFolder() { return app().workDir + "zip\\"; }

bool isChecked(int checkBox) { return GetControlState(checkBox) != 0; }

// Sets the button's caption and shows it now: the thread blocks right after.
void showCaption(std::string_view caption) {
  SetControlText(kButton, caption);
  FlushDisplay();
}

void pauseWithCaption(std::string_view caption) {
  showCaption(caption);
  platform::PauseMs(kStagePauseMs);
}

// The screenshot goes into the zip folder as a JPEG made from the
// full-size image, or as a byte copy of the file.
bool stageScreenshot() {
  AppState& s = app();
  if (isChecked(kJpegBox)) {
    s.stagedScreenName = s.archiveName + ".jpg";
    s.stagingOk = SaveImageSlot(2, zipFolder() + s.stagedScreenName, JpegEncoderTag) != 0;
  } else {
    s.stagedScreenName = s.archiveName + ".bmp";
    s.stagingOk =
        CopyFileOver(s.workDir + "Screens\\" + s.screenName, zipFolder() + s.stagedScreenName) != 0;
  }
  return s.stagingOk;
}

// Writes the archive with the checked items, in the order screenshot, saved
// game, track. A missing item is left out silently; an archive that could
// not be finished on disk counts as a failure and is removed, so that no
// broken archive is mistaken for a finished one (the staged copies stay).
bool packArchive() {
  const AppState& s = app();
  if (CreateArchive(s.archivePath, 0) == 0) return false;
  if (isChecked(kScreenBox)) AddFileToArchive(zipFolder() + s.stagedScreenName, 0);
  if (isChecked(kGameBox)) AddFileToArchive(zipFolder() + s.stagedSaveName, 0);
  if (isChecked(kTrackBox)) AddFileToArchive(s.trackFile, 0);
  if (CloseArchive() < 0) {
    RemoveFile(s.archivePath);
    return false;
  }
  return true;
}

// The stages after the first caption; false as soon as one fails.
bool runStages() {
  AppState& s = app();
  if (!stageScreenshot()) return false;
  pauseWithCaption("Wait ");
  if (CopyFileOver(s.workDir + "Saves\\" + s.saveName, zipFolder() + s.stagedSaveName) == 0) {
    return false;
  }
  s.archivePath = zipFolder() + s.archiveName + ".zip";
  pauseWithCaption(" Wait");
  if (!packArchive()) return false;
  pauseWithCaption("Wait ");
  // The staged copies are removed only once the archive holds them.
  RemoveFile(zipFolder() + s.stagedScreenName);
  RemoveFile(zipFolder() + s.stagedSaveName);
  return true;
}

}  // namespace

void makeZip() {
  AppState& s = app();
  SetControlText(kButton, " Wait");
  DisableControl(kButton, 1);
  FlushDisplay();
  s.archiveName = GetControlText(kNameField);
  s.stagedSaveName = s.archiveName + ".gam";
  s.stagingOk = false;

  const bool done = runStages();
  SetControlText(kNameField, done ? "..\\zip\\" + s.archiveName + ".zip ok" : "Error");
  DisableControl(kButton, 0);
  SetControlText(kButton, "End");
  s.actionState = 1;
}
