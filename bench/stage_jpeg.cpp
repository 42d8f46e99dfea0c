// jpeg IN.bmp OUT.jpg: the JPEG staging of the make-zip action: load the
// screenshot into slot 2 and save it through the JPEG encoder.
#include <cstdio>
#include <string>

#include "bench/stages.h"
#include "imaging/image_store.h"
#include "platform/platform.h"

namespace {

int RunJpeg(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lapbundle-bench jpeg IN.bmp OUT.jpg\n");
    return 2;
  }
  InitImageStore();
  RegisterJpegEncoder();
  if (LoadImageSlot(2, ProgramPath(argv[0])) == nullptr) {
    std::fprintf(stderr, "cannot load %s\n", argv[0]);
    return 1;
  }
  const int saved = SaveImageSlot(2, ProgramPath(argv[1]), JpegEncoderTag);
  FreeAllImageSlots();
  if (saved == 0) std::fprintf(stderr, "cannot write %s\n", argv[1]);
  return saved != 0 ? 0 : 1;
}

BenchStage stage("jpeg", "IN.bmp OUT.jpg", RunJpeg);

}  // namespace
