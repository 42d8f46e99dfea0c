#include "tests/core_app/app_fixture.h"

#include <unzip.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/app.h"
#include "imaging/image_store.h"
#include "platform/platform.h"
#include "tests/headless_kit/headless_kit.h"

const char kDefaultSettings[] =
    "Track = 1\r\nGame = 1\r\nScreen = 1\r\nbmp/jpg = 0\r\ntext = \r\n"
    "TextPos = 0\r\ntrackname = 1\r\ndrivername = 2\r\ntime/kmh = 3\r\n";

namespace {

bool readCurrentEntry(unzFile zip, ZipEntry* entry) {
  char name[512];
  unz_file_info info;
  if (unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) {
    return false;
  }
  entry->name = name;
  if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
  char buffer[65536];
  int n = 0;
  while ((n = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0) entry->data.append(buffer, n);
  // Closing reports a CRC mismatch of the data just read.
  return unzCloseCurrentFile(zip) == UNZ_OK && n == 0;
}

// An archive without entries is its 22-byte end record alone, which
// minizip's reader does not open.
bool isEmptyArchive(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return bytes.size() == 22 && bytes.compare(0, 4, "PK\x05\x06") == 0 &&
         bytes.find_first_not_of('\0', 4) == std::string::npos;
}

}  // namespace

bool ReadZip(const std::string& hostPath, std::vector<ZipEntry>* entries) {
  entries->clear();
  unzFile zip = unzOpen(hostPath.c_str());
  if (zip == nullptr) return isEmptyArchive(hostPath);
  bool ok = true;
  for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
    ZipEntry entry;
    if (!readCurrentEntry(zip, &entry)) {
      ok = false;
      break;
    }
    entries->push_back(entry);
  }
  unzClose(zip);
  return ok;
}

std::vector<std::string> FolderNames(const std::string& hostFolder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(hostFolder, ec)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void AppTest::SetUp() {
  headless::Reset();
  platform::ResetFaults();
  platform::SetPausesEnabled(false);
}

void AppTest::TearDown() {
  FreeAllImageSlots();
  resetAppState();
  platform::ResetFaults();
  platform::SetPausesEnabled(true);
  delete current_;
}

void AppTest::writeGame(const sample::GameOptions& options) {
  std::string error;
  ASSERT_TRUE(sample::WriteSampleGame(folder_.host(), options, &error)) << error;
}

void AppTest::enter() {
  if (current_ == nullptr) current_ = new ScopedCurrentFolder(folder_.host());
}

void AppTest::launch(const char* settings) {
  if (settings != nullptr) folder_.write("lapbundle.prf", settings);
  enter();
  ASSERT_TRUE(startUp());
  platform::ResetFaults();
  platform::SetPausesEnabled(false);
}

void AppTest::pressAndEnd() {
  headless::PushClick(50);
  headless::PushClick(50);
  runEventLoop();
  EXPECT_FALSE(headless::RanDry());
  EXPECT_EQ(app().actionState, 2);
}
