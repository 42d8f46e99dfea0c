// The fault table behind platform::FailNthCall, shared by the backends.
#pragma once

#include "platform/platform.h"

namespace platform {

// Counts one call of `op`; true when the tests asked this call to fail.
bool CallFails(Op op);
// Whether PauseMs really sleeps.
bool PausesEnabled();
// Adds to the milliseconds counted by PausedMs.
void CountPause(int milliseconds);

}  // namespace platform
