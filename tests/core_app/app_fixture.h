// A sample game folder as the current folder, a fresh headless control kit
// and a clean fault table for every test of the application core.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/testing/temp_folder.h"
#include "tools/sample_game.h"

// One entry of an archive as an independent reader sees it.
struct ZipEntry {
  std::string name;
  std::string data;
};

// Reads every entry of an archive, checking each entry's CRC. False when the
// file is not a readable, intact archive.
bool ReadZip(const std::string& hostPath, std::vector<ZipEntry>* entries);

// The names of the files in a folder, sorted; empty when it is missing.
std::vector<std::string> FolderNames(const std::string& hostFolder);

// The settings file a first run writes with the defaults.
extern const char kDefaultSettings[];

class AppTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the sample game into the folder; the test fails if it cannot.
  void writeGame(const sample::GameOptions& options = {});
  // Makes the folder the current one (for the rest of the test).
  void enter();
  // Starts in the folder as it is (writing `settings` first, when given),
  // with a clean fault table; pauses are counted, not waited.
  void launch(const char* settings = nullptr);
  // Presses the button, then presses it again to end the loop, which must
  // end on that press with the action done.
  void pressAndEnd();
  // Host path of a file in the zip folder.
  std::string zipPath(const std::string& name) const { return folder_.hostPath("zip/" + name); }

  TempFolder folder_;

 private:
  ScopedCurrentFolder* current_ = nullptr;
};
