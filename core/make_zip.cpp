// The make-zip action: stages the screenshot and the saved game under the
// archive's name in the zip folder, packs the chosen items, removes the
// staged copies and reports the outcome in the name field.
#include <cstring>
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
// Tries at an unused name for the archive being written.
constexpr int kTemporaryNameTries = 100;

std::string zipFolder() { return app().workDir + "zip\\"; }

bool isChecked(int checkBox) { return GetControlState(checkBox) != 0; }

// The name field names files inside zip only: a separator would reach other
// folders (and could overwrite the very files being packed), and the
// characters Windows refuses in file names would make an archive that
// cannot be unpacked there. The empty name is fine (".zip").
bool isPlainFileName(std::string_view name) {
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || std::strchr("\\/:*?\"<>|", c) != nullptr) {
      return false;
    }
  }
  return true;
}

// A name in zip that no file has, for the archive while it is written.
std::string unusedTemporaryPath() {
  for (int n = 0; n < kTemporaryNameTries; ++n) {
    const std::string path = zipFolder() + "~lapbundle" + (n ? std::to_string(n) : "") + ".tmp";
    if (platform::FileAttributes(path) == platform::kInvalidAttributes) return path;
  }
  return std::string();
}

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
// game, track. A missing item is left out silently. The archive is written
// under a temporary name and takes its own name in one step only once it is
// finished and read back intact: an archive that could not be finished is
// removed, and an earlier archive of the same name stays as it was until
// the new one replaces it whole (the staged copies stay on failure).
bool packArchive() {
  const AppState& s = app();
  const std::string temporary = unusedTemporaryPath();
  if (temporary.empty() || CreateArchive(temporary, 0) == 0) return false;
  if (isChecked(kScreenBox)) AddFileToArchive(zipFolder() + s.stagedScreenName, 0);
  if (isChecked(kGameBox)) AddFileToArchive(zipFolder() + s.stagedSaveName, 0);
  if (isChecked(kTrackBox)) AddFileToArchive(s.trackFile, 0);
  if (CloseArchive() < 0 || MoveFileOver(temporary, s.archivePath) == 0) {
    RemoveFile(temporary);
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
  // The window stays drawn through the pauses; clicks and keys meanwhile
  // are dropped, so that a double-click cannot press "End" unseen.
  BeginBusy();
  FlushDisplay();
  s.archiveName = GetControlText(kNameField);
  s.stagedSaveName = s.archiveName + ".gam";
  s.stagingOk = false;

  const bool done = isPlainFileName(s.archiveName) && runStages();
  SetControlText(kNameField, done ? "..\\zip\\" + s.archiveName + ".zip ok" : "Error");
  EndBusy();
  DisableControl(kButton, 0);
  SetControlText(kButton, "End");
  s.actionState = 1;
}
