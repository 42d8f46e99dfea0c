// The make-zip action: stages the screenshot and the saved game under the
// archive's name in the zip folder, packs the chosen items, removes the
// staged copies and reports the outcome in the name field.
#include <string>
#include <string_view>

#include "archive/zip_writer.h"
#include "core/app.h"
#include "core/zip_folder.h"
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

// What each staged copy held when it was made, for the items to be packed.
struct StagedChecks {
  ZipEntryCheck screen;
  ZipEntryCheck save;
};

// Sets the button's caption and shows it now: the thread blocks right after.
void showCaption(std::string_view caption) {
  SetControlText(kButton, caption);
  FlushDisplay();
}

void pauseWithCaption(std::string_view caption) {
  showCaption(caption);
  platform::PauseMs(kStagePauseMs);
}

// Copies a game file into the zip folder; when it is to be packed, notes
// what the copy holds. The game may still be writing the file, so the
// source is read again after the copy and must hold the same bytes (by size
// and CRC-32: time stamps are too coarse on some file systems); when it does
// not, it is copied once more. False when the copy fails, cannot be read
// back, or the source changed during both copies.
bool stageCopy(const std::string& source, const std::string& staged, bool packed,
               ZipEntryCheck* check) {
  for (int copies = 0; copies < 2; ++copies) {
    if (CopyFileOver(source, staged) == 0) return false;
    if (!packed) return true;
    ZipEntryCheck now;
    if (FileEntryCheck(staged, check) != 0 || FileEntryCheck(source, &now) != 0) return false;
    if (now.size == check->size && now.crc == check->crc) return true;
  }
  return false;
}

// The screenshot goes into the zip folder as a JPEG made from the
// full-size image, or as a byte copy of the file.
bool stageScreenshot(ZipEntryCheck* check) {
  AppState& s = app();
  if (isChecked(kJpegBox)) {
    s.stagedScreenName = s.archiveName + ".jpg";
    s.stagingOk =
        SaveImageSlot(2, zipFolder() + s.stagedScreenName, JpegEncoderTag) != 0 &&
        (!isChecked(kScreenBox) || FileEntryCheck(zipFolder() + s.stagedScreenName, check) == 0);
  } else {
    s.stagedScreenName = s.archiveName + ".bmp";
    s.stagingOk = stageCopy(s.workDir + "Screens\\" + s.screenName,
                            zipFolder() + s.stagedScreenName, isChecked(kScreenBox), check);
  }
  return s.stagingOk;
}

// Packs the track file straight from Tracks (a missing one is left out
// silently), then reads it again: false when it no longer holds what its
// entry holds, as when the game wrote it meanwhile.
bool packTrack() {
  const std::string& track = app().trackFile;
  const std::size_t before = ArchiveEntries().size();
  AddFileToArchive(track, 0);
  if (ArchiveEntries().size() == before) return true;
  const ZipEntryCheck packed = ArchiveEntries().back();
  ZipEntryCheck now;
  return FileEntryCheck(track, &now) == 0 && now.size == packed.size && now.crc == packed.crc;
}

enum class Packed { kDone, kFailed, kTrackChanged };

// Writes the archive with the checked items, in the order screenshot, saved
// game, track. A staged copy that is gone or no longer holds what was
// staged makes the archive incomplete. The archive is written under a
// temporary name and takes its own name in one step only once it is
// finished and read back intact: an archive that could not be finished is
// removed, and an earlier archive of the same name stays as it was until
// the new one replaces it whole (the staged copies stay on failure).
Packed packArchive(const StagedChecks& checks, int temporariesKept) {
  const AppState& s = app();
  const std::string temporary = createTemporaryArchive(zipFolder(), temporariesKept);
  if (temporary.empty()) return Packed::kFailed;
  if (isChecked(kScreenBox)) AddKnownFileToArchive(zipFolder() + s.stagedScreenName, checks.screen);
  if (isChecked(kGameBox)) AddKnownFileToArchive(zipFolder() + s.stagedSaveName, checks.save);
  const bool trackKept = !isChecked(kTrackBox) || packTrack();
  const bool closed = CloseArchive() >= 0;
  if (closed && trackKept && MoveFileOver(temporary, s.archivePath) != 0) return Packed::kDone;
  RemoveFile(temporary);
  return closed && !trackKept ? Packed::kTrackChanged : Packed::kFailed;
}

// The stages after the first caption; false as soon as one fails.
bool runStages(int temporariesKept) {
  AppState& s = app();
  StagedChecks checks;
  if (!stageScreenshot(&checks.screen)) return false;
  pauseWithCaption("Wait ");
  if (!stageCopy(s.workDir + "Saves\\" + s.saveName, zipFolder() + s.stagedSaveName,
                 isChecked(kGameBox), &checks.save)) {
    return false;
  }
  s.archivePath = zipFolder() + s.archiveName + ".zip";
  pauseWithCaption(" Wait");
  // A track file that changed while it was packed is packed once more.
  Packed packed = packArchive(checks, temporariesKept);
  if (packed == Packed::kTrackChanged) packed = packArchive(checks, temporariesKept);
  if (packed != Packed::kDone) return false;
  pauseWithCaption("Wait ");
  // The staged copies are removed only once the archive holds them.
  RemoveFile(zipFolder() + s.stagedScreenName);
  RemoveFile(zipFolder() + s.stagedSaveName);
  return true;
}

// Another running copy of the program may be making an archive in the same
// zip folder, under the same name and so with the same staged copies: the
// actions take turns, each holding the folder's lock from before staging
// until its staged copies are gone. Temporary archives that are left now
// were left by runs that ended early.
bool runInZipFolder() {
  platform::File* lock = takeActionLock(zipFolder());
  if (lock == nullptr) return false;
  const bool done = runStages(sweepTemporaryArchives(zipFolder()));
  releaseActionLock(lock, zipFolder());
  return done;
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

  const bool done = isUsableArchiveName(s.archiveName) && runInZipFolder();
  SetControlText(kNameField, done ? "..\\zip\\" + s.archiveName + ".zip ok" : "Error");
  EndBusy();
  DisableControl(kButton, 0);
  SetControlText(kButton, "End");
  s.actionState = 1;
}
