// The one state record of the process.
#include <memory>

#include "core/app.h"

namespace {
AppState state;
}  // namespace

AppState& app() { return state; }

void resetAppState() {
  delete[] state.fileBuffer;
  // Rebuild the record in place: every field back to its initial value,
  // the lists empty, whatever their element storage held before.
  std::destroy_at(&state);
  std::construct_at(&state);
}
