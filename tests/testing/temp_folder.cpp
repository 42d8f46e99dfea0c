#include "tests/testing/temp_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::string pattern = (fs::temp_directory_path() / "lapbundle-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
  host_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  // Tests may leave read-only folders behind; make them writable first.
  for (auto it = fs::recursive_directory_iterator(host_, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(host_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(host_, ec);
}

std::string TempFolder::program() const {
  std::string p = host_;
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  return p + "\\";
}

std::string TempFolder::hostPath(std::string_view relative) const {
  return host_ + "/" + std::string(relative);
}

std::string TempFolder::programPath(std::string_view relative) const {
  std::string p = program() + std::string(relative);
  for (char& c : p) {
    if (c == '/') c = '\\';
  }
  return p;
}

std::string TempFolder::write(std::string_view relative, std::string_view bytes) const {
  fs::path p = hostPath(relative);
  fs::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return p.string();
}

std::string TempFolder::read(std::string_view relative) const {
  std::ifstream in(hostPath(relative), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool TempFolder::exists(std::string_view relative) const {
  std::error_code ec;
  return fs::exists(hostPath(relative), ec);
}

void TempFolder::makeFolder(std::string_view relative) const {
  fs::create_directories(hostPath(relative));
}

void TempFolder::setTime(std::string_view relative, long long utcSeconds) const {
  struct timespec times[2];
  times[0].tv_sec = static_cast<time_t>(utcSeconds);
  times[0].tv_nsec = 0;
  times[1] = times[0];
  if (utimensat(AT_FDCWD, hostPath(relative).c_str(), times, 0) != 0) {
    ADD_FAILURE() << "utimensat failed for " << relative;
  }
}

ScopedCurrentFolder::ScopedCurrentFolder(const std::string& hostFolder) {
  previous_ = fs::current_path().string();
  fs::current_path(hostFolder);
}

ScopedCurrentFolder::~ScopedCurrentFolder() {
  std::error_code ec;
  fs::current_path(previous_, ec);
}
