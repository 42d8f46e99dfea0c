// The bytes of one archive, from memory or from a file, read at positions.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "check/check_internal.h"
#include "platform/platform.h"

namespace check {

ArchiveBytes::ArchiveBytes(const ArchiveSource& source) {
  if (source.systemPath.empty() && source.path.empty()) {
    data_ = source.data;
    size_ = source.data == nullptr ? 0 : source.size;
    open_ = true;
    return;
  }
  // A file found in a folder by the name the system gave, or named by its
  // program path. Only a regular file is opened, without waiting: opening a
  // pipe would wait for a writer.
  file_ = platform::OpenFoundFile(
      source.systemPath.empty() ? platform::SystemPathOf(source.path) : source.systemPath,
      &notRegular_);
  if (file_ == nullptr) return;
  const std::int64_t end =
      platform::SeekStdio(file_, 0, SEEK_END) ? platform::TellStdio(file_) : -1;
  if (end < 0) return;
  size_ = static_cast<std::uint64_t>(end);
  open_ = true;
}

ArchiveBytes::~ArchiveBytes() {
  if (file_ != nullptr) std::fclose(file_);
}

bool ArchiveBytes::Read(std::uint64_t at, std::size_t count, unsigned char* out) {
  if (!open_ || at > size_ || size_ - at < count) return false;
  if (count == 0) return true;
  if (file_ == nullptr) {
    std::memcpy(out, data_ + at, count);
    return true;
  }
  if (at != position_ && !platform::SeekStdio(file_, static_cast<std::int64_t>(at), SEEK_SET)) {
    position_ = kUnknown;
    return false;
  }
  const std::size_t got = std::fread(out, 1, count, file_);
  position_ = got == count ? at + count : kUnknown;
  return got == count;
}

}  // namespace check
