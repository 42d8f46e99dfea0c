// A scratch file for fuzz targets that hand their input to code which reads
// files: one per process and name, in the temporary folder, removed at exit.
#pragma once

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

class ScratchFile {
 public:
  explicit ScratchFile(const std::string& name)
      : host_((std::filesystem::temp_directory_path() /
               ("lapbundle-fuzz-" + std::to_string(getpid()) + "-" + name))
                  .string()),
        program_(host_) {
    for (char& c : program_) {
      if (c == '/') c = '\\';
    }
  }
  ~ScratchFile() {
    std::error_code ec;
    std::filesystem::remove(host_, ec);
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // Replaces the file's contents; false when it cannot be written.
  bool write(const std::uint8_t* data, std::size_t size) const {
    std::FILE* file = std::fopen(host_.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
  }
  void remove() const { std::remove(host_.c_str()); }

  const std::string& host() const { return host_; }
  // The same file as a program path (backslashes).
  const std::string& program() const { return program_; }

 private:
  std::string host_;
  std::string program_;
};
