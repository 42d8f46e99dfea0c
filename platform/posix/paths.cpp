// Program paths (backslashes, Windows-1252) to host paths (slashes, UTF-8),
// with case-insensitive lookup of components that do not exist as written.
// The current directory is reached by a relative path: its program text is
// only for showing, since a name Windows-1252 cannot hold comes back as
// "?" and would no longer say which folder it was.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/posix_internal.h"

namespace platform {
namespace {

bool Exists(const std::string& hostPath) {
  struct stat st;
  return lstat(hostPath.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `component` ignoring case, or the
// component itself when there is none. An entry whose name has no program
// form is never taken: it could only match through a "?" that stands for
// some other character.
std::string FindComponent(const std::string& folder, const std::string& component) {
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return component;
  std::string wanted = Utf8ToCp1252(component);
  std::string found = component;
  while (struct dirent* entry = readdir(dir)) {
    const std::string name = ProgramText(entry->d_name);
    if (EqualFolded(name, wanted) && HostText(name) == entry->d_name) {
      found = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

// `path` below the current directory as a host path relative to it ("."
// for the directory itself); false when it does not begin with it.
bool BelowCurrentFolder(std::string_view path, std::string* relative) {
  const std::string here = CurrentFolder();
  // The root gains nothing: every absolute path begins with it.
  if (here.size() <= 1) return false;
  const std::string_view folder = std::string_view(here).substr(0, here.size() - 1);
  if (path == folder || path == here) {
    relative->assign(1, '.');
    return true;
  }
  if (!path.starts_with(here)) return false;
  *relative = HostText(path.substr(here.size()));
  return true;
}

}  // namespace

bool EqualFolded(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(static_cast<unsigned char>(a[i])) != FoldCase(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

bool WildcardMatch(std::string_view pattern, std::string_view name) {
  if (pattern == "*.*") pattern = "*";
  // The common form "*.ext": a folded comparison of the name's end.
  if (pattern.size() > 1 && pattern[0] == '*' &&
      pattern.find_first_of("*?", 1) == std::string_view::npos) {
    const std::string_view tail = pattern.substr(1);
    return name.size() >= tail.size() && EqualFolded(name.substr(name.size() - tail.size()), tail);
  }
  std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || FoldCase(static_cast<unsigned char>(pattern[p])) ==
                                         FoldCase(static_cast<unsigned char>(name[n])))) {
      ++p, ++n;
    } else if (starP != std::string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::string HostText(std::string_view programText) {
  std::string host = Cp1252ToUtf8(programText);
  for (char& c : host) {
    if (c == '\\') c = '/';
  }
  return host;
}

std::string ProgramText(std::string_view hostText) {
  std::string text = Utf8ToCp1252(hostText);
  for (char& c : text) {
    if (c == '/') c = '\\';
  }
  return text;
}

std::string HostPath(std::string_view path) {
  std::string host;
  if (!BelowCurrentFolder(path, &host)) host = HostText(path);
  if (host.empty() || Exists(host)) return host;

  // Walk the components; replace each missing one by a differently cased
  // entry of its folder. Once a component is missing altogether the rest
  // cannot exist either, so it is kept as written.
  std::string resolved = host[0] == '/' ? "/" : "";
  std::size_t start = host[0] == '/' ? 1 : 0;
  bool missing = false;
  while (start <= host.size()) {
    std::size_t end = host.find('/', start);
    if (end == std::string::npos) end = host.size();
    std::string component = host.substr(start, end - start);
    std::string candidate = resolved + component;
    if (!missing && !component.empty() && component != "." && component != ".." &&
        !Exists(candidate)) {
      std::string folder = resolved.empty() ? "." : resolved;
      std::string match = FindComponent(folder, component);
      candidate = resolved + match;
      missing = match == component;
    }
    resolved = candidate;
    if (end < host.size()) resolved += '/';
    start = end + 1;
  }
  return resolved;
}

std::string CurrentFolder() {
  std::vector<char> buffer(PATH_MAX + 1);
  if (getcwd(buffer.data(), buffer.size()) == nullptr) return std::string();
  std::string folder = ProgramText(buffer.data());
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

}  // namespace platform
