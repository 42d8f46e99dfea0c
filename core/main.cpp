// lapbundle: started in the game folder, packs the newest race into one zip.
#include <cstdio>

#include "core/app.h"

int main() {
  const bool ready = startUp();
  if (!ready && !app().startFailure.empty()) {
    // Nothing was shown yet that could tell the user; the exit code and
    // standard error do.
    std::fprintf(stderr, "lapbundle: cannot start: %s\n", app().startFailure.c_str());
    shutDown(true);
    return 1;
  }
  if (ready) runEventLoop();
  // After the fatal stop the settings are left alone.
  return shutDown(!ready);
}
