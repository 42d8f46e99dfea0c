// The program lapbundle-check: arguments, the archives they name, the
// checks in parallel and the reports.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "check/check.h"
#include "check/check_internal.h"
#include "platform/console.h"
#include "platform/platform.h"

using check::CollectArchives;
using check::SamePathKey;
using check::SetRequire;
using check::WriteText;

namespace {

constexpr char kReportName[] = "lapbundle-report.html";

const char kUsage[] =
    "usage: lapbundle-check [--tracks DIR] [--csv FILE] [--html FILE] [--json FILE]\n"
    "                       [--jobs N] [--require PARTS] [--max-gap DURATION]\n"
    "                       [--from DATE] [--to DATE] PATH...\n"
    "Checks proof archives (.zip files, or folders searched for them).\n";

struct Arguments {
  CheckOptions options;
  std::string csv, html, json;
  int jobs = 0;
  std::vector<std::string> paths;
  bool help = false;
};

bool IsFolder(const std::string& path) {
  const std::uint32_t a = platform::FileAttributes(path);
  return a != platform::kInvalidAttributes && (a & platform::kAttrDirectory) != 0;
}

}  // namespace

bool check::SetRequire(const std::string& list, CheckOptions* o) {
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    const std::string part = list.substr(start, end - start);
    if (part == "track") {
      o->requireTrack = true;
    } else if (part == "driver") {
      o->requireDriver = true;
    } else if (part == "number") {
      o->requireNumber = true;
    } else {
      return false;
    }
    start = end + 1;
  }
  return true;
}

namespace {

// An empty text when the arguments are usable, otherwise what is wrong.
std::string Parse(const std::vector<std::string>& args, Arguments* a) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg == "--help" || arg == "-h") {
      a->help = true;
      return std::string();
    }
    if (arg == "--") {
      a->paths.insert(a->paths.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                      args.end());
      break;
    }
    if (arg.rfind("--", 0) != 0) {
      a->paths.push_back(arg);
      continue;
    }
    std::string value;
    const std::size_t eq = arg.find('=');
    if (eq != std::string::npos) {
      value = arg.substr(eq + 1);
      arg.resize(eq);
    } else if (arg == "--tracks" || arg == "--csv" || arg == "--html" || arg == "--json" ||
               arg == "--jobs" || arg == "--require" || arg == "--max-gap" || arg == "--from" ||
               arg == "--to") {
      if (i + 1 >= args.size()) return arg + " needs a value";
      value = args[++i];
    } else {
      return "unknown option " + arg;
    }
    if (value.empty()) return arg + " needs a value";
    if (arg == "--tracks") {
      if (!IsFolder(value)) return "--tracks: no such folder: " + value;
      a->options.tracksDir = value;
    } else if (arg == "--csv") {
      a->csv = value;
    } else if (arg == "--html") {
      a->html = value;
    } else if (arg == "--json") {
      a->json = value;
    } else if (arg == "--jobs") {
      const std::string problem = check::SetJobs(value, &a->jobs);
      if (!problem.empty()) return problem;
    } else if (arg == "--require") {
      if (!SetRequire(value, &a->options)) return "--require takes track, driver and number";
    } else if (arg == "--max-gap") {
      if (!ParseDuration(value, &a->options.maxGapSeconds)) {
        return "--max-gap needs a whole number of minutes, hours or days (90m, 2h, 1d), or 0";
      }
    } else if (arg == "--from" || arg == "--to") {
      WallTime& end = arg == "--from" ? a->options.from : a->options.to;
      if (!ParseWindowEnd(value, arg == "--to", &end)) {
        return arg + " needs a date such as 2026-11-01 or 2026-11-01T18:00 (years 1980 to 2107)";
      }
    } else {
      return "unknown option " + arg;
    }
  }
  if (a->options.from.valid && a->options.to.valid &&
      SecondsOf(a->options.from) > SecondsOf(a->options.to)) {
    return "--from is later than --to";
  }
  if (a->paths.empty()) return "no archive or folder given";
  for (const std::string& p : a->paths) {
    if (platform::FileAttributes(p) == platform::kInvalidAttributes) {
      return "no such file or folder: " + p;
    }
  }
  return std::string();
}

// A message for the terminal: UTF-8, control characters made visible.
std::string Shown(const std::string& cp1252) {
  return TerminalText(platform::Cp1252ToUtf8(cp1252));
}

std::string FileNameOf(const std::string& path) {
  const std::size_t slash = path.find_last_of("\\/");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::vector<ProofReport> check::CheckArchives(
    const std::vector<FoundArchive>& files,
    const std::function<const CheckOptions&(std::size_t)>& optionsOf, int jobs) {
  std::vector<ProofReport> reports(files.size());
  check::InParallel(
      files.size(), jobs,
      [&](std::size_t i) {
        if (!files[i].reachable && files[i].systemPath.empty()) {
          reports[i].file = files[i].path;
          reports[i].problems.push_back("cannot be opened by its name");
          return;
        }
        ArchiveSource source;
        source.path = files[i].path;
        source.systemPath = files[i].systemPath;
        reports[i] = CheckProof(source, FileNameOf(files[i].path), optionsOf(i));
        if (!files[i].shown.empty() && files[i].shown != platform::DisplayPath(files[i].path)) {
          reports[i].shownFile = files[i].shown;
        }
      },
      true);
  return reports;
}

std::string check::SetJobs(const std::string& value, int* jobs) {
  constexpr int kMaxJobs = 64;
  char* end = nullptr;
  const long n = std::strtol(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0' || n < 1 || n > kMaxJobs) {
    return "--jobs needs a number from 1 to " + std::to_string(kMaxJobs);
  }
  *jobs = static_cast<int>(n);
  return std::string();
}

int check::JobCount(int asked) {
  const unsigned cores = std::thread::hardware_concurrency();
  return asked > 0 ? asked : static_cast<int>(cores > 0 ? cores : 1);
}

bool check::WriteReport(const std::string& path, const std::string& text) {
  if (WriteText(path, text)) return true;
  std::fprintf(stderr, "lapbundle-check: cannot write %s\n",
               TerminalText(platform::DisplayPath(path)).c_str());
  return false;
}

// Writes the report under a new temporary name beside it, then renames it
// into place: a failed run never leaves half a report.
bool check::WriteText(const std::string& path, const std::string& text) {
  std::string temporary;
  platform::File* file = nullptr;
  for (int i = 0; i < 100 && file == nullptr; ++i) {
    temporary = path + ".part" + std::to_string(i);
    file = platform::OpenFile(temporary, platform::OpenMode::kCreateNew);
  }
  if (file == nullptr) return false;
  const bool written =
      platform::WriteFile(file, text.data(), static_cast<std::int64_t>(text.size()));
  if (platform::CloseFile(file) && written && platform::ReplaceFileWith(temporary, path)) {
    return true;
  }
  platform::DeleteFileAt(temporary);
  return false;
}

namespace {

std::string FolderOf(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '\\') p.pop_back();
  const std::size_t slash = p.rfind('\\');
  return slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
}

}  // namespace

int RunCheck(const std::vector<std::string>& args, bool explorerDrop, std::string* reportPath) {
  Arguments a;
  const std::string problem = Parse(args, &a);
  if (a.help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (!problem.empty()) {
    std::fprintf(stderr, "lapbundle-check: %s\n%s", Shown(problem).c_str(), kUsage);
    return 2;
  }
  if (explorerDrop && a.html.empty()) a.html = FolderOf(a.paths.front()) + kReportName;
  // Every archive once, in the order first reached: by the file a path
  // reaches (links and other spellings of one path are one archive), or by
  // the path where the file cannot be told.
  std::vector<check::FoundArchive> files;
  std::set<std::string> seen;
  const auto firstTime = [&seen](const check::FoundArchive& f) {
    std::string identity;
    if (!f.systemPath.empty()) {
      if (platform::SystemFileIdentity(f.systemPath, &identity)) {
        return seen.insert("file " + identity).second;
      }
      return seen.insert("system " + f.systemPath).second;
    }
    if (!f.reachable) return true;
    if (platform::FileIdentity(f.path, &identity)) return seen.insert("file " + identity).second;
    return seen.insert("path " + SamePathKey(f.path, false)).second;
  };
  std::string refused;
  std::vector<std::string> unsearched;
  for (const std::string& p : a.paths) {
    std::vector<check::FoundArchive> found;
    const std::size_t unsearchedBefore = unsearched.size();
    if (IsFolder(p)) {
      CollectArchives(p, &found, &unsearched);
    } else {
      found.push_back({p, true});
    }
    if (found.empty() && unsearched.size() == unsearchedBefore && refused.empty()) {
      refused = "no archive in " + platform::DisplayPath(p);
    }
    for (const check::FoundArchive& f : found) {
      if (firstTime(f)) files.push_back(f);
    }
  }
  if (refused.empty()) {
    refused = check::RefuseReports({{"--csv", a.csv}, {"--html", a.html}, {"--json", a.json}}, files);
  }
  if (!refused.empty()) {
    std::fprintf(stderr, "lapbundle-check: %s\n", TerminalText(refused).c_str());
    return 2;
  }
  const int jobs = check::JobCount(a.jobs);
  std::vector<ProofReport> reports = check::CheckArchives(
      files, [&a](std::size_t) -> const CheckOptions& { return a.options; }, jobs);
  CompareProofs(&reports, jobs);
  const std::string table = TerminalTable(reports);
  std::fwrite(table.data(), 1, table.size(), stdout);
  for (const std::string& line : unsearched) std::printf("%s\n", TerminalText(line).c_str());
  std::fflush(stdout);
  int status = unsearched.empty() && std::all_of(reports.begin(), reports.end(),
                                                 [](const ProofReport& r) { return r.ok(); })
                   ? 0
                   : 1;
  // Each report asked for, made only then.
  const auto write = [&status](const std::string& path, const auto& make) {
    if (path.empty()) return false;
    if (check::WriteReport(path, make())) return true;
    status = 1;
    return false;
  };
  write(a.csv, [&] { return CsvReport(reports); });
  write(a.json, [&] { return JsonReport(reports, a.options); });
  if (write(a.html, [&] { return HtmlReport(reports); }) && reportPath != nullptr) {
    *reportPath = a.html;
  }
  return status;
}
