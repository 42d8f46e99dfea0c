// zip OUT.zip FILE...: packs the files into one archive the way the make-zip
// action does, with the pauses between chunks switched off so that only the
// writing is timed.
#include <cstdio>
#include <string>

#include "archive/zip_writer.h"
#include "bench/stages.h"
#include "platform/platform.h"

namespace {

int RunZip(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: lapbundle-bench zip OUT.zip FILE...\n");
    return 2;
  }
  platform::SetPausesEnabled(false);
  InitZipWriter();
  if (CreateArchive(ProgramPath(argv[0]), 0) == 0) {
    std::fprintf(stderr, "cannot create %s\n", argv[0]);
    return 1;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    if (AddFileToArchive(ProgramPath(argv[i]), 0) != 0) {
      std::fprintf(stderr, "not fully added: %s\n", argv[i]);
      status = 1;
    }
  }
  if (CloseArchive() != 0) {
    std::fprintf(stderr, "archive incomplete: %s\n", argv[0]);
    status = 1;
  }
  return status;
}

BenchStage stage("zip", "OUT.zip FILE...", RunZip);

}  // namespace
