// C streams whose reads, writes and close pass through the fault table, for
// libraries that write through stdio.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/fault_table.h"
#include "platform/platform.h"
#include "platform/posix/posix_internal.h"

namespace platform {
namespace {

struct Cookie {
  File* file;
  bool writeFailed;  // reported again at close: stdio may swallow it
};

ssize_t CookieRead(void* cookie, char* buffer, std::size_t size) {
  std::int64_t n = ReadFile(static_cast<Cookie*>(cookie)->file, buffer,
                            static_cast<std::int64_t>(size));
  return static_cast<ssize_t>(n);
}

ssize_t CookieWrite(void* cookie, const char* data, std::size_t size) {
  auto* c = static_cast<Cookie*>(cookie);
  if (!WriteFile(c->file, data, static_cast<std::int64_t>(size))) {
    c->writeFailed = true;
    errno = EIO;
    return -1;
  }
  return static_cast<ssize_t>(size);
}

int CookieSeek(void* cookie, off64_t* offset, int whence) {
  File* file = static_cast<Cookie*>(cookie)->file;
  std::int64_t base = 0;
  if (whence == SEEK_END) {
    base = FileSize(file);
  } else if (whence == SEEK_CUR) {
    base = TellFile(file);
  }
  std::int64_t target = base + *offset;
  if (base < 0 || target < 0 || !SeekFile(file, target)) return -1;
  *offset = target;
  return 0;
}

int CookieClose(void* cookie) {
  auto* c = static_cast<Cookie*>(cookie);
  bool ok = CloseFile(c->file) && !c->writeFailed;
  delete c;
  return ok ? 0 : EOF;
}

}  // namespace

std::FILE* OpenStdioFile(std::string_view path, const char* mode) {
  bool plus = std::strchr(mode, '+') != nullptr;
  OpenMode openMode = OpenMode::kReadAny;
  switch (mode[0]) {
    case 'r': openMode = plus ? OpenMode::kReadWriteDenyWrite : OpenMode::kReadAny; break;
    case 'w':
      openMode = std::strchr(mode, 'x') != nullptr ? OpenMode::kCreateNew
                 : OpenMode::kCreateFresh;
      break;
    case 'a': openMode = OpenMode::kOpenOrCreate; break;
    default: return nullptr;
  }
  File* file = OpenFile(path, openMode);
  if (file == nullptr) return nullptr;
  if (mode[0] == 'a') SeekFile(file, FileSize(file));
  cookie_io_functions_t functions = {CookieRead, CookieWrite, CookieSeek, CookieClose};
  auto* cookie = new Cookie{file, false};
  std::FILE* stream = fopencookie(cookie, mode, functions);
  if (stream == nullptr) {
    CloseFile(file);
    delete cookie;
  }
  return stream;
}

bool SeekStdio(std::FILE* stream, std::int64_t offset, int whence) {
  return fseeko(stream, static_cast<off_t>(offset), whence) == 0;
}

std::int64_t TellStdio(std::FILE* stream) { return ftello(stream); }

}  // namespace platform
