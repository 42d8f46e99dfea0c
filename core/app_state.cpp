// The one state record of the process and its file buffer.
#include <memory>

#include "core/app.h"

namespace {
AppState state;
}  // namespace

AppState& app() { return state; }

void resetAppState() {
  platform::FreeLargeBlock(state.fileBuffer, kFileBufferSize);
  // Rebuild the record in place: every field back to its initial value,
  // the lists empty, whatever their element storage held before.
  std::destroy_at(&state);
  std::construct_at(&state);
}

bool allocateFileBuffer() {
  // Zero-filled, so that reader positions past the bytes of a short file read as 0.
  state.fileBuffer = static_cast<std::uint8_t*>(platform::AllocateLargeBlock(kFileBufferSize));
  state.fileLength = kFileBufferSize;
  return state.fileBuffer != nullptr;
}
