// Sample game folder writer.
#include "tools/sample_game.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace sample {
namespace {

constexpr std::int16_t kLayoutAMarker = 288;
constexpr std::int64_t kSlotStride = 56;

// A byte image that ignores writes outside itself.
class Bytes {
 public:
  explicit Bytes(std::int64_t size) : data_(static_cast<std::size_t>(size), 0) {}
  void put8(std::int64_t pos, std::uint8_t v) {
    if (pos >= 0 && pos < static_cast<std::int64_t>(data_.size())) data_[pos] = v;
  }
  void put16(std::int64_t pos, std::int16_t v) {
    for (int i = 0; i < 2; ++i) put8(pos + i, static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void put32(std::int64_t pos, std::int32_t v) {
    for (int i = 0; i < 4; ++i) put8(pos + i, static_cast<std::uint8_t>(v >> (8 * i)));
  }
  // The text's bytes, at most `max` of them, zero-padded up to `max`.
  void putText(std::int64_t pos, const std::string& text, std::int64_t max) {
    for (std::int64_t i = 0; i < max; ++i) {
      const bool inText = i < static_cast<std::int64_t>(text.size());
      put8(pos + i, inText ? static_cast<std::uint8_t>(text[i]) : 0);
    }
  }
  std::vector<std::uint8_t> take() { return std::move(data_); }

 private:
  std::vector<std::uint8_t> data_;
};

bool fail(std::string* error, const std::string& reason) {
  if (error != nullptr) *error = reason;
  return false;
}

bool writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes, long long utcTime,
               std::string* error) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) return fail(error, "cannot write " + path.string());
  }
  const auto stamp =
      std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(utcTime)));
  fs::last_write_time(path, stamp, ec);
  if (ec) return fail(error, "cannot set the time of " + path.string());
  return true;
}

// A text as the game's readers see it once stored: at most `max` bytes, up
// to a zero byte, without spaces at either end.
std::string storedText(const std::string& text, std::size_t max) {
  std::string s = text.substr(0, std::min(max, text.find('\0')));
  const std::size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// Where the saved game's fields lie.
struct SavePositions {
  std::int64_t blockIndexAt, driverAt, block, pathAt, timeAt, stride;
};

SavePositions positionsOf(const GameOptions& o) {
  SavePositions p;
  p.blockIndexAt = o.layoutA ? 125 : 78;
  p.driverAt = o.layoutA ? 129 : 82;
  p.stride = o.layoutA ? 1497 : 1449;
  p.block = p.driverAt + p.stride * o.blockIndex;
  p.pathAt = p.block + 8 + kSlotStride * o.trackSlot;
  p.timeAt = p.block + 24 + kSlotStride * o.timeSlot;
  return p;
}

std::string numbered(const char* prefix, int i, const char* suffix) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s%05d%s", prefix, i, suffix);
  return buffer;
}

}  // namespace

std::vector<std::uint8_t> SaveGameBytes(const GameOptions& o) {
  const SavePositions p = positionsOf(o);
  // Room for every field plus the game's other blocks after them.
  const std::int64_t end = std::max({p.driverAt + 12, p.pathAt + 39, p.timeAt + 4, p.block + 8});
  Bytes b(std::max<std::int64_t>(end, p.driverAt + p.stride * 4));

  b.put16(0, o.layoutA ? kLayoutAMarker : o.layoutBMarker);
  b.put8(4, static_cast<std::uint8_t>(o.lengthValue));
  b.put8(17, static_cast<std::uint8_t>(o.lengthMode));
  b.put8(p.blockIndexAt, static_cast<std::uint8_t>(o.blockIndex));
  b.putText(p.driverAt, o.driverName, 12);
  b.put8(p.block, static_cast<std::uint8_t>(o.timeSlot));
  b.put8(p.block + 4, static_cast<std::uint8_t>(o.trackSlot));
  b.putText(p.pathAt, o.trackPath, 39);
  b.put32(p.timeAt, o.resultTime);
  return b.take();
}

std::string StoredTrackPath(const GameOptions& o) {
  if (positionsOf(o).pathAt < 0) return std::string();
  return storedText(o.trackPath, 39);
}

std::vector<std::uint8_t> TrackFileBytes(const GameOptions& o) {
  const std::int64_t r = o.recordBlock;
  Bytes b(std::max<std::int64_t>(r + 40, 256));
  b.put32(4, o.recordBlock);
  b.put32(r - 4, o.trackLength);
  b.put16(r, o.recordValue0);
  b.put16(r + 2, o.recordValue1);
  b.putText(r + 14, o.recordName0, 12);
  b.putText(r + 27, o.recordName1, 12);
  return b.take();
}

std::vector<std::uint8_t> Bmp24Bytes(int width, int height, const PixelColour& colour,
                                     bool topDown) {
  const std::int64_t row = (static_cast<std::int64_t>(width) * 3 + 3) / 4 * 4;
  const std::int64_t pixels = row * height;
  Bytes b(54 + pixels);
  b.put8(0, 'B');
  b.put8(1, 'M');
  b.put32(2, static_cast<std::int32_t>(54 + pixels));
  b.put32(10, 54);
  b.put32(14, 40);
  b.put32(18, width);
  b.put32(22, topDown ? -height : height);
  b.put16(26, 1);
  b.put16(28, 24);
  b.put32(34, static_cast<std::int32_t>(pixels));
  for (int stored = 0; stored < height; ++stored) {
    const int y = topDown ? stored : height - 1 - stored;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t rgb = colour(x, y);
      const std::int64_t at = 54 + row * stored + 3 * static_cast<std::int64_t>(x);
      b.put8(at, static_cast<std::uint8_t>(rgb));
      b.put8(at + 1, static_cast<std::uint8_t>(rgb >> 8));
      b.put8(at + 2, static_cast<std::uint8_t>(rgb >> 16));
    }
  }
  return b.take();
}

std::vector<std::uint8_t> ScreenshotBytes(int width, int height, std::uint32_t seed) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  std::uint32_t noise = seed * 2654435761u + 1;
  // Blue grows from the bottom row up, green from left to right.
  return Bmp24Bytes(width, height, [&](int x, int y) {
    noise = noise * 1664525u + 1013904223u;
    const int jitter = static_cast<int>(noise >> 28) - 8;
    const int fromBottom = height - 1 - y;
    const int blue = 255 * fromBottom / height, green = 255 * x / width, red = 255 - green / 2;
    const auto channel = [&](int value) {
      return static_cast<std::uint32_t>(std::clamp(value + jitter, 0, 255));
    };
    return channel(red) << 16 | channel(green) << 8 | channel(blue);
  });
}

bool WriteSampleGame(const std::string& folder, const GameOptions& o, std::string* error) {
  std::error_code ec;
  const fs::path root(folder);
  for (const char* sub : {"Saves", "Screens"}) {
    fs::create_directories(root / sub, ec);
    if (ec) return fail(error, "cannot create " + (root / sub).string());
  }
  const long long newest = o.newestTime != 0
                               ? o.newestTime
                               : std::chrono::duration_cast<std::chrono::seconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                         .count() -
                                     120;

  const std::vector<std::uint8_t> save = SaveGameBytes(o);
  if (!writeFile(root / "Saves" / o.saveName, save, newest, error)) return false;
  if (o.writeAutosave && !writeFile(root / "Saves" / "Autosave.gam", save, newest + 60, error)) {
    return false;
  }
  for (int i = 0; i < o.extraSaves; ++i) {
    const long long time = newest - 60LL * (i + 1);
    if (!writeFile(root / "Saves" / numbered("Race", i, ".gam"), save, time, error)) return false;
  }

  const auto shot = ScreenshotBytes(o.screenWidth, o.screenHeight, o.screenSeed);
  if (!writeFile(root / "Screens" / o.screenName, shot, newest, error)) return false;
  const auto extraShot = ScreenshotBytes(o.extraScreenWidth, o.extraScreenHeight, 2);
  for (int i = 0; i < o.extraScreens; ++i) {
    const long long time = newest - 60LL * (i + 1);
    const fs::path path = root / "Screens" / numbered("Shot", i, ".bmp");
    if (!writeFile(path, extraShot, time, error)) return false;
  }

  if (o.writeTrack) {
    std::string relative = platform::Cp1252ToUtf8("Tracks" + StoredTrackPath(o) + ".trk");
    std::replace(relative.begin(), relative.end(), '\\', '/');
    if (!writeFile(root / relative, TrackFileBytes(o), newest, error)) return false;
  }
  return true;
}

}  // namespace sample
