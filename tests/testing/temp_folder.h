// A fresh folder for one test, removed with everything in it at the end.
#pragma once

#include <string>
#include <string_view>

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder as a host path ("/tmp/lapbundle-test-XXXXXX", no trailing "/").
  const std::string& host() const { return host_; }
  // The folder as a program path (backslashes, one trailing "\").
  std::string program() const;
  // Host path of a name inside the folder ("a/b.txt").
  std::string hostPath(std::string_view relative) const;
  // Program path of a name inside the folder ("a\b.txt").
  std::string programPath(std::string_view relative) const;

  // Writes a file (creating parent folders); returns its host path.
  std::string write(std::string_view relative, std::string_view bytes) const;
  // Whole contents of a file, empty if missing.
  std::string read(std::string_view relative) const;
  bool exists(std::string_view relative) const;
  void makeFolder(std::string_view relative) const;
  // Sets a file's modification time (seconds since 1970 UTC).
  void setTime(std::string_view relative, long long utcSeconds) const;

 private:
  std::string host_;
};

// Changes the current directory for the lifetime of the object.
class ScopedCurrentFolder {
 public:
  explicit ScopedCurrentFolder(const std::string& hostFolder);
  ~ScopedCurrentFolder();
  ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
  ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;

 private:
  std::string previous_;
};
