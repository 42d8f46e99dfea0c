// preview IN.bmp OUT.ppm: the window's preview as the program makes it at
// start-up: load the screenshot into slot 2, copy it into slot 3, stretch the
// copy smoothly to 800 x 600, then write slot 3 as a binary PPM.
#include <cstdio>
#include <string>
#include <vector>

#include "bench/stages.h"
#include "imaging/image_store.h"
#include "platform/platform.h"

namespace {

bool WritePpm(const char* hostPath, ImageHandle handle) {
  ImageView view;
  if (!ViewImage(handle, &view)) return false;
  std::FILE* file = std::fopen(hostPath, "wb");
  if (file == nullptr) return false;
  std::fprintf(file, "P6\n%d %d\n255\n", view.width, view.height);
  std::vector<unsigned char> row(3 * static_cast<std::size_t>(view.width));
  bool ok = true;
  for (int y = 0; y < view.height && ok; ++y) {
    const unsigned char* in = view.pixels + view.stride * y;
    for (int x = 0; x < view.width; ++x) {
      row[3 * x] = in[4 * x + 2];
      row[3 * x + 1] = in[4 * x + 1];
      row[3 * x + 2] = in[4 * x];
    }
    ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
  }
  return std::fclose(file) == 0 && ok;
}

int RunPreview(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lapbundle-bench preview IN.bmp OUT.ppm\n");
    return 2;
  }
  InitImageStore();
  if (LoadImageSlot(2, ProgramPath(argv[0])) == nullptr) {
    std::fprintf(stderr, "cannot load %s\n", argv[0]);
    return 1;
  }
  if (CopyImageSlot(2, 3) == nullptr || ResizeImageSlot(3, 800, 600, ResizeSmooth) == nullptr) {
    std::fprintf(stderr, "cannot stretch %s\n", argv[0]);
    return 1;
  }
  const bool written = WritePpm(argv[1], ImageSlotHandle(3));
  FreeAllImageSlots();
  return written ? 0 : 1;
}

BenchStage stage("preview", "IN.bmp OUT.ppm", RunPreview);

}  // namespace
