// The checker's work spread over threads.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "check/check_internal.h"
#include "platform/console.h"

namespace check {

void InParallel(std::size_t count, int jobs, const std::function<void(std::size_t)>& work,
                bool progress) {
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> done{0};
  const auto loop = [&] {
    for (std::size_t i = next++; i < count; i = next++) {
      work(i);
      ++done;
    }
  };
  const int threads = std::max(1, static_cast<int>(std::min<std::size_t>(
                                      count, static_cast<std::size_t>(std::max(jobs, 1)))));
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) workers.emplace_back(loop);
  // The calling thread shows progress while it waits.
  const bool shown = progress && platform::StandardErrorIsTerminal();
  const auto start = std::chrono::steady_clock::now();
  bool written = false;
  while (shown && done < count) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(1)) {
      std::fprintf(stderr, "\rchecked %zu of %zu", done.load(), count);
      written = true;
    }
  }
  for (std::thread& t : workers) t.join();
  if (written) std::fprintf(stderr, "\r%*s\r", 40, "");
}

}  // namespace check
