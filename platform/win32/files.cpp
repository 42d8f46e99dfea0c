// Files on Windows. "Others may only read" is the share mode of the open:
// FILE_SHARE_READ lets other openers read but refuses them write access,
// and refuses this open while someone else holds the file for writing.
#include <algorithm>
#include <memory>
#include <new>
#include <string>

#include "platform/fault_table.h"
#include "platform/platform.h"
#include "platform/win32/win32_internal.h"

namespace platform {

struct File {
  HANDLE handle;
};

namespace {

// ReadFile and WriteFile move at most a DWORD at a time.
constexpr std::int64_t kMaxChunk = 1 << 30;
// A copy moves this much between two servings of the windows.
constexpr DWORD kCopyChunk = 1 << 20;
// The attributes a copy takes from its source, as CopyFile gives them.
constexpr DWORD kCopiedAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
// Giving a large file's blocks back can take long enough to stall the
// windows when it happens in one call; a file is cut down by this much at
// a time before it goes.
constexpr std::int64_t kShrinkStep = std::int64_t{4} << 20;

struct ModeFlags {
  DWORD access;
  DWORD share;
  DWORD disposition;
  bool truncate;
};

ModeFlags FlagsFor(OpenMode mode) {
  constexpr DWORD kRead = GENERIC_READ;
  constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
  constexpr DWORD kDenyWrite = FILE_SHARE_READ;
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE;
  switch (mode) {
    case OpenMode::kReadDenyWrite:
      return {kRead, kDenyWrite, OPEN_EXISTING, false};
    case OpenMode::kReadAny:
      return {kRead, kShareAll, OPEN_EXISTING, false};
    case OpenMode::kReadWriteDenyWrite:
      return {kReadWrite, kDenyWrite, OPEN_EXISTING, false};
    case OpenMode::kCreateDenyWrite:
      return {kReadWrite, kDenyWrite, OPEN_ALWAYS, true};
    case OpenMode::kOpenOrCreate:
      return {kReadWrite, kDenyWrite, OPEN_ALWAYS, false};
    case OpenMode::kCreateWrite:
      return {GENERIC_WRITE, kDenyWrite, OPEN_ALWAYS, true};
    case OpenMode::kCreateNew:
    case OpenMode::kCreateFresh:
      return {kReadWrite, kDenyWrite, CREATE_NEW, false};
  }
  return {kRead, kShareAll, OPEN_EXISTING, false};
}

// Between two tries of a call that met another program's hold on a file.
constexpr int kHeldPollMs = 50;

// Whether a failed call met a file that another program holds open for a
// moment (a virus scanner reading a file that was just written, an indexer).
bool HeldByAnother(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_LOCK_VIOLATION;
}

// Runs `attempt` until it succeeds, or fails for another reason than a hold,
// or about kHeldRetryMs have passed, pausing between tries (which keeps the
// windows served). The last error stays that of the last try.
template <typename Attempt>
bool RetryWhileHeld(Attempt attempt) {
  for (int waited = 0;; waited += kHeldPollMs) {
    if (attempt()) return true;
    const DWORD error = GetLastError();
    if (!HeldByAnother(error) || waited >= kHeldRetryMs) return false;
    PauseMs(kHeldPollMs);
    SetLastError(error);
  }
}

// Deletes one name once: a read-only file is made writable first (removing
// it is what the caller asked, as on hosts where the permission bits do not
// guard against deletion), and stays read-only when it could not go.
bool DeleteOnce(const std::string& path) {
  if (DeleteFileA(path.c_str())) return true;
  const DWORD error = GetLastError();
  const DWORD attributes = GetFileAttributesA(path.c_str());
  // A folder is refused for good, not held by anyone.
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    SetLastError(ERROR_DIRECTORY);
    return false;
  }
  if (error != ERROR_ACCESS_DENIED || attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) !=
          FILE_ATTRIBUTE_READONLY) {
    SetLastError(error);
    return false;
  }
  if (!SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) return false;
  if (DeleteFileA(path.c_str())) return true;
  const DWORD again = GetLastError();
  SetFileAttributesA(path.c_str(), attributes);
  SetLastError(again);
  return false;
}

// Removes the name itself (a file, even a read-only one, or a link; never
// what a link points to); a missing name counts as removed. False for a
// folder, or when the name stays held for longer than the retries.
bool RemoveName(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError() == ERROR_FILE_NOT_FOUND;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && RemoveDirectoryA(path.c_str());
  }
  return RetryWhileHeld([&] { return DeleteOnce(path); });
}

// Whether an open handle is a file on a disk: a name that opens the console,
// a pipe or another device (CON, NUL, COM1) is never read or written.
bool OnDisk(HANDLE handle) { return GetFileType(handle) == FILE_TYPE_DISK; }

// Opens a file (folders fail: no FILE_FLAG_BACKUP_SEMANTICS). Truncation
// happens on the open handle rather than through CREATE_ALWAYS, which would
// also reset the file's attributes and fails on hidden files.
HANDLE OpenHandle(const std::string& path, OpenMode mode) {
  ModeFlags flags = FlagsFor(mode);
  // A fresh file takes the name from whatever had it, and CREATE_NEW never
  // opens an existing file or follows a link.
  if (mode == OpenMode::kCreateFresh && !RemoveName(path)) return INVALID_HANDLE_VALUE;
  HANDLE handle = CreateFileA(path.c_str(), flags.access, flags.share, nullptr, flags.disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
  if (!OnDisk(handle) || (flags.truncate && !SetEndOfFile(handle))) {
    CloseHandle(handle);
    return INVALID_HANDLE_VALUE;
  }
  return handle;
}

// SetFilePointer and GetFileSize with their high words rather than the
// "Ex" forms, which the oldest systems the program runs on lack. Their
// all-ones result is only a failure when an error was recorded.
bool MoveTo(HANDLE handle, std::int64_t offset, DWORD method, std::int64_t* result) {
  LONG high = static_cast<LONG>(offset >> 32);
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(handle, static_cast<LONG>(offset & 0xFFFFFFFF), &high, method);
  if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR) return false;
  if (result != nullptr)
    *result = static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
  return true;
}

}  // namespace

HANDLE ReleaseHandle(File* file) {
  HANDLE handle = file->handle;
  delete file;
  return handle;
}

File* OpenFile(std::string_view path, OpenMode mode) {
  if (CallFails(Op::kOpen)) return nullptr;
  HANDLE handle = OpenHandle(HostPath(path), mode);
  return handle == INVALID_HANDLE_VALUE ? nullptr : new File{handle};
}

std::int64_t ReadFile(File* file, void* buffer, std::int64_t count) {
  if (file == nullptr || count < 0 || CallFails(Op::kRead)) return -1;
  std::int64_t done = 0;
  auto* out = static_cast<char*>(buffer);
  while (done < count) {
    DWORD got = 0;
    const auto want = static_cast<DWORD>(std::min(count - done, kMaxChunk));
    if (!::ReadFile(file->handle, out + done, want, &got, nullptr)) return -1;
    if (got == 0) break;
    done += got;
  }
  return done;
}

bool WriteFile(File* file, const void* data, std::int64_t count) {
  if (file == nullptr || count < 0 || CallFails(Op::kWrite)) return false;
  std::int64_t done = 0;
  const auto* in = static_cast<const char*>(data);
  while (done < count) {
    DWORD put = 0;
    const auto want = static_cast<DWORD>(std::min(count - done, kMaxChunk));
    if (!::WriteFile(file->handle, in + done, want, &put, nullptr) || put == 0) return false;
    done += put;
  }
  return true;
}

bool SeekFile(File* file, std::int64_t offset) {
  return file != nullptr && offset >= 0 && MoveTo(file->handle, offset, FILE_BEGIN, nullptr);
}

bool TruncateFile(File* file, std::int64_t size) {
  // SetEndOfFile cuts at the position; the caller's position is kept.
  std::int64_t position = 0;
  if (file == nullptr || size < 0 || !MoveTo(file->handle, 0, FILE_CURRENT, &position)) {
    return false;
  }
  bool ok = MoveTo(file->handle, size, FILE_BEGIN, nullptr) && SetEndOfFile(file->handle);
  return MoveTo(file->handle, position, FILE_BEGIN, nullptr) && ok;
}

std::int64_t FileSize(File* file) {
  if (file == nullptr) return -1;
  DWORD high = 0;
  SetLastError(NO_ERROR);
  const DWORD low = GetFileSize(file->handle, &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return -1;
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) | low);
}

bool CloseFile(File* file) {
  if (file == nullptr) return true;
  bool injected = CallFails(Op::kClose);
  bool ok = CloseHandle(ReleaseHandle(file)) != 0;
  return ok && !injected;
}

namespace {

// The volume and file index of a path, read through a handle that lets
// everyone else go on using the file. False when it cannot be opened.
bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE handle =
      CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool ok = GetFileInformationByHandle(handle, info) != 0;
  CloseHandle(handle);
  return ok;
}

// Whether two paths name one file: the same name, another letter case, or
// a hard link. A target that cannot be opened is taken as another file.
bool SameFile(const std::string& a, const std::string& b) {
  BY_HANDLE_FILE_INFORMATION first;
  BY_HANDLE_FILE_INFORMATION second;
  if (!FileIdentity(a, &first) || !FileIdentity(b, &second)) return false;
  return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
         first.nFileIndexHigh == second.nFileIndexHigh &&
         first.nFileIndexLow == second.nFileIndexLow;
}

// Copies in chunks, serving the windows between them (not every system's
// CopyFileEx reports its progress), into a new file that has taken the
// target's name from whatever had it, then gives the copy the source's
// last-write time and attributes, as CopyFile does, except read-only: a
// copy must not stand in the way of the next copy or of its own removal. A
// target name that cannot be taken fails; a partial copy is removed.
bool CopyServed(const std::string& source, const std::string& target) {
  HANDLE in = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (in == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  HANDLE out = OnDisk(in) && GetFileInformationByHandle(in, &info) && RemoveName(target)
                   ? CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr)
                   : INVALID_HANDLE_VALUE;
  if (out == INVALID_HANDLE_VALUE) {
    CloseHandle(in);
    return false;
  }
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyChunk]);
  bool ok = buffer != nullptr;
  while (ok) {
    DWORD got = 0;
    DWORD put = 0;
    ok = ::ReadFile(in, buffer.get(), kCopyChunk, &got, nullptr) != 0;
    if (!ok || got == 0) break;
    ok = ::WriteFile(out, buffer.get(), got, &put, nullptr) && put == got;
    KeepServing();
  }
  ok = ok && SetFileTime(out, nullptr, nullptr, &info.ftLastWriteTime);
  ok = CloseHandle(out) && ok;
  CloseHandle(in);
  ok = ok && SetFileAttributesA(target.c_str(), info.dwFileAttributes & kCopiedAttributes &
                                                    ~FILE_ATTRIBUTE_READONLY);
  if (!ok) RemoveName(target);
  return ok;
}

// Deletes a large file that no one else has open in steps: marked for
// deletion first, then, when no other name keeps its bytes, cut down a
// chunk at a time (serving the windows), and gone at the close. False when
// that cannot be done; nothing has changed then.
bool DeleteInSteps(const std::string& path) {
  // A link is opened as itself (it has no blocks to give back), never as
  // the file it points to.
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  FILE_DISPOSITION_INFO disposition = {TRUE};
  const bool marked =
      GetFileInformationByHandle(file, &info) && info.nNumberOfLinks == 1 &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0 &&
      (static_cast<std::int64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow) > kShrinkStep &&
      SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
  if (marked) {
    std::int64_t size = static_cast<std::int64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    while (size > kShrinkStep) {
      size -= kShrinkStep;
      if (!MoveTo(file, size, FILE_BEGIN, nullptr) || !SetEndOfFile(file)) break;
      KeepServing();
    }
  }
  CloseHandle(file);
  return marked;
}

}  // namespace

bool CopyFileKeepTimes(std::string_view from, std::string_view to) {
  if (CallFails(Op::kCopy)) return false;
  const std::string source = HostPath(from);
  const std::string target = HostPath(to);
  // Copying a file onto itself would destroy the bytes to be copied; not
  // every system's copy call refuses it.
  if (SameFile(source, target)) return false;
  return CopyServed(source, target);
}

namespace {

// Forces a file's contents to the disk; retried while another program
// holds it for a moment.
bool FlushFile(const std::string& path) {
  if (CallFails(Op::kFlush)) return false;
  HANDLE file = INVALID_HANDLE_VALUE;
  const bool opened = RetryWhileHeld([&] {
    file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE;
  });
  if (!opened) return false;
  const bool flushed = FlushFileBuffers(file) != 0;
  return CloseHandle(file) && flushed;
}

// What a name holds, read without following a link and without getting in
// the way of anyone who has the file open. False when it cannot be read
// (ERROR_FILE_NOT_FOUND when nothing has the name).
bool NameInfo(const std::string& path, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE handle = CreateFileA(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  const bool ok = GetFileInformationByHandle(handle, info) != 0;
  const DWORD error = GetLastError();
  CloseHandle(handle);
  SetLastError(error);
  return ok;
}

// A plain file with this one name: not a folder, not a link, no other name.
bool PlainFileOfOneName(const BY_HANDLE_FILE_INFORMATION& info) {
  return (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
         info.nNumberOfLinks == 1;
}

}  // namespace

bool ReplaceFileWith(std::string_view from, std::string_view to) {
  const std::string source = HostPath(from);
  const std::string target = HostPath(to);
  // Windows refuses to replace a read-only file; not every system that runs
  // the program does, so it is asked first.
  const DWORD attributes = GetFileAttributesA(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  // The new file's blocks reach the disk before its name does, and the
  // written-through move before the call reports success (the second kFlush
  // stands for it): after a power cut the name holds the earlier file or
  // the whole new one.
  if (!FlushFile(source) || CallFails(Op::kRename)) return false;
  const bool moved = RetryWhileHeld([&] {
    return MoveFileExA(source.c_str(), target.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  });
  return moved && !CallFails(Op::kFlush);
}

bool DeleteFileAt(std::string_view path) {
  if (CallFails(Op::kDelete)) return false;
  const std::string host = HostPath(path);
  return DeleteInSteps(host) || RetryWhileHeld([&] { return DeleteOnce(host); });
}

File* TakeLockFile(std::string_view path, bool* heldElsewhere) {
  if (heldElsewhere != nullptr) *heldElsewhere = false;
  if (CallFails(Op::kOpen)) return nullptr;
  const std::string host = HostPath(path);
  // Only a plain file of this one name is ever taken (never a link, nor a
  // file that has a name elsewhere too, which the close would remove).
  BY_HANDLE_FILE_INFORMATION info;
  if (NameInfo(host, &info) ? !PlainFileOfOneName(info) : GetLastError() != ERROR_FILE_NOT_FOUND) {
    return nullptr;
  }
  // Shared with no one, and gone when the last handle closes: also when the
  // process ends without closing it.
  HANDLE handle = CreateFileA(
      host.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    if (heldElsewhere != nullptr) *heldElsewhere = GetLastError() == ERROR_SHARING_VIOLATION;
    return nullptr;
  }
  return new File{handle};
}

void ReleaseLockFile(File* lock, std::string_view /*path*/) {
  if (lock == nullptr) return;
  CloseHandle(ReleaseHandle(lock));
}

bool DeleteFileNotInUse(std::string_view path) {
  // Writers share their files for reading only, never for deleting, so
  // deleting a file that is being written fails. Only a plain file of one
  // name can be one of the program's own. A file held now is left for a
  // later sweep rather than waited for.
  if (CallFails(Op::kDelete)) return false;
  const std::string host = HostPath(path);
  BY_HANDLE_FILE_INFORMATION info;
  if (!NameInfo(host, &info) || !PlainFileOfOneName(info)) return false;
  return DeleteInSteps(host) || DeleteOnce(host);
}

bool MakeFolder(std::string_view path) {
  if (CallFails(Op::kMakeFolder)) return false;
  return CreateDirectoryA(HostPath(path).c_str(), nullptr) != 0;
}

std::uint32_t ProgramAttributes(DWORD hostAttributes) {
  std::uint32_t attributes = (hostAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? kAttrDirectory
                             : (hostAttributes & FILE_ATTRIBUTE_DEVICE) != 0  ? kAttrDevice
                                                                              : kAttrArchive;
  if ((hostAttributes & FILE_ATTRIBUTE_READONLY) != 0) attributes |= kAttrReadOnly;
  return attributes;
}

std::uint32_t FileAttributes(std::string_view path) {
  DWORD attributes = GetFileAttributesA(HostPath(path).c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ? kInvalidAttributes : ProgramAttributes(attributes);
}

bool GetFileInfo(std::string_view path, FileInfo* out) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(HostPath(path).c_str(), GetFileExInfoStandard, &data)) return false;
  out->attributes = ProgramAttributes(data.dwFileAttributes);
  out->created = FromFileTime(data.ftCreationTime);
  out->accessed = FromFileTime(data.ftLastAccessTime);
  out->written = FromFileTime(data.ftLastWriteTime);
  out->size = static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                        data.nFileSizeLow);
  return true;
}

bool FileIdentity(std::string_view path, std::string* out) {
  const std::string host = HostPath(path);
  // Never a device or pipe name: opening a pipe would connect to it.
  if (host.rfind("\\\\", 0) == 0 && host.size() > 3 && (host[2] == '.' || host[2] == '?')) {
    return false;
  }
  const DWORD attributes = GetFileAttributesA(host.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return false;
  }
  // No access asked for: the file's information only, whoever holds it.
  HANDLE handle = CreateFileA(host.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = OnDisk(handle) && GetFileInformationByHandle(handle, &info) != 0;
  CloseHandle(handle);
  if (!known) return false;
  *out = std::to_string(info.dwVolumeSerialNumber) + ":" +
         std::to_string((static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow);
  return true;
}

}  // namespace platform
