// System paths: the arguments, entering a folder, and the program's own
// files in the per-user configuration folder (XDG). All of them stay host
// texts; none passes through the program's text.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/fault_table.h"
#include "platform/platform.h"

namespace platform {
namespace {

// $XDG_CONFIG_HOME when it is an absolute path, otherwise ~/.config; with
// "/lapbundle" appended. Empty when there is no home folder.
std::string ConfigFolder() {
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
      const passwd* user = getpwuid(getuid());
      home = user != nullptr ? user->pw_dir : nullptr;
    }
    if (home == nullptr || home[0] != '/') return std::string();
    base = std::string(home) + "/.config";
  }
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return base + "/lapbundle";
}

// Creates a folder and its missing parents (mode 0700 as the XDG rules ask).
bool MakeFolders(const std::string& host) {
  for (std::size_t slash = host.find('/', 1);; slash = host.find('/', slash + 1)) {
    const std::string part = host.substr(0, slash);
    if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) break;
  }
  struct stat st;
  return stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool WriteAll(int fd, std::string_view bytes) {
  if (CallFails(Op::kWrite)) return false;
  while (!bytes.empty()) {
    const ssize_t n = write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Forces the folder's entries (a rename in it) to the disk. A file system
// that cannot flush a folder (EINVAL) has nothing to wait for.
bool FlushFolder(const std::string& folder) {
  if (CallFails(Op::kFlush)) return false;
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool flushed = fsync(fd) == 0 || errno == EINVAL;
  return close(fd) == 0 && flushed;
}

}  // namespace

std::vector<std::string> SystemArguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

FolderEntry EnterFolder(std::string_view systemPath) {
  const std::string host(systemPath);
  struct stat st;
  if (host.empty() || stat(host.c_str(), &st) != 0) return FolderEntry::kMissing;
  if (!S_ISDIR(st.st_mode)) return FolderEntry::kNotFolder;
  DIR* dir = opendir(host.c_str());
  if (dir == nullptr) return FolderEntry::kUnreadable;
  closedir(dir);
  return chdir(host.c_str()) == 0 ? FolderEntry::kEntered : FolderEntry::kUnreadable;
}

bool ReadUserFile(std::string_view name, std::size_t limit, std::string* contents) {
  const std::string folder = ConfigFolder();
  if (folder.empty() || CallFails(Op::kOpen)) return false;
  const int fd = open((folder + '/' + std::string(name)).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::string bytes(limit, '\0');
  std::size_t done = 0;
  bool ok = !CallFails(Op::kRead);
  while (ok && done < limit) {
    const ssize_t n = read(fd, bytes.data() + done, limit - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  close(fd);
  if (!ok) return false;
  bytes.resize(done);
  *contents = std::move(bytes);
  return true;
}

bool ReplaceUserFile(std::string_view name, std::string_view contents) {
  const std::string folder = ConfigFolder();
  if (folder.empty() || !MakeFolders(folder)) return false;
  const std::string target = folder + '/' + std::string(name);
  const std::string scratch = target + ".new";
  if (CallFails(Op::kOpen)) return false;
  const int fd = open(scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, contents);
  // The new contents reach the disk before the name does, and the name
  // before success is reported.
  const bool flushed = written && !CallFails(Op::kFlush) && fsync(fd) == 0;
  const bool closeFails = CallFails(Op::kClose);
  const bool closed = close(fd) == 0 && !closeFails;
  if (flushed && closed && !CallFails(Op::kRename) &&
      rename(scratch.c_str(), target.c_str()) == 0) {
    return FlushFolder(folder);
  }
  unlink(scratch.c_str());
  return false;
}

}  // namespace platform
