// lapbundle: started in the game folder, packs the newest race into one zip.
#include "core/app.h"

int main() {
  const bool ready = startUp();
  if (ready) runEventLoop();
  // After the fatal stop the settings are left alone.
  return shutDown(!ready);
}
