// The stdio functions behind minizip's writer and reader.
#include "archive/zip_streams.h"

#include <cstdio>

#include "platform/platform.h"

namespace {

// The opaque pointer minizip hands the open: this address asks for an
// exclusive creation.
const char kExclusive = 0;

// minizip's stdio functions open by file name; the program's paths are
// Windows-1252 with backslashes, so the open goes through the platform.
voidpf ZCALLBACK OpenArchiveStream(voidpf opaque, const char* filename, int mode) {
  const char* fopenMode = nullptr;
  if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) == ZLIB_FILEFUNC_MODE_READ) {
    fopenMode = "rb";
  } else if ((mode & ZLIB_FILEFUNC_MODE_EXISTING) != 0) {
    fopenMode = "r+b";
  } else if ((mode & ZLIB_FILEFUNC_MODE_CREATE) != 0) {
    fopenMode = opaque == &kExclusive ? "wbx" : "wb";
  }
  if (filename == nullptr || fopenMode == nullptr) return nullptr;
  return platform::OpenStdioFile(filename, fopenMode);
}

// stdio may drop a failed write without telling fwrite's caller (glibc
// reports the full count when a buffer flush inside fwrite fails), and the
// buffered bytes are gone by the time fclose runs. The stream's error flag
// still knows, so the close reports it.
int ZCALLBACK CloseArchiveStream(voidpf /*opaque*/, voidpf stream) {
  auto* file = static_cast<std::FILE*>(stream);
  bool failed = std::ferror(file) != 0;
  if (std::fclose(file) != 0) failed = true;
  return failed ? EOF : 0;
}

}  // namespace

void FillArchiveStreamFunctions(zlib_filefunc_def* functions, bool exclusive) {
  fill_fopen_filefunc(functions);
  functions->zopen_file = OpenArchiveStream;
  functions->zclose_file = CloseArchiveStream;
  functions->opaque = exclusive ? const_cast<char*>(&kExclusive) : nullptr;
}
