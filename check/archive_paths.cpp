// The archives the paths on the command line name or hold, and the paths a
// report may not be written to.
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "check/check_internal.h"
#include "platform/console.h"
#include "platform/platform.h"

namespace check {
namespace {

// Folders deeper than this are left unsearched (and said so): links are
// not followed, but a folder mounted inside itself would be endless.
constexpr int kMaxFolderDepth = 4096;

// The entries of the folder at a system path in name order, "." and ".."
// left out; false when it cannot be listed.
bool ListFolder(const std::string& systemFolder, std::vector<platform::FoundEntry>* found) {
  platform::Search* search = nullptr;
  platform::FoundEntry entry;
  const platform::SearchStart start = platform::StartFolderSearch(systemFolder, &search, &entry);
  if (start == platform::SearchStart::kFailed) return false;
  if (start == platform::SearchStart::kFound) {
    do {
      if (entry.systemName != "." && entry.systemName != "..") found->push_back(entry);
    } while (platform::ContinueSearch(search, &entry));
    platform::EndSearch(search);
  }
  // Names that differ only where the program's text shows "?" are ordered
  // by the system's names.
  std::sort(found->begin(), found->end(), [](const auto& x, const auto& y) {
    return x.name != y.name ? x.name < y.name : x.systemName < y.systemName;
  });
  return true;
}

// A name as the system gave it, for a UTF-8 report: its valid UTF-8 as it
// is, every other byte as "\\xNN".
std::string ShownName(const std::string& systemName) {
  std::string shown;
  for (std::size_t i = 0; i < systemName.size();) {
    const auto c = static_cast<unsigned char>(systemName[i]);
    const std::size_t length = c < 0x80          ? 1
                               : (c >> 5) == 6  ? 2
                               : (c >> 4) == 14 ? 3
                               : (c >> 3) == 30 ? 4
                                                : 0;
    bool valid = length > 0 && i + length <= systemName.size();
    for (std::size_t k = 1; valid && k < length; ++k) {
      valid = (static_cast<unsigned char>(systemName[i + k]) & 0xC0) == 0x80;
    }
    // No overlong forms, surrogates or values past U+10FFFF.
    if (valid && length > 1) {
      const auto d = static_cast<unsigned char>(systemName[i + 1]);
      valid = !(c == 0xC0 || c == 0xC1 || (c == 0xE0 && d < 0xA0) || (c == 0xED && d >= 0xA0) ||
                (c == 0xF0 && d < 0x90) || (c == 0xF4 && d >= 0x90) || c > 0xF4);
    }
    if (valid) {
      shown.append(systemName, i, length);
      i += length;
    } else {
      static const char kHex[] = "0123456789ABCDEF";
      shown += {'\\', 'x', kHex[c >> 4], kHex[c & 15]};
      ++i;
    }
  }
  return shown;
}

// The archives of a folder and its subfolders, in name order per folder,
// each subfolder's where its name falls. Every entry is reached by the
// name the system gave, so that names the program's text cannot hold are
// searched and opened too. Links to folders are not followed: a link to a
// parent would make the search endless, and the archives it reaches are
// found by their own path. The work is a stack, not a recursion, so that
// any depth fits.
void CollectFolder(const std::string& folder, std::vector<FoundArchive>* out,
                   std::vector<std::string>* unsearched) {
  struct Item {
    FoundArchive where;  // program path, system path, as shown
    bool folder;
    int depth;
  };
  std::string root = folder;
  if (root.empty() || root.back() != '\\') root += '\\';
  std::vector<Item> stack = {
      {{root, true, platform::SystemPathOf(root), platform::DisplayPath(root)}, true, 0}};
  const std::string separator = platform::DisplayPath("\\");
  while (!stack.empty()) {
    Item item = std::move(stack.back());
    stack.pop_back();
    if (!item.folder) {
      out->push_back(std::move(item.where));
      continue;
    }
    std::vector<platform::FoundEntry> found;
    const char* reason = item.depth > kMaxFolderDepth                 ? "deeper than 4096 folders"
                         : !ListFolder(item.where.systemPath, &found) ? "unreadable"
                                                                      : nullptr;
    if (reason != nullptr) {
      std::string shown = item.where.shown;
      if (shown.size() > separator.size() && shown.ends_with(separator)) {
        shown.resize(shown.size() - separator.size());
      }
      unsearched->push_back("folder not searched: " + shown + " (" + reason + ")");
      continue;
    }
    for (auto e = found.rbegin(); e != found.rend(); ++e) {
      FoundArchive child{item.where.path + e->name, true,
                         platform::SystemPathIn(item.where.systemPath, e->systemName),
                         item.where.shown + ShownName(e->systemName)};
      // A name holding "\\" has no program path at all.
      child.reachable = item.where.reachable && e->name.find('\\') == std::string::npos;
      if ((e->attributes & platform::kAttrDirectory) != 0) {
        if (e->link) continue;
        child.path += '\\';
        child.shown += separator;
        stack.push_back({std::move(child), true, item.depth + 1});
      } else if (e->name.size() > 4 && AsciiLower(e->name.substr(e->name.size() - 4)) == ".zip") {
        stack.push_back({std::move(child), false, item.depth});
      }
    }
  }
}

// True when the file exists and is a zip archive by its name or its first bytes.
bool IsZipFile(const std::string& path) {
  const std::uint32_t a = platform::FileAttributes(path);
  if (a == platform::kInvalidAttributes || (a & platform::kAttrDirectory) != 0) return false;
  if (path.size() >= 4 && AsciiLower(path.substr(path.size() - 4)) == ".zip") return true;
  platform::File* file = platform::OpenFile(path, platform::OpenMode::kReadAny);
  if (file == nullptr) return false;
  char head[4] = {};
  const bool read = platform::ReadFile(file, head, 4) == 4;
  platform::CloseFile(file);
  return read && head[0] == 'P' && head[1] == 'K' &&
         ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6));
}

}  // namespace

void CollectArchives(const std::string& folder, std::vector<FoundArchive>* out,
                     std::vector<std::string>* unsearched) {
  CollectFolder(folder, out, unsearched);
}

// The path as one text per file: separators doubled or at the end, and
// "." parts, dropped; with foldCase, ASCII letters in one case.
std::string SamePathKey(const std::string& path, bool foldCase) {
  std::string key;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    const std::string part = path.substr(start, end - start);
    if (!(part.empty() && start > 0) && part != ".") {
      if (!key.empty() || start > 0) key += '\\';
      key += foldCase ? AsciiLower(part) : part;
    }
    start = end + 1;
  }
  return key;
}

namespace {

// The path as the system reaches it from the current folder: absolute,
// "." and ".." parts resolved by their text, letters in one case (as
// Windows compares names; on other systems this may join two files, which
// only ever refuses a report path too many).
std::string AbsolutePathKey(const std::string& path) {
  const bool absolute = (!path.empty() && path[0] == '\\') || (path.size() >= 2 && path[1] == ':');
  const std::string full = absolute ? path : platform::CurrentFolder() + path;
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= full.size()) {
    std::size_t end = full.find('\\', start);
    if (end == std::string::npos) end = full.size();
    std::string part = full.substr(start, end - start);
    const bool drive = parts.size() == 1 && parts[0].size() == 2 && parts[0][1] == ':';
    if (part == "..") {
      if (!parts.empty() && !drive) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      for (char& c : part) c = static_cast<char>(platform::FoldCase(static_cast<unsigned char>(c)));
      parts.push_back(std::move(part));
    }
    start = end + 1;
  }
  std::string key = full.empty() || full[0] != '\\' ? std::string() : std::string("\\");
  for (std::size_t i = 0; i < parts.size(); ++i) key += (i > 0 ? "\\" : "") + parts[i];
  return key;
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b) {
  std::string x, y;
  if (platform::FileIdentity(a, &x) && platform::FileIdentity(b, &y)) return x == y;
  return AbsolutePathKey(a) == AbsolutePathKey(b);
}

// An empty text when `report` may be written, otherwise why not (UTF-8): a
// report never replaces an archive, whether it is being checked or not.
std::string RefuseReport(const std::string& option, const std::string& report,
                         const std::vector<FoundArchive>& files) {
  if (report.empty()) return std::string();
  std::string reportIdentity, identity;
  const bool exists = platform::FileIdentity(report, &reportIdentity);
  for (const FoundArchive& f : files) {
    const bool known = f.systemPath.empty() ? platform::FileIdentity(f.path, &identity)
                                            : platform::SystemFileIdentity(f.systemPath, &identity);
    if (exists && known ? identity == reportIdentity
                        : AbsolutePathKey(f.path) == AbsolutePathKey(report)) {
      return option + ": " + platform::DisplayPath(report) + " is one of the archives to check";
    }
  }
  if (IsZipFile(report)) return option + ": " + platform::DisplayPath(report) + " is a zip archive";
  return std::string();
}

std::string RefuseReports(const std::vector<std::pair<std::string, std::string>>& reports,
                          const std::vector<FoundArchive>& files) {
  // Two reports on one path would leave only the last one written.
  for (std::size_t i = 0; i < reports.size(); ++i) {
    if (reports[i].second.empty()) continue;
    for (std::size_t j = 0; j < i; ++j) {
      if (!reports[j].second.empty() && SameFile(reports[i].second, reports[j].second)) {
        return reports[i].first + ": " + platform::DisplayPath(reports[i].second) +
               " is also the " + reports[j].first + " report";
      }
    }
  }
  for (const auto& [option, path] : reports) {
    const std::string refused = RefuseReport(option, path, files);
    if (!refused.empty()) return refused;
  }
  return std::string();
}

}  // namespace check
