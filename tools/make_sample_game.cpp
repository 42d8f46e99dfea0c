// make-sample-game FOLDER [options]: writes a sample game folder.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "tools/sample_game.h"

namespace {

const char kUsage[] =
    "usage: make-sample-game FOLDER [options]\n"
    "  --layout A|B          saved-game layout (A)\n"
    "  --block N             block index (2)\n"
    "  --time-slot N         slot of the result time (1)\n"
    "  --track-slot N        slot of the track path (0)\n"
    "  --driver NAME         driver name (\"Ann Lee\")\n"
    "  --track PATH          track path (\\Hills\\Oakfield)\n"
    "  --length N            race length value (10)\n"
    "  --mode N              0: laps, 1: distance (0)\n"
    "  --time N              result time (1850000)\n"
    "  --save NAME           saved-game file name (Race1.gam)\n"
    "  --track-length N      track length (5000)\n"
    "  --record0 N --record1 N            record values (1111, 1234)\n"
    "  --record-name0 S --record-name1 S  record holders\n"
    "  --no-track            write no track file\n"
    "  --screen WxH          newest screenshot size (1024x768)\n"
    "  --screen-seed N       its noise, so that games differ in pictures (1)\n"
    "  --extra-screens N     older screenshots (0)\n"
    "  --extra-screen WxH    their size (160x120)\n"
    "  --extra-saves N       older saved games (0)\n"
    "  --autosave            write Autosave.gam as the newest saved game\n"
    "  --newest UTCSECONDS   time of the newest chosen files (now)\n";

bool parseSize(const char* text, int* width, int* height) {
  return std::sscanf(text, "%dx%d", width, height) == 2 && *width > 0 && *height > 0;
}

// Applies one option that takes a value; false for an unknown option. Texts
// on the command line are UTF-8; the game stores Windows-1252.
bool applyValue(const std::string& opt, const char* value, sample::GameOptions& o) {
  const long n = std::strtol(value, nullptr, 10);
  if (opt == "--layout") {
    o.layoutA = std::strcmp(value, "B") != 0 && std::strcmp(value, "b") != 0;
  } else if (opt == "--block") {
    o.blockIndex = static_cast<std::int8_t>(n);
  } else if (opt == "--time-slot") {
    o.timeSlot = static_cast<std::int8_t>(n);
  } else if (opt == "--track-slot") {
    o.trackSlot = static_cast<std::int8_t>(n);
  } else if (opt == "--driver") {
    o.driverName = platform::Utf8ToCp1252(value);
  } else if (opt == "--track") {
    o.trackPath = platform::Utf8ToCp1252(value);
  } else if (opt == "--length") {
    o.lengthValue = static_cast<std::int8_t>(n);
  } else if (opt == "--mode") {
    o.lengthMode = static_cast<std::int8_t>(n);
  } else if (opt == "--time") {
    o.resultTime = static_cast<std::int32_t>(n);
  } else if (opt == "--save") {
    o.saveName = value;
  } else if (opt == "--track-length") {
    o.trackLength = static_cast<std::int32_t>(n);
  } else if (opt == "--record0") {
    o.recordValue0 = static_cast<std::int16_t>(n);
  } else if (opt == "--record1") {
    o.recordValue1 = static_cast<std::int16_t>(n);
  } else if (opt == "--record-name0") {
    o.recordName0 = platform::Utf8ToCp1252(value);
  } else if (opt == "--record-name1") {
    o.recordName1 = platform::Utf8ToCp1252(value);
  } else if (opt == "--screen") {
    return parseSize(value, &o.screenWidth, &o.screenHeight);
  } else if (opt == "--screen-seed") {
    o.screenSeed = static_cast<std::uint32_t>(n);
  } else if (opt == "--extra-screens") {
    o.extraScreens = static_cast<int>(n);
  } else if (opt == "--extra-screen") {
    return parseSize(value, &o.extraScreenWidth, &o.extraScreenHeight);
  } else if (opt == "--extra-saves") {
    o.extraSaves = static_cast<int>(n);
  } else if (opt == "--newest") {
    o.newestTime = std::strtoll(value, nullptr, 10);
  } else {
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-') {
    std::fputs(kUsage, stderr);
    return 2;
  }
  sample::GameOptions options;
  for (int i = 2; i < argc; ++i) {
    const std::string opt = argv[i];
    if (opt == "--no-track") {
      options.writeTrack = false;
    } else if (opt == "--autosave") {
      options.writeAutosave = true;
    } else if (i + 1 >= argc || !applyValue(opt, argv[i + 1], options)) {
      std::fprintf(stderr, "make-sample-game: bad option %s\n%s", opt.c_str(), kUsage);
      return 2;
    } else {
      ++i;
    }
  }
  std::string error;
  if (!sample::WriteSampleGame(argv[1], options, &error)) {
    std::fprintf(stderr, "make-sample-game: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
