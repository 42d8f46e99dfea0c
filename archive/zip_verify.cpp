// Reading a finished archive back: every entry is inflated and compared
// with what was packed, so that "ok" is only ever said of an archive that a
// reader can unpack whole.
#include <minizip/unzip.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "archive/zip_streams.h"
#include "archive/zip_writer.h"
#include "platform/platform.h"

namespace {

// Small enough that inflating one read takes a few milliseconds: the windows
// are served between reads.
constexpr unsigned kReadBytes = 1 << 18;

// The current entry's directory record against the expected one.
bool RecordMatches(unzFile zip, const ZipEntryCheck& want) {
  unz_file_info info;
  std::string name(want.name.size() + 1, '\0');
  if (unzGetCurrentFileInfo(zip, &info, name.data(), static_cast<uLong>(name.size()), nullptr, 0,
                            nullptr, 0) != UNZ_OK) {
    return false;
  }
  name.resize(want.name.size());
  return info.size_filename == want.name.size() && name == want.name &&
         info.uncompressed_size == want.size && info.crc == want.crc;
}

// Inflates the current entry; true when it yields the expected number of
// bytes and their CRC-32 is the one in the directory (the reader computes
// it while inflating and refuses the close otherwise). RecordMatches has
// compared the directory's CRC-32 with the packed bytes' already.
bool ContentMatches(unzFile zip, const ZipEntryCheck& want, char* buffer) {
  if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
  std::uint64_t size = 0;
  int got = 0;
  while ((got = unzReadCurrentFile(zip, buffer, kReadBytes)) > 0) {
    size += static_cast<std::uint64_t>(got);
    platform::KeepServing();
  }
  const bool closed = unzCloseCurrentFile(zip) == UNZ_OK;
  return got == 0 && closed && size == want.size;
}

bool Matches(unzFile zip, const std::vector<ZipEntryCheck>& expected) {
  unz_global_info global;
  if (unzGetGlobalInfo(zip, &global) != UNZ_OK || global.number_entry != expected.size()) {
    return false;
  }
  std::unique_ptr<char[]> buffer(new (std::nothrow) char[kReadBytes]);
  if (buffer == nullptr) return false;
  int step = unzGoToFirstFile(zip);
  for (const ZipEntryCheck& want : expected) {
    if (step != UNZ_OK || !RecordMatches(zip, want) || !ContentMatches(zip, want, buffer.get())) {
      return false;
    }
    step = unzGoToNextFile(zip);
  }
  return expected.empty() || step == UNZ_END_OF_LIST_OF_FILE;
}

// minizip's reader refuses an archive without entries. Such an archive is
// its end record alone: 22 bytes, no entries, no directory.
bool IsEmptyArchive(std::string_view path) {
  constexpr std::int64_t kEndRecordBytes = 22;
  platform::File* file = platform::OpenFile(path, platform::OpenMode::kReadAny);
  if (file == nullptr) return false;
  unsigned char bytes[kEndRecordBytes + 1] = {};
  const std::int64_t got = platform::ReadFile(file, bytes, sizeof bytes);
  platform::CloseFile(file);
  static const unsigned char kEmpty[kEndRecordBytes] = {'P', 'K', 5, 6};
  return got == kEndRecordBytes && std::memcmp(bytes, kEmpty, sizeof kEmpty) == 0;
}

}  // namespace

int VerifyArchive(std::string_view path, const std::vector<ZipEntryCheck>& expected) {
  if (path.find('\0') != std::string_view::npos) return -1;
  if (expected.empty()) return IsEmptyArchive(path) ? 0 : -1;
  zlib_filefunc_def functions;
  FillArchiveStreamFunctions(&functions);
  unzFile zip = unzOpen2(std::string(path).c_str(), &functions);
  if (zip == nullptr) return -1;
  const bool intact = Matches(zip, expected);
  const bool closed = unzClose(zip) == UNZ_OK;
  return intact && closed ? 0 : -1;
}
