// The fault table behind platform::FailNthCall, shared by the backends.
#pragma once

#include "platform/platform.h"

namespace platform {

// Counts one call of `op`; true when the tests asked this call to fail.
bool CallFails(Op op);
// Sleeps the calling thread (each backend's own call); PauseMs decides
// whether and how long.
void SleepMs(int milliseconds);

}  // namespace platform
