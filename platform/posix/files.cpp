// Files on POSIX. "Others may only read" is an open-file-description lock:
// writers take an exclusive lock, readers that deny writing a shared one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/fault_table.h"
#include "platform/platform.h"
#include "platform/posix/posix_internal.h"

namespace platform {

struct File {
  int fd;
};

namespace {

// False only when another open file holds a conflicting lock. A file system
// without lock support (some network shares) cannot deny anything, and the
// file is then used without a lock rather than not at all.
bool Lock(int fd, short type) {
  struct flock lock;
  std::memset(&lock, 0, sizeof lock);
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  if (fcntl(fd, F_OFD_SETLK, &lock) == 0) return true;
  return errno != EAGAIN && errno != EACCES;
}

// Takers of a lock file that lose it to its removal more often than this
// in a row give up.
constexpr int kLockTries = 100;

// Whether an open file is a regular one, which alone is ever read or
// written: a pipe or a device (a link to /dev/zero, say) would block or
// never end. Such a file is opened without blocking first; a regular one
// then goes back to blocking reads and writes.
bool IsRegularFile(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const int flags = fcntl(fd, F_GETFL);
  return flags != -1 && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// Whether this process alone has the file open: a write lease is granted
// only while no other open file (of any process) refers to it. It is given
// back at once; it only serves as the question.
bool OpenOnlyHere(int fd) {
  if (fcntl(fd, F_SETLEASE, F_WRLCK) != 0) return false;
  fcntl(fd, F_SETLEASE, F_UNLCK);
  return true;
}

// Giving a large file's blocks back to the file system takes long enough
// (about a millisecond per megabyte) to stall the windows when it happens
// in one call; cut the file down in steps of this size, serving between.
constexpr off_t kShrinkStep = off_t{4} << 20;

void ShrinkGradually(int fd, off_t size) {
  while (size > kShrinkStep) {
    size -= kShrinkStep;
    if (ftruncate(fd, size) != 0) return;
    KeepServing();
  }
}

// Opens a regular file whose name is about to go, so that its blocks can
// be given back gradually once no name is left; -1 when it cannot be.
int OpenForRelease(const std::string& host) {
  int fd = open(host.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  struct stat st;
  if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    close(fd);
    return -1;
  }
  return fd;
}

// Closes a file opened by OpenForRelease. Its blocks are given back in
// steps first only when its last name is gone and no other open file refers
// to it: a reader that still has it open (an upload of the old archive, say)
// keeps every byte, and the file system frees the blocks when it lets go.
void CloseReleased(int fd) {
  if (fd < 0) return;
  struct stat st;
  if (fstat(fd, &st) == 0 && st.st_nlink == 0 && OpenOnlyHere(fd)) ShrinkGradually(fd, st.st_size);
  close(fd);
}

// Removes the name itself (a file, or a link, never what a link points to);
// a missing name counts as removed. False for a folder or on failure.
bool RemoveName(const std::string& host) {
  struct stat st;
  if (lstat(host.c_str(), &st) != 0) return errno == ENOENT;
  if (S_ISDIR(st.st_mode)) return false;
  const int removed = OpenForRelease(host);
  const bool gone = unlink(host.c_str()) == 0;
  CloseReleased(removed);
  return gone;
}

// Opens the host path; applies the lock and truncation the mode asks for.
int OpenHost(const std::string& host, OpenMode mode) {
  int flags = 0;
  short lock = -1;  // F_RDLCK is 0 on Linux, so -1 means no lock
  bool truncate = false;
  switch (mode) {
    case OpenMode::kReadDenyWrite:
      flags = O_RDONLY, lock = F_RDLCK;
      break;
    case OpenMode::kReadAny:
      flags = O_RDONLY;
      break;
    case OpenMode::kReadWriteDenyWrite:
      flags = O_RDWR, lock = F_WRLCK;
      break;
    case OpenMode::kCreateDenyWrite:
      flags = O_RDWR | O_CREAT, lock = F_WRLCK, truncate = true;
      break;
    case OpenMode::kOpenOrCreate:
      flags = O_RDWR | O_CREAT, lock = F_WRLCK;
      break;
    case OpenMode::kCreateWrite:
      flags = O_WRONLY | O_CREAT, lock = F_WRLCK, truncate = true;
      break;
    case OpenMode::kCreateNew:
      flags = O_RDWR | O_CREAT | O_EXCL, lock = F_WRLCK;
      break;
    case OpenMode::kCreateFresh:
      if (!RemoveName(host)) return -1;
      flags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, lock = F_WRLCK;
      break;
  }
  int fd = open(host.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  // Truncation waits for the lock, so a file held by another process is
  // never emptied under its feet.
  if (!IsRegularFile(fd) || (lock != -1 && !Lock(fd, lock)) ||
      (truncate && ftruncate(fd, 0) != 0)) {
    close(fd);
    return -1;
  }
  return fd;
}

std::int64_t ReadAll(int fd, void* buffer, std::int64_t count) {
  std::int64_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < count) {
    ssize_t n = read(fd, out + done, static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    done += n;
  }
  return done;
}

bool WriteAll(int fd, const void* data, std::int64_t count) {
  std::int64_t done = 0;
  const auto* in = static_cast<const char*>(data);
  while (done < count) {
    ssize_t n = write(fd, in + done, static_cast<std::size_t>(count - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

}  // namespace

File* OpenFile(std::string_view path, OpenMode mode) {
  if (CallFails(Op::kOpen)) return nullptr;
  int fd = OpenHost(HostPath(path), mode);
  return fd < 0 ? nullptr : new File{fd};
}

std::int64_t ReadFile(File* file, void* buffer, std::int64_t count) {
  if (file == nullptr || count < 0 || CallFails(Op::kRead)) return -1;
  return ReadAll(file->fd, buffer, count);
}

bool WriteFile(File* file, const void* data, std::int64_t count) {
  if (file == nullptr || count < 0 || CallFails(Op::kWrite)) return false;
  return WriteAll(file->fd, data, count);
}

bool SeekFile(File* file, std::int64_t offset) {
  return file != nullptr && lseek(file->fd, offset, SEEK_SET) == offset;
}

std::int64_t TellFile(File* file) { return file == nullptr ? -1 : lseek(file->fd, 0, SEEK_CUR); }

bool TruncateFile(File* file, std::int64_t size) {
  return file != nullptr && ftruncate(file->fd, size) == 0;
}

std::int64_t FileSize(File* file) {
  struct stat st;
  if (file == nullptr || fstat(file->fd, &st) != 0) return -1;
  return st.st_size;
}

bool CloseFile(File* file) {
  if (file == nullptr) return true;
  bool injected = CallFails(Op::kClose);
  bool ok = close(file->fd) == 0;
  delete file;
  return ok && !injected;
}

bool CopyFileKeepTimes(std::string_view from, std::string_view to) {
  if (CallFails(Op::kCopy)) return false;
  int in = OpenHost(HostPath(from), OpenMode::kReadAny);
  if (in < 0) return false;
  // The copy replaces whatever has the target's name, so a target that is
  // the source itself (the same name, a hard link, another letter case)
  // would lose the very bytes to be copied.
  const std::string target = HostPath(to);
  struct stat st;
  struct stat targetSt;
  const bool known = fstat(in, &st) == 0;
  const bool same = known && lstat(target.c_str(), &targetSt) == 0 &&
                    targetSt.st_dev == st.st_dev && targetSt.st_ino == st.st_ino;
  if (!known || same) {
    close(in);
    return false;
  }
  // A new file under the name: an earlier file or link there is replaced,
  // never written into.
  const int out = OpenHost(target, OpenMode::kCreateFresh);
  if (out < 0) {
    close(in);
    return false;
  }
  std::vector<char> buffer(1 << 20);
  bool ok = true;
  for (;;) {
    std::int64_t n = ReadAll(in, buffer.data(), static_cast<std::int64_t>(buffer.size()));
    if (n < 0 || (n > 0 && !WriteAll(out, buffer.data(), n))) ok = false;
    if (n <= 0 || !ok) break;
    KeepServing();
  }
  // The copy keeps the source's times and permissions, but its owner may
  // always write it: a copy of a read-only source must not stand in the way
  // of the next copy or of its own removal.
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  ok = ok && fchmod(out, (st.st_mode & 07777) | S_IWUSR) == 0 && futimens(out, times) == 0;
  ok = (close(out) == 0) && ok;
  close(in);
  if (!ok) unlink(target.c_str());
  return ok;
}

namespace {

// Writing a large file's blocks out takes a disk's time (a 100 MB archive
// several hundred milliseconds); they go out in steps of this size, the
// windows served between, before the final flush.
constexpr off_t kFlushStep = off_t{2} << 20;

void WriteOutGradually(int fd) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return;
  for (off_t at = 0; at < st.st_size; at += kFlushStep) {
    const unsigned flags =
        SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE | SYNC_FILE_RANGE_WAIT_AFTER;
    if (sync_file_range(fd, at, kFlushStep, flags) != 0) return;
    KeepServing();
  }
}

// Forces a file's contents to the disk.
bool FlushHostFile(const std::string& host) {
  if (CallFails(Op::kFlush)) return false;
  const int fd = open(host.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  WriteOutGradually(fd);
  const bool flushed = fsync(fd) == 0 || errno == EINVAL;
  return (close(fd) == 0) && flushed;
}

// Opens the folder a rename is about to happen in, to flush its entries
// once the rename is done. A folder reached through a link is the user's
// choice (archives kept on another disk) and is followed. -1 on failure.
int OpenFolderToFlush(const std::string& host) {
  if (CallFails(Op::kOpen)) return -1;
  return open(host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// Forces the entries of a folder opened by OpenFolderToFlush to the disk
// and closes it. Only a failing disk makes this fail: a file system that
// cannot flush a folder (EINVAL) has nothing to wait for.
bool FlushFolderAndClose(int fd) {
  const bool flushed = !CallFails(Op::kFlush) && (fsync(fd) == 0 || errno == EINVAL);
  return (close(fd) == 0) && flushed;
}

std::string FolderOf(const std::string& host) {
  const std::size_t slash = host.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : host.substr(0, slash);
}

// Takers of a lock file wait only while another holds it.
enum class LockOutcome { kTaken, kHeld, kUnusable };

LockOutcome LockHost(const std::string& host, int* held) {
  // Never through a link, and never a file that has another name as well:
  // the lock file is the folder's own, and opening it creates nothing
  // anywhere else.
  const int fd = open(host.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return LockOutcome::kUnusable;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
    close(fd);
    return LockOutcome::kUnusable;
  }
  if (!Lock(fd, F_WRLCK)) {
    close(fd);
    return LockOutcome::kHeld;
  }
  *held = fd;
  return LockOutcome::kTaken;
}

}  // namespace

bool ReplaceFileWith(std::string_view from, std::string_view to) {
  const std::string source = HostPath(from);
  const std::string target = HostPath(to);
  // rename() replaces a file whatever its permissions; a read-only file is
  // one its owner chose to keep, and Windows refuses to replace it too.
  struct stat st;
  if (lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR) == 0) {
    errno = EACCES;
    return false;
  }
  // The new file's blocks reach the disk before its name does, and the name
  // before the call reports success: after a power cut the folder holds the
  // earlier file or the whole new one, never a short one. Everything that
  // can fail for another reason than the disk itself (opening the folder
  // too) is done before the rename, so a failure while `to` is already the
  // new file can only mean a failing disk.
  const int folder = OpenFolderToFlush(FolderOf(target));
  if (folder < 0) return false;
  if (!FlushHostFile(source) || CallFails(Op::kRename)) {
    close(folder);
    return false;
  }
  const int replaced = OpenForRelease(target);
  const bool renamed = rename(source.c_str(), target.c_str()) == 0;
  CloseReleased(replaced);
  if (!renamed) {
    close(folder);
    return false;
  }
  return FlushFolderAndClose(folder);
}

bool DeleteFileAt(std::string_view path) {
  if (CallFails(Op::kDelete)) return false;
  const std::string host = HostPath(path);
  const int removed = OpenForRelease(host);
  const bool deleted = unlink(host.c_str()) == 0;
  CloseReleased(removed);
  return deleted;
}

File* TakeLockFile(std::string_view path, bool* heldElsewhere) {
  if (heldElsewhere != nullptr) *heldElsewhere = false;
  if (CallFails(Op::kOpen)) return nullptr;
  const std::string host = HostPath(path);
  // The holder removes the file before letting it go, so a taker that waited
  // on the old file may hold a lock on a name that is gone or now names a
  // new file; it tries again until the lock it holds is on the file that
  // the name names.
  for (int tries = 0; tries < kLockTries; ++tries) {
    int fd = -1;
    const LockOutcome outcome = LockHost(host, &fd);
    if (outcome != LockOutcome::kTaken) {
      if (heldElsewhere != nullptr) *heldElsewhere = outcome == LockOutcome::kHeld;
      return nullptr;
    }
    struct stat held;
    struct stat named;
    if (fstat(fd, &held) == 0 && lstat(host.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      return new File{fd};
    }
    close(fd);
  }
  return nullptr;
}

void ReleaseLockFile(File* lock, std::string_view path) {
  if (lock == nullptr) return;
  // Removed while still held, so that no other taker locks it in between.
  unlink(HostPath(path).c_str());
  close(lock->fd);
  delete lock;
}

bool DeleteFileNotInUse(std::string_view path) {
  if (CallFails(Op::kDelete)) return false;
  const std::string host = HostPath(path);
  // Every writer of this program holds a write lock while it writes; a file
  // whose lock can be taken is written by no one. Only a plain file with
  // this one name can be one of the program's own: a link, or a file that
  // has another name too, is left alone.
  int fd = open(host.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  const bool own = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink == 1;
  const bool free = own && Lock(fd, F_WRLCK);
  const bool deleted = free && unlink(host.c_str()) == 0;
  CloseReleased(fd);
  return deleted;
}

bool MakeFolder(std::string_view path) {
  if (CallFails(Op::kMakeFolder)) return false;
  return mkdir(HostPath(path).c_str(), 0777) == 0;
}

std::uint32_t AttributesOf(const struct stat& st) {
  std::uint32_t attributes = S_ISDIR(st.st_mode)   ? kAttrDirectory
                             : S_ISREG(st.st_mode) ? kAttrArchive
                                                   : kAttrDevice;
  if ((st.st_mode & S_IWUSR) == 0) attributes |= kAttrReadOnly;
  return attributes;
}

std::uint32_t FileAttributes(std::string_view path) {
  FileInfo info;
  return GetFileInfo(path, &info) ? info.attributes : kInvalidAttributes;
}

bool GetFileInfo(std::string_view path, FileInfo* out) {
  struct stat st;
  if (stat(HostPath(path).c_str(), &st) != 0) return false;
  out->attributes = AttributesOf(st);
  out->created = st.st_ctim.tv_sec;
  out->accessed = st.st_atim.tv_sec;
  out->written = st.st_mtim.tv_sec;
  out->size = st.st_size;
  return true;
}

bool FileIdentity(std::string_view path, std::string* out) {
  struct stat st;
  if (stat(HostPath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  *out = std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
  return true;
}

}  // namespace platform
