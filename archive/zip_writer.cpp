// The zip writer layer: one archive open at a time, held here rather than by
// callers. minizip writes the container records, zlib deflates each entry;
// this layer chooses the entry's name, time stamp and attributes and streams
// the file into it in chunks.
#include "archive/zip_writer.h"

#include <minizip/zip.h>
#include <zlib.h>

#include <charconv>
#include <cstdio>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "archive/zip_streams.h"
#include "platform/platform.h"
#include "support/support.h"

namespace {

constexpr int kLevel = 9;
constexpr std::int64_t kChunkBytes = 102400;
constexpr int kChunkPauseMs = 10;
constexpr std::int64_t kDeflatePiece = kChunkBytes / 4;
// The name length field of a zip header holds 16 bits; minizip would cut
// the length silently and write a broken header.
constexpr std::size_t kMaxNameBytes = 65535;
// MS-DOS dates start here; earlier file times are stored as this moment.
constexpr int kFirstDosYear = 1980;

struct WriterState {
  zipFile openArchive = nullptr;
  int method = Z_DEFLATED;
  // The first failure met while writing the open archive, 0 while none.
  int failure = 0;
  std::string path;
  // Each entry begun, with the size and CRC-32 of the bytes read into it.
  std::vector<ZipEntryCheck> entries;
};

WriterState state;

// Remembers that the open archive is not complete. A status that is not
// negative but not ZIP_OK still means the call did not do its work.
void NoteFailure(int status) {
  if (status != ZIP_OK && state.failure == 0) state.failure = status < 0 ? status : -1;
}

zipFile OpenZip(const std::string& path, int mode, bool exclusive) {
  zlib_filefunc_def functions;
  FillArchiveStreamFunctions(&functions, exclusive);
  return zipOpen2(path.c_str(), mode, nullptr, &functions);
}

// The fields of tm_zip are int in some minizip releases and uInt in others.
using TimeField = decltype(tm_zip::tm_year);

// One component of a date, read back from its text.
int DateField(std::string_view mask, DateValue date) {
  std::string text = DateToText(mask, date);
  int value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

tm_zip EntryTime(DateValue date) {
  tm_zip time{};
  const int year = DateField("%yyyy", date);
  if (year < kFirstDosYear) {
    // Also covers a date that cannot be taken apart (all fields 0).
    time.tm_year = static_cast<TimeField>(kFirstDosYear);
    time.tm_mday = 1;
    return time;
  }
  time.tm_year = static_cast<TimeField>(year);
  time.tm_sec = static_cast<TimeField>(DateField("%ss", date));
  time.tm_min = static_cast<TimeField>(DateField("%ii", date));
  time.tm_hour = static_cast<TimeField>(DateField("%hh", date));
  time.tm_mday = static_cast<TimeField>(DateField("%dd", date));
  time.tm_mon = static_cast<TimeField>(DateField("%mm", date) - 1);
  return time;
}

// The last-write date and size of a file that can be opened for reading
// (others may go on writing it). False for a missing file, a folder or a
// file without read access.
bool ReadFileStamp(std::string_view path, DateValue* date, std::int64_t* size) {
  platform::File* probe = platform::OpenFile(path, platform::OpenMode::kReadAny);
  if (probe == nullptr) return false;
  platform::CloseFile(probe);
  platform::FileInfo info;
  if (!platform::GetFileInfo(path, &info)) return false;
  // A time the platform cannot convert gives 0, which is stored as the
  // first MS-DOS moment like every early time: the file is packed anyway.
  *date = FileTimeToDate(info.written);
  *size = info.size;
  return true;
}

// Deflating a whole chunk at level 9 can take tens of milliseconds, so it
// goes to the library in pieces, with the windows served between them. The
// compressed bytes do not depend on how the input is cut. The status of the
// chunk's first failing piece, ZIP_OK when none failed.
int WriteChunk(const char* data, std::int64_t count) {
  int status = ZIP_OK;
  for (std::int64_t at = 0; at < count; at += kDeflatePiece) {
    const std::int64_t piece = count - at < kDeflatePiece ? count - at : kDeflatePiece;
    const int result =
        zipWriteInFileInZip(state.openArchive, data + at, static_cast<unsigned>(piece));
    if (status == ZIP_OK) status = result;
    platform::KeepServing();
  }
  return status;
}

// Streams the file's bytes into the entry that has just begun, noting their
// count and CRC-32 in `check`. The status of the last chunk write; -1 when
// nothing was written or reading failed.
int StreamFile(std::string_view path, std::int64_t size, ZipEntryCheck* check) {
  if (size == 0) return -1;
  platform::File* file = platform::OpenFile(path, platform::OpenMode::kReadDenyWrite);
  if (file == nullptr) {
    // The entry stays empty although the file is not.
    NoteFailure(-1);
    return -1;
  }
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kChunkBytes]());
  if (buffer == nullptr) {
    platform::CloseFile(file);
    NoteFailure(-1);
    return -1;
  }
  int result = -1;
  for (;;) {
    std::int64_t got = platform::ReadFile(file, buffer.get(), kChunkBytes);
    if (got < 0) {
      // The entry would end short of the file's real contents.
      result = -1;
      NoteFailure(result);
      break;
    }
    if (got == 0) break;
    check->size += static_cast<std::uint64_t>(got);
    check->crc = static_cast<std::uint32_t>(
        crc32(check->crc, reinterpret_cast<const Bytef*>(buffer.get()), static_cast<uInt>(got)));
    // A failed chunk does not stop the loop; a later chunk's status replaces
    // its result, but the archive remembers the failure.
    result = WriteChunk(buffer.get(), got);
    NoteFailure(result);
    platform::PauseMs(kChunkPauseMs);
  }
  buffer.reset();
  platform::CloseFile(file);
  return result;
}

}  // namespace

void InitZipWriter() {
  state = WriterState{};
  state.method = Z_DEFLATED;
}

namespace {

std::intptr_t Create(std::string_view path, int mode, bool exclusive) {
  if (state.openArchive != nullptr) {
    // The earlier archive has no caller left to hear of a failure here.
    zipClose(state.openArchive, nullptr);
    state.openArchive = nullptr;
  }
  state.failure = 0;
  state.entries.clear();
  state.path = std::string(path);
  // minizip takes a C string: a path with a NUL in it would name another file.
  if (path.find('\0') != std::string_view::npos) return 0;
  state.openArchive = OpenZip(std::string(path), mode, exclusive);
  return reinterpret_cast<std::intptr_t>(state.openArchive);
}

}  // namespace

std::intptr_t CreateArchive(std::string_view path, int mode) { return Create(path, mode, false); }

std::intptr_t CreateNewArchive(std::string_view path) {
  return Create(path, APPEND_STATUS_CREATE, true);
}

int AddFileToArchive(std::string_view path, int keepPath) {
  if (state.openArchive == nullptr) return -1;
  DateValue date = 0;
  std::int64_t size = 0;
  if (!ReadFileStamp(path, &date, &size)) return -1;

  std::string name = ZipEntryName(path, keepPath);
  if (name.empty() || name.size() > kMaxNameBytes || name.find('\0') != std::string::npos) {
    // The file exists but cannot be stored under a usable name.
    NoteFailure(-1);
    return -1;
  }

  zip_fileinfo info{};
  info.tmz_date = EntryTime(date);
  info.dosDate = 0;
  info.internal_fa = 0;
  info.external_fa = platform::FileAttributes(path);
  int status = zipOpenNewFileInZip(state.openArchive, name.c_str(), &info, nullptr, 0, nullptr, 0,
                                   nullptr, state.method, kLevel);
  if (status != ZIP_OK) {
    NoteFailure(status);
    return status;
  }
  state.entries.push_back({name, 0, 0});
  int result = StreamFile(path, size, &state.entries.back());
  NoteFailure(zipCloseFileInZip(state.openArchive));
  return result;
}

int CloseArchive() {
  if (state.openArchive == nullptr) return 0;
  NoteFailure(zipClose(state.openArchive, nullptr));
  state.openArchive = nullptr;
  // Only an archive whose every write succeeded is worth reading back.
  if (state.failure == 0) NoteFailure(VerifyArchive(state.path, state.entries));
  int result = state.failure;
  state.failure = 0;
  state.entries.clear();
  return result;
}

int FileEntryCheck(std::string_view path, ZipEntryCheck* out) {
  platform::File* file = platform::OpenFile(path, platform::OpenMode::kReadAny);
  if (file == nullptr) return -1;
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kChunkBytes]);
  *out = ZipEntryCheck{ZipEntryName(path, 0), 0, 0};
  std::int64_t got = buffer == nullptr ? -1 : 0;
  while (buffer != nullptr && (got = platform::ReadFile(file, buffer.get(), kChunkBytes)) > 0) {
    out->size += static_cast<std::uint64_t>(got);
    out->crc = static_cast<std::uint32_t>(
        crc32(out->crc, reinterpret_cast<const Bytef*>(buffer.get()), static_cast<uInt>(got)));
    platform::KeepServing();
  }
  platform::CloseFile(file);
  return got == 0 ? 0 : -1;
}

int AddKnownFileToArchive(std::string_view path, const ZipEntryCheck& expected) {
  if (state.openArchive == nullptr) return -1;
  const std::size_t before = state.entries.size();
  const int result = AddFileToArchive(path, 0);
  const bool added = state.entries.size() == before + 1;
  if (!added || state.entries.back().name != expected.name ||
      state.entries.back().size != expected.size || state.entries.back().crc != expected.crc) {
    NoteFailure(-1);
  }
  return result;
}

const std::vector<ZipEntryCheck>& ArchiveEntries() { return state.entries; }
