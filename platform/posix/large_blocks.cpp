// Large blocks straight from the kernel, aligned to 2 MiB and marked for
// transparent huge pages: a full-size screenshot then takes a few dozen page
// faults instead of thousands.
#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

#include "platform/fault_table.h"
#include "platform/platform.h"

namespace platform {

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer the heap's red zones are worth more than the speed.
void* AllocateLargeBlock(std::size_t bytes) {
  return CallFails(Op::kAllocate) ? nullptr : std::calloc(1, bytes);
}
void FreeLargeBlock(void* block, std::size_t) { std::free(block); }
#else
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t RoundUp(std::size_t bytes) { return (bytes + kHugePage - 1) & ~(kHugePage - 1); }

}  // namespace

void* AllocateLargeBlock(std::size_t bytes) {
  if (CallFails(Op::kAllocate) || bytes == 0 || bytes > SIZE_MAX / 2) return nullptr;
  const std::size_t length = RoundUp(bytes);
  const std::size_t span = length + kHugePage;
  void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  // Keep the 2 MiB-aligned part and give the slack on both sides back.
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(std::uintptr_t{kHugePage} - 1);
  if (aligned > start) munmap(raw, aligned - start);
  const std::uintptr_t end = start + span;
  if (end > aligned + length) munmap(reinterpret_cast<void*>(aligned + length), end - aligned - length);
  void* block = reinterpret_cast<void*>(aligned);
  // Advice only: where it fails (no huge pages), the pages come one 4 KiB
  // fault at a time.
  madvise(block, length, MADV_HUGEPAGE);
  return block;
}

void FreeLargeBlock(void* block, std::size_t bytes) {
  if (block != nullptr) munmap(block, RoundUp(bytes));
}
#endif

}  // namespace platform
