// The zip folder shared by the running copies of the program: the archive
// name check, the one-action-at-a-time lock and the temporary archives.
#include "core/zip_folder.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "archive/zip_writer.h"
#include "support/support.h"

namespace {

// Polls of a lock that another action holds.
constexpr int kLockPollMs = 100;
// Names tried for a temporary archive beyond those known to be taken.
constexpr int kTemporaryNameTries = 100;
// The core's folder scans use this number; none is active during the action.
constexpr int kScanNumber = 1;

char foldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Windows opens a device for these names whatever follows the first dot,
// and ignores blanks before that dot.
bool isDeviceName(std::string_view name) {
  std::string_view base = name.substr(0, name.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  std::string folded;
  for (const char c : base) folded += foldAscii(c);
  static constexpr std::array<const char*, 6> kDevices = {"con", "prn",    "aux",
                                                          "nul", "conin$", "conout$"};
  for (const char* device : kDevices) {
    if (folded == device) return true;
  }
  if (folded.size() != 4 ||
      (folded.compare(0, 3, "com") != 0 && folded.compare(0, 3, "lpt") != 0)) {
    return false;
  }
  // 1 to 9, or the superscript digits one, two and three of Windows-1252.
  const char digit = folded[3];
  return (digit >= '1' && digit <= '9') || digit == '\xB9' || digit == '\xB2' || digit == '\xB3';
}

std::string temporaryName(int n) {
  return std::string("~lapbundle") + (n > 0 ? std::to_string(n) : "") + ".tmp";
}

// The name as the entries named after it are unpacked: a character that
// the OEM code page holds only in an ASCII form ("\x9C" as "o", "\x99" as
// "T") takes that form.
std::string unpackedForm(std::string_view name) {
  std::string form;
  for (const char c : name) {
    const char entry = EntryNameChar(c);
    form += static_cast<unsigned char>(entry) < 0x80 ? entry : c;
  }
  return form;
}

}  // namespace

bool namesWindowsDevice(std::string_view name) {
  return isDeviceName(name) || isDeviceName(unpackedForm(name));
}

bool isUsableArchiveName(std::string_view name) {
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || std::strchr("\\/:*?\"<>|", c) != nullptr) {
      return false;
    }
  }
  // The screenshot and the saved game are packed under this name too, and
  // must not unpack as a device.
  return !namesWindowsDevice(name);
}

platform::File* takeActionLock(const std::string& zipFolder) {
  const std::string path = zipFolder + kActionLockName;
  for (int waited = 0;; waited += kLockPollMs) {
    bool held = false;
    if (platform::File* lock = platform::TakeLockFile(path, &held)) return lock;
    // Only another copy's action is worth waiting for; a lock file that
    // cannot be taken for any other reason will not become usable.
    if (!held || waited >= kActionLockWaitMs) return nullptr;
    platform::PauseMs(kLockPollMs);
  }
}

void releaseActionLock(platform::File* lock, const std::string& zipFolder) {
  platform::ReleaseLockFile(lock, zipFolder + kActionLockName);
}

int sweepTemporaryArchives(const std::string& zipFolder) {
  std::vector<std::string> found;
  if (DirectoryScan::start(kScanNumber, zipFolder, kTemporaryPattern) == 0) return 0;
  while (DirectoryScan::next(kScanNumber) != 0) {
    if (DirectoryScan::entryType(kScanNumber) == 1) {
      found.push_back(DirectoryScan::entryName(kScanNumber));
    }
  }
  DirectoryScan::finish(kScanNumber);
  int kept = 0;
  for (const std::string& name : found) {
    if (!platform::DeleteFileNotInUse(zipFolder + name)) ++kept;
  }
  return kept;
}

std::string createTemporaryArchive(const std::string& zipFolder, int taken) {
  const int tries = kTemporaryNameTries + (taken > 0 ? taken : 0);
  for (int n = 0; n < tries; ++n) {
    const std::string path = zipFolder + temporaryName(n);
    if (CreateNewArchive(path) != 0) return path;
  }
  return std::string();
}
