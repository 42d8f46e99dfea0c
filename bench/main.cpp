// lapbundle-bench STAGE ARGS...: runs one stage of the program as a whole
// process. Each stage registers itself from its own file.
#include <cstdio>
#include <cstring>

#include "bench/stages.h"
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
