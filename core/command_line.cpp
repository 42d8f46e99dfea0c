// The command line and the game folder: which folder the tool starts in, and
// the folder chooser of the desktop entry with the choice kept for next time.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/app.h"
#include "platform/platform.h"
#include "ui/control_kit.h"

namespace {

// "Choose the Vantor folder", in the language of the tool's other messages.
constexpr const char* kChooserTitle = "Vantor-Verzeichnis w\xE4hlen";

LaunchRequest bad(std::string problem) {
  LaunchRequest request;
  request.kind = LaunchKind::kBadArguments;
  request.problem = std::move(problem);
  return request;
}

bool isFolder(const std::string& path) {
  const std::uint32_t attributes = platform::FileAttributes(path);
  return attributes != platform::kInvalidAttributes && (attributes & platform::kAttrDirectory);
}

// Enters an existing, readable folder, given by its system path.
FolderOutcome enterChecked(const std::string& folder, std::string* problem) {
  switch (platform::EnterFolder(folder)) {
    case platform::FolderEntry::kEntered:
      return FolderOutcome::kReady;
    case platform::FolderEntry::kMissing:
      *problem = folder + ": no such folder";
      break;
    case platform::FolderEntry::kNotFolder:
      *problem = folder + ": not a folder";
      break;
    case platform::FolderEntry::kUnreadable:
      *problem = folder + ": the folder cannot be read";
      break;
  }
  return FolderOutcome::kRefused;
}

// The folder chosen last time as a system path, empty when none was kept.
std::string rememberedFolder() {
  std::string text;
  if (!platform::ReadUserFile(kChosenFolderFile, 4096, &text)) return std::string();
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

// Keeps the chosen folder's system path, replacing the old choice in one
// step; a failure only means that the next chooser starts elsewhere.
void rememberFolder(const std::string& folder) {
  platform::ReplaceUserFile(kChosenFolderFile, folder + "\n");
}

}  // namespace

LaunchRequest parseCommandLine(const std::vector<std::string>& args) {
  LaunchRequest request;
  if (args.empty()) return request;
  if (args.size() > 1) return bad("too many arguments");
  const std::string& arg = args[0];
  if (arg == "--help" || arg == "-h") {
    request.kind = LaunchKind::kHelp;
  } else if (arg == "--version") {
    request.kind = LaunchKind::kVersion;
  } else if (arg == "--choose-folder") {
    request.kind = LaunchKind::kChooseFolder;
  } else if (arg.empty()) {
    return bad("the game folder is empty");
  } else if (arg[0] == '-') {
    return bad("unknown option " + arg);
  } else {
    request.folder = arg;
  }
  return request;
}

FolderOutcome enterGameFolder(const LaunchRequest& request, std::string* problem) {
  if (request.kind == LaunchKind::kStart) {
    return request.folder.empty() ? FolderOutcome::kReady : enterChecked(request.folder, problem);
  }
  if (isFolder(platform::CurrentFolder() + "Saves")) return FolderOutcome::kReady;
  const std::string chosen = ChooseFolder(kChooserTitle, rememberedFolder());
  if (chosen.empty()) return FolderOutcome::kCancelled;
  rememberFolder(chosen);
  return enterChecked(chosen, problem);
}
