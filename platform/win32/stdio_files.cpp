// C streams over the platform's file opens, for libraries that write
// through stdio. The open takes the same share mode as OpenFile; the C
// runtime then reads and writes the handle itself, so only the open (not
// each write, nor the final close) passes through the fault table here.
#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/win32/win32_internal.h"

namespace platform {
namespace {

struct StreamMode {
  OpenMode open;
  int flags;  // for _open_osfhandle
};

bool ModeFor(const char* mode, StreamMode* out) {
  const bool plus = std::strchr(mode, '+') != nullptr;
  int flags = std::strchr(mode, 't') != nullptr ? _O_TEXT : _O_BINARY;
  switch (mode[0]) {
    case 'r':
      *out = {plus ? OpenMode::kReadWriteDenyWrite : OpenMode::kReadAny,
              flags | (plus ? _O_RDWR : _O_RDONLY)};
      return true;
    case 'w':
      *out = {std::strchr(mode, 'x') != nullptr ? OpenMode::kCreateNew
              : OpenMode::kCreateFresh,
              flags | (plus ? _O_RDWR : _O_WRONLY)};
      return true;
    case 'a':
      *out = {OpenMode::kOpenOrCreate, flags | _O_APPEND | (plus ? _O_RDWR : _O_WRONLY)};
      return true;
    default:
      return false;
  }
}

}  // namespace

std::FILE* OpenStdioFile(std::string_view path, const char* mode) {
  StreamMode streamMode;
  if (mode == nullptr || !ModeFor(mode, &streamMode)) return nullptr;
  File* file = OpenFile(path, streamMode.open);
  if (file == nullptr) return nullptr;
  HANDLE handle = ReleaseHandle(file);
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), streamMode.flags);
  if (fd == -1) {
    CloseHandle(handle);
    return nullptr;
  }
  // From here on the descriptor owns the handle, and the stream the descriptor.
  // The C runtime's own modes know no "x": the open above has done it.
  std::string runtimeMode(mode);
  runtimeMode.erase(std::remove(runtimeMode.begin(), runtimeMode.end(), 'x'), runtimeMode.end());
  std::FILE* stream = _fdopen(fd, runtimeMode.c_str());
  if (stream == nullptr) _close(fd);
  return stream;
}

bool SeekStdio(std::FILE* stream, std::int64_t offset, int whence) {
  return _fseeki64(stream, offset, whence) == 0;
}

std::int64_t TellStdio(std::FILE* stream) { return _ftelli64(stream); }

}  // namespace platform
