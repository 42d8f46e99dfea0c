// lapbundle: started in the game folder, packs the newest race into one zip.
#include <cstdlib>

#include "core/app.h"

int main() {
  // LAPBUNDLE_TRACE_STARTUP=1 times the start-up steps on stderr.
  const char* trace = std::getenv("LAPBUNDLE_TRACE_STARTUP");
  setStartupTrace(trace != nullptr && trace[0] == '1');
  const bool ready = startUp();
  if (ready) runEventLoop();
  // After the fatal stop the settings are left alone.
  return shutDown(!ready);
}
