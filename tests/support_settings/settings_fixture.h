// Shared set-up of the settings store tests: a temporary folder holding one
// settings file, and a way to ask whether another process may lock it.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "support/support.h"
#include "tests/support_settings/program_keys.h"
#include "tests/testing/temp_folder.h"

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::ResetFaults(); }
  void TearDown() override {
    SettingsFile::close();
    platform::ResetFaults();
  }

  // Writes the settings file and opens it; returns the result of open.
  int openWith(std::string_view bytes) {
    dir.write(kName, bytes);
    return SettingsFile::open(path());
  }
  std::string path() const { return dir.programPath(kName); }
  std::string onDisk() const { return dir.read(kName); }

  // True when a separate process can take a write lock on the file now.
  bool otherProcessCanLock() const {
    const std::string host = dir.hostPath(kName);
    const pid_t child = fork();
    if (child == 0) {
      const int fd = ::open(host.c_str(), O_RDWR);
      struct flock lock = {};
      lock.l_type = F_WRLCK;
      lock.l_whence = SEEK_SET;
      _exit(fd >= 0 && fcntl(fd, F_SETLK, &lock) == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  static constexpr std::string_view kName = "lapbundle.prf";
  TempFolder dir;
};
