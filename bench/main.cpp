// lapbundle-bench STAGE ARGS...: runs one stage of the program as a whole
// process. Each stage registers itself from its own file.
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

#include "bench/stages.h"
#include "core/app.h"
#include "platform/platform.h"

namespace {
constexpr int kMaxStages = 32;
BenchStage* stages[kMaxStages];
int stageCount = 0;
}  // namespace

BenchStage::BenchStage(const char* stageName, const char* stageUsage, int (*stageRun)(int, char**))
    : name(stageName), usage(stageUsage), run(stageRun) {
  if (stageCount < kMaxStages) stages[stageCount++] = this;
}

std::string ProgramPath(const char* hostPath) {
  std::string path = platform::Utf8ToCp1252(hostPath);
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

bool FindRaceWithoutWindow(const char* gameFolder) {
  std::error_code ec;
  std::filesystem::current_path(gameFolder, ec);
  if (ec) {
    std::fprintf(stderr, "cannot enter %s\n", gameFolder);
    return false;
  }
  resetAppState();
  AppState& s = app();
  if (!allocateFileBuffer()) return false;
  s.workDir = platform::CurrentFolder();
  readSettings();
  if (!findNewestSave()) {
    std::fprintf(stderr, "no Saves folder in %s\n", gameFolder);
    return false;
  }
  MakeDirectory(s.workDir + "zip");
  readTrackFile();
  findNewestScreenshot();
  setTrackName();
  computeTimeOrSpeed();
  composeArchiveName();
  return true;
}

int main(int argc, char** argv) {
  if (argc >= 2) {
    for (int i = 0; i < stageCount; ++i) {
      if (std::strcmp(argv[1], stages[i]->name) == 0) return stages[i]->run(argc - 2, argv + 2);
    }
  }
  std::fprintf(stderr, "usage: lapbundle-bench STAGE ARGS...\n");
  for (int i = 0; i < stageCount; ++i) {
    std::fprintf(stderr, "  %s %s\n", stages[i]->name, stages[i]->usage);
  }
  return 2;
}
