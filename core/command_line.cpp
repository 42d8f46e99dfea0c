// The command line and the game folder: which folder the tool starts in, and
// the folder chooser of the desktop entry with the choice kept for next time.
#include <cstdint>
#include <string>
#include <string_view>
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

std::string withBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

bool isFolder(const std::string& path) {
  const std::uint32_t attributes = platform::FileAttributes(path);
  return attributes != platform::kInvalidAttributes && (attributes & platform::kAttrDirectory);
}

// Checks an existing, readable folder and enters it.
FolderOutcome enterChecked(const std::string& folder, std::string* problem) {
  const std::uint32_t attributes = platform::FileAttributes(folder);
  if (attributes == platform::kInvalidAttributes) {
    *problem = platform::HostPath(folder) + ": no such folder";
    return FolderOutcome::kRefused;
  }
  if (!(attributes & platform::kAttrDirectory)) {
    *problem = platform::HostPath(folder) + ": not a folder";
    return FolderOutcome::kRefused;
  }
  platform::Search* search = nullptr;
  platform::FoundEntry entry;
  const platform::SearchStart start =
      platform::StartSearch(withBackslash(folder) + "*", &search, &entry);
  if (search != nullptr) platform::EndSearch(search);
  if (start == platform::SearchStart::kFailed || !platform::EnterFolder(folder)) {
    *problem = platform::HostPath(folder) + ": the folder cannot be read";
    return FolderOutcome::kRefused;
  }
  return FolderOutcome::kReady;
}

// The folder chosen last time, empty when none was kept.
std::string rememberedFolder(const std::string& configFolder) {
  if (configFolder.empty()) return std::string();
  platform::File* file =
      platform::OpenFile(configFolder + kChosenFolderFile, platform::OpenMode::kReadAny);
  if (file == nullptr) return std::string();
  std::string text(4096, '\0');
  const std::int64_t got =
      platform::ReadFile(file, text.data(), static_cast<std::int64_t>(text.size()));
  platform::CloseFile(file);
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return platform::ProgramText(text);
}

// Keeps the chosen folder as the system writes paths (on POSIX UTF-8 with
// slashes), replacing the old choice in one step; a failure only means that
// the next chooser starts elsewhere.
void rememberFolder(const std::string& configFolder, const std::string& folder) {
  if (configFolder.empty()) return;
  const std::string target = configFolder + kChosenFolderFile;
  const std::string scratch = target + ".new";
  const std::string text = platform::HostPath(folder) + "\n";
  platform::File* file = platform::OpenFile(scratch, platform::OpenMode::kCreateWrite);
  if (file == nullptr) return;
  const bool written =
      platform::WriteFile(file, text.data(), static_cast<std::int64_t>(text.size()));
  if (!platform::CloseFile(file) || !written || !platform::ReplaceFileWith(scratch, target)) {
    platform::DeleteFileAt(scratch);
  }
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
    return bad("unknown option " + platform::HostPath(arg));
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
  const std::string config = platform::UserConfigFolder();
  const std::string chosen = ChooseFolder(kChooserTitle, rememberedFolder(config));
  if (chosen.empty()) return FolderOutcome::kCancelled;
  rememberFolder(config, chosen);
  return enterChecked(chosen, problem);
}
