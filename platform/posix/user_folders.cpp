// Entering a folder and the per-user configuration folder (XDG).
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace platform {
namespace {

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

}  // namespace

bool EnterFolder(std::string_view path) {
  const std::string host = HostPath(path);
  struct stat st;
  if (host.empty() || stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  return chdir(host.c_str()) == 0;
}

std::string UserConfigFolder() {
  // $XDG_CONFIG_HOME when it is an absolute path, otherwise ~/.config.
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
  const std::string folder = base + "/lapbundle";
  if (!MakeFolders(folder)) return std::string();
  return ProgramText(folder) + '\\';
}

}  // namespace platform
