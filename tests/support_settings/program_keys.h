// The keys the program keeps in its settings file, with their first-run
// values, in the order the program reads them at start and writes them on the
// first run. Free of GoogleTest so that fuzz targets may use it too.
#pragma once

#include <cstdint>
#include <string_view>

#include "support/support.h"

namespace program_keys {

struct Key {
  std::string_view name;
  std::int32_t value;  // unused for the text key
  bool text;
};

inline constexpr Key kKeys[] = {
    {"Track", 1, false},     {"Game", 1, false},       {"Screen", 1, false},
    {"bmp/jpg", 0, false},   {"text", 0, true},        {"TextPos", 0, false},
    {"trackname", 1, false}, {"drivername", 2, false}, {"time/kmh", 3, false},
};

// The program's nine reads at start, each with its first-run value as default.
inline void ReadAll() {
  for (const Key& key : kKeys) {
    if (key.text) {
      SettingsFile::readString(key.name, "");
    } else {
      SettingsFile::readInt(key.name, key.value);
    }
  }
}

// The nine writes of the first run.
inline void WriteAll() {
  for (const Key& key : kKeys) {
    if (key.text) {
      SettingsFile::writeString(key.name, "");
    } else {
      SettingsFile::writeInt(key.name, key.value);
    }
  }
}

}  // namespace program_keys
