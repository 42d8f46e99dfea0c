// Feeds arbitrary bytes to the settings store as a settings file: open, the
// program's nine reads, one write and the write-back at close.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/support.h"
#include "tests/support_settings/program_keys.h"

namespace {

// The program path of a scratch file, made once per process.
const std::string& ScratchPath() {
  static const std::string path = [] {
    const std::filesystem::path host = std::filesystem::temp_directory_path() /
                                       ("lapbundle-settings-fuzz-" + std::to_string(getpid()));
    std::string program = host.string();
    for (char& c : program) {
      if (c == '/') c = '\\';
    }
    return program;
  }();
  return path;
}

std::string HostPath() {
  std::string host = ScratchPath();
  for (char& c : host) {
    if (c == '\\') c = '/';
  }
  return host;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string host = HostPath();
  std::FILE* file = std::fopen(host.c_str(), "wb");
  if (file == nullptr) return 0;
  if (size > 0) std::fwrite(data, 1, size, file);
  std::fclose(file);

  SettingsFile::open(ScratchPath());
  program_keys::ReadAll();
  SettingsFile::writeInt("Track", 0);
  SettingsFile::close();

  std::remove(host.c_str());
  return 0;
}
