// lapbundle-check --season: the season file read, every round's proofs
// checked and compared in one run, scored, and reported.
#include <cstdio>
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/platform.h"
#include "season/season.h"

namespace season {
namespace {

// A season file is a page of text; anything larger is refused unread.
constexpr std::int64_t kMaxSeasonFileBytes = 1 << 20;

const char kUsage[] =
    "usage: lapbundle-check --season FILE [--csv FILE] [--html FILE] [--json FILE]\n"
    "                       [--jobs N] [--require PARTS]\n"
    "Scores a season: every round folder the season file names, checked in one run.\n";

struct Arguments {
  std::string season, csv, html, json;
  int jobs = 0;
  CheckOptions options;  // only the --require parts
  bool help = false;
};

std::string Parse(const std::vector<std::string>& args, Arguments* a) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg == "--help" || arg == "-h") {
      a->help = true;
      return std::string();
    }
    if (arg.rfind("--", 0) != 0 || arg == "--") {
      return "no archive or folder is given with --season: the season file names the rounds";
    }
    std::string value;
    const std::size_t eq = arg.find('=');
    if (eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
    } else if (i + 1 < args.size()) {
      value = args[++i];
    }
    if (arg == "--tracks" || arg == "--max-gap" || arg == "--from" || arg == "--to") {
      return arg + " belongs in the season file, not with --season";
    }
    if (arg != "--season" && arg != "--csv" && arg != "--html" && arg != "--json" &&
        arg != "--jobs" && arg != "--require") {
      return "unknown option " + arg;
    }
    if (value.empty()) return arg + " needs a value";
    if (arg == "--season") a->season = value;
    if (arg == "--csv") a->csv = value;
    if (arg == "--html") a->html = value;
    if (arg == "--json") a->json = value;
    if (arg == "--jobs") {
      const std::string problem = check::SetJobs(value, &a->jobs);
      if (!problem.empty()) return problem;
    }
    if (arg == "--require" && !check::SetRequire(value, &a->options)) {
      return "--require takes track, driver and number";
    }
  }
  return std::string();
}

// The season file's text, or why it cannot be read (UTF-8).
std::string ReadSeasonFile(const std::string& path, std::string* text) {
  platform::File* file = platform::OpenFile(path, platform::OpenMode::kReadAny);
  if (file == nullptr) return "cannot read the season file " + platform::DisplayPath(path);
  text->assign(static_cast<std::size_t>(kMaxSeasonFileBytes) + 1, '\0');
  std::size_t got = 0;
  std::int64_t n = 0;
  while (got < text->size() &&
         (n = platform::ReadFile(file, text->data() + got,
                                 static_cast<std::int64_t>(text->size() - got))) > 0) {
    got += static_cast<std::size_t>(n);
  }
  platform::CloseFile(file);
  if (n < 0) return "cannot read the season file " + platform::DisplayPath(path);
  if (got > static_cast<std::size_t>(kMaxSeasonFileBytes)) {
    return platform::DisplayPath(path) + ": larger than a season file can be (1 MiB)";
  }
  text->resize(got);
  return std::string();
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsFolder(const std::string& path) {
  const std::uint32_t a = platform::FileAttributes(path);
  return a != platform::kInvalidAttributes && (a & platform::kAttrDirectory) != 0;
}

// Every round's archives, in season order; a missing folder has none. A
// folder left unsearched adds its line to *unsearched.
void CollectRounds(const Season& s, std::vector<check::FoundArchive>* files,
                   std::vector<ProofPlace>* places, std::vector<std::string>* unsearched) {
  for (std::size_t n = 0; n < s.rounds.size(); ++n) {
    std::string folder = s.rounds[n].folder;
    while (folder.size() > 1 && folder.back() == '\\') folder.pop_back();
    if (!IsFolder(folder)) continue;
    std::vector<check::FoundArchive> found;
    check::CollectArchives(folder, &found, unsearched);
    for (const check::FoundArchive& f : found) {
      std::string relative = f.path;
      if (relative.rfind(folder, 0) == 0) relative.erase(0, folder.size());
      while (!relative.empty() && relative.front() == '\\') relative.erase(0, 1);
      files->push_back(f);
      places->push_back({n, relative});
    }
  }
}

int Refuse(const std::string& utf8) {
  std::fprintf(stderr, "lapbundle-check: %s\n", TerminalText(utf8).c_str());
  return 2;
}

}  // namespace

bool SeasonRequested(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") return false;
    if (arg == "--season" || arg.rfind("--season=", 0) == 0) return true;
  }
  return false;
}

int RunSeason(const std::vector<std::string>& args) {
  Arguments a;
  const std::string problem = Parse(args, &a);
  if (a.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!problem.empty()) {
    std::fprintf(stderr, "lapbundle-check: %s\n%s",
                 TerminalText(platform::Cp1252ToUtf8(problem)).c_str(), kUsage);
    return 2;
  }
  std::string text;
  const std::string unread = ReadSeasonFile(a.season, &text);
  if (!unread.empty()) return Refuse(unread);
  Season s;
  std::string error;
  if (!ParseSeason(text, FolderOf(a.season), &s, &error)) {
    return Refuse(platform::DisplayPath(a.season) + ":" + error);
  }
  if (!s.tracksDir.empty() && !IsFolder(s.tracksDir)) {
    return Refuse(platform::DisplayPath(a.season) +
                  ": tracks: no such folder: " + platform::DisplayPath(s.tracksDir));
  }
  std::vector<check::FoundArchive> files;
  std::vector<ProofPlace> places;
  std::vector<std::string> unsearched;
  CollectRounds(s, &files, &places, &unsearched);
  const std::vector<std::pair<std::string, std::string>> reports = {
      {"--csv", a.csv}, {"--html", a.html}, {"--json", a.json}};
  std::string refused = check::RefuseReports(reports, files);
  for (const auto& [option, path] : reports) {
    if (refused.empty() && !path.empty() && check::SameFile(path, a.season)) {
      refused = option + ": " + platform::DisplayPath(path) + " is the season file";
    }
  }
  if (!refused.empty()) return Refuse(refused);
  const int jobs = check::JobCount(a.jobs);
  // Each round's window; the rest as the season file and --require say.
  std::vector<CheckOptions> options(s.rounds.size(), a.options);
  for (std::size_t n = 0; n < s.rounds.size(); ++n) {
    options[n].tracksDir = s.tracksDir;
    options[n].maxGapSeconds = s.maxGapSeconds;
    options[n].from = s.rounds[n].from;
    options[n].to = s.rounds[n].to;
  }
  std::vector<ProofReport> proofs = check::CheckArchives(
      files, [&](std::size_t i) -> const CheckOptions& { return options[places[i].round]; }, jobs);
  CompareProofs(&proofs, jobs);
  const Standings standings = Score(s, &proofs, places);
  const std::string table = SeasonTerminal(s, standings);
  std::fwrite(table.data(), 1, table.size(), stdout);
  for (const std::string& line : unsearched) std::printf("%s\n", TerminalText(line).c_str());
  std::fflush(stdout);
  int status = unsearched.empty() ? 0 : 1;
  for (std::size_t i = 0; i < proofs.size(); ++i) {
    if (!proofs[i].ok() && !standings.proofs[i].accepted) status = 1;
  }
  const auto write = [&status](const std::string& path, const auto& make) {
    if (!path.empty() && !check::WriteReport(path, make())) status = 1;
  };
  write(a.csv, [&] { return SeasonCsv(s, standings); });
  write(a.json, [&] { return SeasonJson(s, standings, proofs); });
  write(a.html, [&] { return SeasonHtml(s, standings, proofs); });
  return status;
}

}  // namespace season
