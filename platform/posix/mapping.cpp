// Read-only file mappings. The pages are populated up front: the caller
// reads the whole file at once, and one populate beats a fault per page.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/fault_table.h"
#include "platform/platform.h"

namespace platform {

struct Mapping {
  void* address;
  std::size_t length;
};

Mapping* MapFile(std::string_view path, const std::uint8_t** data, std::int64_t* size) {
  if (CallFails(Op::kOpen)) return nullptr;
  int fd = open(HostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct flock lock;
  std::memset(&lock, 0, sizeof lock);
  lock.l_type = F_RDLCK;  // refuse a file another process holds for writing
  struct stat st;
  // As for plain opens, only a conflicting lock refuses the file.
  const bool locked = fcntl(fd, F_OFD_SETLK, &lock) == 0 || (errno != EAGAIN && errno != EACCES);
  bool usable = locked && fstat(fd, &st) == 0 &&
                S_ISREG(st.st_mode) && st.st_size > 0;
  void* address = MAP_FAILED;
  if (usable) {
    address = mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ,
                   MAP_PRIVATE | MAP_POPULATE, fd, 0);
  }
  close(fd);
  if (address == MAP_FAILED) return nullptr;
  *data = static_cast<const std::uint8_t*>(address);
  *size = st.st_size;
  return new Mapping{address, static_cast<std::size_t>(st.st_size)};
}

void UnmapFile(Mapping* mapping) {
  if (mapping == nullptr) return;
  munmap(mapping->address, mapping->length);
  delete mapping;
}

}  // namespace platform
