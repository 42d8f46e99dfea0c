// lapbundle-bench flush FOLDER [MEGABYTES]: the wall-clock time the archive's
// final step takes with its flushes: a freshly written file of MEGABYTES
// (100 by default) of incompressible bytes is renamed over an earlier one
// by ReplaceFileWith, which first forces it to the disk and then the
// folder's entry. Waiting for the disk costs no processor time, so this is
// the stretch during which the window is not served.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/stages.h"
#include "platform/platform.h"

namespace {

// The longest stretch between two servings of the windows, wall clock.
std::chrono::steady_clock::time_point lastServed;
double longestGapMs = 0;

void RecordServing(int /*milliseconds*/) {
  const auto now = std::chrono::steady_clock::now();
  const double gap = std::chrono::duration<double, std::milli>(now - lastServed).count();
  if (gap > longestGapMs) longestGapMs = gap;
  lastServed = now;
}

bool WriteFileOf(const std::string& path, long long megabytes) {
  platform::File* file = platform::OpenFile(path, platform::OpenMode::kCreateFresh);
  if (file == nullptr) return false;
  std::mt19937_64 random(42);
  std::vector<std::uint64_t> chunk((1u << 20) / sizeof(std::uint64_t));
  bool ok = true;
  for (long long i = 0; ok && i < megabytes; ++i) {
    for (auto& word : chunk) word = random();
    ok = platform::WriteFile(file, chunk.data(), 1 << 20);
  }
  return platform::CloseFile(file) && ok;
}

int RunFlush(int argc, char** argv) {
  if (argc < 1) return 2;
  const std::string folder = ProgramPath(argv[0]) + "\\";
  const long long megabytes = argc >= 2 ? std::atoll(argv[1]) : 100;
  const std::string temporary = folder + "~lapbundle.tmp";
  const std::string archive = folder + "flush.zip";
  if (!WriteFileOf(archive, 1)) return 1;
  for (int round = 0; round < 3; ++round) {
    if (!WriteFileOf(temporary, megabytes)) return 1;
    const auto start = std::chrono::steady_clock::now();
    platform::SetPauseHandler(RecordServing);
    lastServed = start;
    longestGapMs = 0;
    const bool replaced = platform::ReplaceFileWith(temporary, archive);
    RecordServing(0);
    platform::SetPauseHandler(nullptr);
    const auto ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!replaced) return 1;
    std::printf("replace with flushes, %lld MB: %.1f ms, longest gap between servings %.1f ms\n",
                megabytes, ms, longestGapMs);
  }
  platform::DeleteFileAt(archive);
  return 0;
}

BenchStage stage("flush", "FOLDER [MEGABYTES]", RunFlush);

}  // namespace
