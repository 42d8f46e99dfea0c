// Writes a sample game folder: Saves/, Screens/ and Tracks/ with a saved
// game, a track file and screenshots whose file times make the chosen ones
// the newest. Used by the demo, the tests and the benchmarks.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sample {

struct GameOptions {
  // Saved game. Layout A starts with the marker 288; layout B with
  // `layoutBMarker` (any other value).
  bool layoutA = true;
  std::int16_t layoutBMarker = 256;
  std::int8_t blockIndex = 2;
  std::int8_t timeSlot = 1;
  std::int8_t trackSlot = 0;
  std::string driverName = "Ann Lee";           // Windows-1252; at most 12 bytes are stored
  std::string trackPath = "\\Hills\\Oakfield";  // at most 39 bytes are stored
  std::int8_t lengthValue = 10;
  std::int8_t lengthMode = 0;
  std::int32_t resultTime = 1850000;
  std::string saveName = "Race1.gam";

  // Track file (Tracks + trackPath + ".trk"): record block position, track
  // length, the two record values and names.
  bool writeTrack = true;
  std::int32_t recordBlock = 64;
  std::int32_t trackLength = 5000;
  std::int16_t recordValue0 = 1111;
  std::int16_t recordValue1 = 1234;
  std::string recordName0 = "Max Holm";
  std::string recordName1 = "Eva Stone";

  // Screenshots: a gradient with noise, 24 bits per pixel.
  std::string screenName = "Screen1.bmp";
  int screenWidth = 1024;
  int screenHeight = 768;
  std::uint32_t screenSeed = 1;  // its noise: another seed, another picture
  int extraScreens = 0;  // older screenshots "Shot00000.bmp" ...
  int extraScreenWidth = 160;
  int extraScreenHeight = 120;

  // Older saved games "Race00000.gam" ..., copies of the chosen one.
  int extraSaves = 0;
  // Autosave.gam, newer than every other saved game.
  bool writeAutosave = false;

  // UTC seconds of the newest chosen file; 0 means the present time. Every
  // extra file is at least one minute older than the chosen ones.
  long long newestTime = 0;
};

// The bytes of a saved game for `options`. The result block is written after
// the header fields, so where they overlap (block 0 of layout A starts at the
// driver name) the block's bytes win. Positions outside the file are skipped.
std::vector<std::uint8_t> SaveGameBytes(const GameOptions& options);
// The track path as the readers find it in that saved game: at most 39
// bytes, trimmed, and empty when its slot lies before the start of the file.
std::string StoredTrackPath(const GameOptions& options);
// The bytes of a track file for `options`.
std::vector<std::uint8_t> TrackFileBytes(const GameOptions& options);
// A bottom-up 24-bit BMP of the given size: a gradient with a little noise.
std::vector<std::uint8_t> ScreenshotBytes(int width, int height, std::uint32_t seed);

// Colour of the pixel at (x, y), y counted from the top, as 0x00RRGGBB.
using PixelColour = std::function<std::uint32_t(int x, int y)>;
// A complete 24-bit BMP (rows padded to 4 bytes, no resolution given),
// bottom-up unless `topDown`, which stores the top row first under a
// negative height. `colour` is asked in the order the pixels are stored.
std::vector<std::uint8_t> Bmp24Bytes(int width, int height, const PixelColour& colour,
                                     bool topDown = false);

// Writes the sample game below the host folder `folder` (created when
// missing). The track file goes where the program looks for it: "Tracks" +
// the stored track path + ".trk", with no separator inserted. Returns false and a reason in `error`
// when something failed.
bool WriteSampleGame(const std::string& folder, const GameOptions& options, std::string* error);

}  // namespace sample
