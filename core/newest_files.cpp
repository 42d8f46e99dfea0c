// Choice of the newest screenshot and the newest saved game by modification
// time, to the minute; the game's automatic save is passed over when newest.
#include <string>
#include <string_view>

#include "core/app.h"

namespace {

constexpr int kScan = 1;
constexpr std::string_view kStampMask = "%yyyy.%mm.%dd %hh:%ii";
constexpr std::string_view kAutosaveName = "Autosave.gam";

// Fills `list` with the files of workDir + folder matching `pattern`, newest
// stamp first; equal stamps keep the order the scan delivered them in.
// Only regular files are candidates: folders, pipes and devices (also
// through a link) are skipped. False when the folder cannot be scanned.
bool listNewestFirst(std::string_view folder, std::string_view pattern,
                     SortedList<FileEntry>& list) {
  list.clear();
  if (!DirectoryScan::start(kScan, app().workDir + std::string(folder), pattern)) return false;
  while (DirectoryScan::next(kScan)) {
    if (DirectoryScan::entryType(kScan) != 1) continue;
    FileEntry* entry = list.add();
    entry->name = DirectoryScan::entryName(kScan);
    entry->stamp = DateToText(kStampMask, DirectoryScan::entryDate(kScan, 2));
  }
  DirectoryScan::finish(kScan);
  if (list.size() > 0) {
    list.sortByField(SortDescending | SortIgnoreCase, &FileEntry::stamp, SortFieldText);
    list.reset();
  }
  return true;
}

}  // namespace

void findNewestScreenshot() {
  AppState& s = app();
  s.screenName.clear();
  // A missing Screens folder just means there is no screenshot.
  if (!listNewestFirst("Screens", "*.bmp", s.screenList)) return;
  if (const FileEntry* newest = s.screenList.next()) s.screenName = newest->name;
}

bool findNewestSave() {
  AppState& s = app();
  s.saveName.clear();
  if (!listNewestFirst("Saves", "*.gam", s.saveList)) return false;
  const FileEntry* chosen = s.saveList.next();
  // Only the exact name is the automatic save; "AUTOSAVE.GAM" is a race.
  if (chosen != nullptr && chosen->name == kAutosaveName) chosen = s.saveList.next();
  if (chosen != nullptr) s.saveName = chosen->name;
  readSaveGame();
  return true;
}
