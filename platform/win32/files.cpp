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
      return {kReadWrite, kDenyWrite, CREATE_NEW, false};
  }
  return {kRead, kShareAll, OPEN_EXISTING, false};
}

// Opens a file (folders fail: no FILE_FLAG_BACKUP_SEMANTICS). Truncation
// happens on the open handle rather than through CREATE_ALWAYS, which would
// also reset the file's attributes and fails on hidden files.
HANDLE OpenHandle(const std::string& path, OpenMode mode) {
  ModeFlags flags = FlagsFor(mode);
  HANDLE handle = CreateFileA(path.c_str(), flags.access, flags.share, nullptr, flags.disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
  if (flags.truncate && !SetEndOfFile(handle)) {
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
// CopyFileEx reports its progress), then gives the copy the source's
// last-write time and attributes, as CopyFile does. A target that cannot be
// written (read-only, say) fails untouched; a partial one is removed.
bool CopyServed(const std::string& source, const std::string& target) {
  HANDLE in = CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (in == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  HANDLE out = GetFileInformationByHandle(in, &info)
                   ? CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr)
                   : INVALID_HANDLE_VALUE;
  if (out == INVALID_HANDLE_VALUE) {
    CloseHandle(in);
    return false;
  }
  bool ok = SetEndOfFile(out) != 0;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kCopyChunk]);
  ok = ok && buffer != nullptr;
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
  ok = ok && SetFileAttributesA(target.c_str(), info.dwFileAttributes & kCopiedAttributes);
  if (!ok) DeleteFileA(target.c_str());
  return ok;
}

// Deletes a large file that no one else has open in steps: marked for
// deletion first, then, when no other name keeps its bytes, cut down a
// chunk at a time (serving the windows), and gone at the close. False when
// that cannot be done; nothing has changed then.
bool DeleteInSteps(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  FILE_DISPOSITION_INFO disposition = {TRUE};
  const bool marked =
      GetFileInformationByHandle(file, &info) && info.nNumberOfLinks == 1 &&
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

bool ReplaceFileWith(std::string_view from, std::string_view to) {
  if (CallFails(Op::kRename)) return false;
  const std::string target = HostPath(to);
  // Windows refuses to replace a read-only file; not every system that runs
  // the program does, so it is asked first.
  const DWORD attributes = GetFileAttributesA(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return MoveFileExA(HostPath(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool DeleteFileAt(std::string_view path) {
  if (CallFails(Op::kDelete)) return false;
  std::string host = HostPath(path);
  if (DeleteInSteps(host) || DeleteFileA(host.c_str())) return true;
  if (GetLastError() != ERROR_ACCESS_DENIED) return false;
  // A copy of a read-only file is read-only too; removing the file is what
  // the caller asked, as on hosts where the permission bits do not guard
  // against deletion.
  DWORD attributes = GetFileAttributesA(host.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) !=
          FILE_ATTRIBUTE_READONLY) {
    return false;
  }
  if (!SetFileAttributesA(host.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) return false;
  if (DeleteFileA(host.c_str())) return true;
  SetFileAttributesA(host.c_str(), attributes);
  return false;
}

File* TakeLockFile(std::string_view path) {
  if (CallFails(Op::kOpen)) return nullptr;
  // Shared with no one, and gone when the last handle closes: also when the
  // process ends without closing it.
  HANDLE handle =
      CreateFileA(HostPath(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  return handle == INVALID_HANDLE_VALUE ? nullptr : new File{handle};
}

void ReleaseLockFile(File* lock, std::string_view /*path*/) {
  if (lock == nullptr) return;
  CloseHandle(ReleaseHandle(lock));
}

bool DeleteFileNotInUse(std::string_view path) {
  // Writers share their files for reading only, never for deleting, so
  // deleting a file that is being written fails.
  return DeleteFileAt(path);
}

bool MakeFolder(std::string_view path) {
  if (CallFails(Op::kMakeFolder)) return false;
  return CreateDirectoryA(HostPath(path).c_str(), nullptr) != 0;
}

std::uint32_t ProgramAttributes(DWORD hostAttributes) {
  std::uint32_t attributes =
      (hostAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? kAttrDirectory : kAttrArchive;
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

}  // namespace platform
