// Large blocks straight from the system's virtual memory.
#include "platform/fault_table.h"
#include "platform/win32/win32_internal.h"

namespace platform {

void* AllocateLargeBlock(std::size_t bytes) {
  if (CallFails(Op::kAllocate) || bytes == 0) return nullptr;
  return VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

void FreeLargeBlock(void* block, std::size_t) {
  if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace platform
