// Readers of the saved game and the track file: a handful of fields at fixed
// positions, read from bytes in memory. The tool reads each file into the
// shared file buffer and parses it there; the proof checker parses entries
// it inflated itself.
//
// The positions come from the files themselves (block index, slot numbers,
// record position), so every read goes through a bounded view of the bytes
// actually read: a position outside them, negative or far beyond the end,
// reads as zero. Positions are 64-bit, so no offset arithmetic can overflow.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/app.h"
#include "core/zip_folder.h"

namespace {

constexpr std::int16_t kLayoutAMarker = 288;

// Layout of the saved game: where the header fields and the result blocks are.
struct SaveLayout {
  std::int64_t blockIndexAt;
  std::int64_t driverNameAt;
  std::int64_t blockStride;
};
constexpr SaveLayout kLayoutA = {125, 129, 1497};
constexpr SaveLayout kLayoutB = {78, 82, 1449};
constexpr std::int64_t kSlotStride = 56;
constexpr std::int64_t kDriverNameMax = 12;
constexpr std::int64_t kTrackPathMax = 39;
constexpr std::int64_t kRecordNameMax = 12;

// The bytes of the last file read; nothing outside [0, size) is ever touched.
class BoundedBytes {
 public:
  BoundedBytes(const std::uint8_t* data, std::int64_t size)
      : data_(data), size_(data == nullptr ? 0 : size) {}

  std::uint8_t byteAt(std::int64_t pos) const { return (pos >= 0 && pos < size_) ? data_[pos] : 0; }
  std::int8_t s8(std::int64_t pos) const { return static_cast<std::int8_t>(byteAt(pos)); }
  std::int16_t s16(std::int64_t pos) const {
    return static_cast<std::int16_t>(byteAt(pos) | (byteAt(pos + 1) << 8));
  }
  std::int32_t s32(std::int64_t pos) const {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | byteAt(pos + i);
    return static_cast<std::int32_t>(v);
  }
  // A text of at most `max` bytes, ending early at a zero byte, without
  // spaces (byte 32 only) at either end.
  std::string text(std::int64_t pos, std::int64_t max) const {
    std::string s;
    for (std::int64_t i = 0; i < max; ++i) {
      std::uint8_t c = byteAt(pos + i);
      if (c == 0) break;
      s.push_back(static_cast<char>(c));
    }
    std::size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
  }

 private:
  const std::uint8_t* data_;
  std::int64_t size_;
};

// Reads the file at `path` into the file buffer, at most the buffer's size.
// fileLength becomes the number of bytes actually read; bytes of an earlier
// file beyond that stay in the buffer but are outside every later read.
// False when the file cannot be opened (nothing changes then).
bool loadIntoBuffer(const std::string& path) {
  AppState& s = app();
  if (!OpenInputFile(0, path)) return false;
  std::int64_t wanted = InputFileLength(0);
  if (wanted < 0) wanted = 0;
  if (wanted > kFileBufferSize) wanted = kFileBufferSize;
  if (s.fileBuffer == nullptr) wanted = 0;
  std::int64_t got = 0;
  while (got < wanted) {
    std::int64_t n = ReadInputFile(0, s.fileBuffer + got, wanted - got);
    if (n <= 0) break;
    got += n;
  }
  CloseInputFile(0);
  s.fileLength = static_cast<std::int32_t>(got);
  return true;
}

}  // namespace

// A stored track path comes from a file anyone could have written: one
// that climbs out of Tracks (a ".." component; Windows also takes ". ." and
// "..." that way) or names a drive or stream (":") must not make the tool
// read or pack a file from elsewhere. Nor may its last part name a device:
// Windows would open the console for "Tracks\Con.trk", and could not unpack
// an entry of that name as a file.
bool staysInsideTracks(std::string_view path) {
  if (path.find(':') != std::string_view::npos) return false;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view part = path.substr(start, end - start);
    const bool dotsOnly = part.find_first_not_of(". ") == std::string_view::npos;
    if (dotsOnly && std::count(part.begin(), part.end(), '.') >= 2) return false;
    if (end == path.size() && namesWindowsDevice(part)) return false;
    start = end + 1;
  }
  return true;
}

SaveGameRecord parseSaveGame(const std::uint8_t* data, std::int64_t size) {
  const BoundedBytes bytes(data, size);
  const SaveLayout& layout = bytes.s16(0) == kLayoutAMarker ? kLayoutA : kLayoutB;
  SaveGameRecord r;
  r.driverName = bytes.text(layout.driverNameAt, kDriverNameMax);
  r.lengthValue = bytes.s8(4);
  r.lengthMode = bytes.s8(17);
  r.blockIndex = bytes.s8(layout.blockIndexAt);
  const std::int64_t block = layout.driverNameAt + layout.blockStride * r.blockIndex;
  r.timeSlot = bytes.s8(block);
  r.trackSlot = bytes.s8(block + 4);
  r.trackPath = bytes.text(block + 8 + kSlotStride * r.trackSlot, kTrackPathMax);
  r.resultTime = bytes.s32(block + 24 + kSlotStride * r.timeSlot);
  return r;
}

ByteSpan driverNameField(const std::uint8_t* data, std::int64_t size) {
  const BoundedBytes bytes(data, size);
  const SaveLayout& layout = bytes.s16(0) == kLayoutAMarker ? kLayoutA : kLayoutB;
  ByteSpan span;
  span.at = std::min(layout.driverNameAt, std::max<std::int64_t>(size, 0));
  span.count = std::clamp<std::int64_t>(size - layout.driverNameAt, 0, kDriverNameMax);
  return span;
}

TrackRecord parseTrackFile(const std::uint8_t* data, std::int64_t size, std::int8_t blockIndex) {
  const BoundedBytes bytes(data, size);
  TrackRecord r;
  r.recordBlock = bytes.s32(4);
  r.trackLength = bytes.s32(r.recordBlock - 4);
  // Block 1 takes the second record; every other block the first one.
  const bool second = blockIndex == 1;
  r.recordValue = bytes.s16(r.recordBlock + (second ? 2 : 0));
  r.recordName = bytes.text(r.recordBlock + (second ? 27 : 14), kRecordNameMax);
  return r;
}

void readSaveGame() {
  AppState& s = app();
  s.trackPath.clear();
  if (!loadIntoBuffer(s.workDir + "Saves\\" + s.saveName)) return;
  const SaveGameRecord r = parseSaveGame(s.fileBuffer, s.fileLength);
  s.driverName = r.driverName;
  s.lengthValue = r.lengthValue;
  s.lengthMode = r.lengthMode;
  s.blockIndex = r.blockIndex;
  s.timeSlot = r.timeSlot;
  s.trackSlot = r.trackSlot;
  s.trackPath = r.trackPath;
  s.resultTime = r.resultTime;
}

void readTrackFile() {
  AppState& s = app();
  s.timeOrSpeed = 0;
  if (!staysInsideTracks(s.trackPath)) {
    // As for a missing track file, but nothing is opened or packed.
    s.trackFile.clear();
    return;
  }
  // The stored path normally begins with a backslash, so none is inserted.
  s.trackFile = s.workDir + "Tracks" + s.trackPath + ".trk";
  if (!loadIntoBuffer(s.trackFile)) return;
  const TrackRecord r = parseTrackFile(s.fileBuffer, s.fileLength, s.blockIndex);
  s.recordBlock = r.recordBlock;
  s.trackLength = r.trackLength;
  s.timeOrSpeed = r.recordValue;
  if (s.driverName.empty()) s.driverName = r.recordName;
}
