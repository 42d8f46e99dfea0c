// Whether an archive's name agrees with its contents. The name's parts may
// stand in any order and beside any free text, and a driver name or free
// text may itself hold "_", spaces or digits, so each part is matched as a
// whole: "_" + part + "_" must occur in "_" + name + "_".
#include <array>
#include <string>
#include <vector>

#include "archive/zip_writer.h"
#include "check/check_internal.h"
#include "platform/platform.h"

namespace {

bool HoldsPart(const std::string& name, const std::string& part) {
  if (part.empty()) return false;
  return ("_" + name + "_").find("_" + part + "_") != std::string::npos;
}

// A part made only of digits, with an optional leading "-".
bool NumberLike(const std::string& part) {
  const std::size_t first = !part.empty() && part[0] == '-' ? 1 : 0;
  if (first >= part.size()) return false;
  return part.find_first_not_of("0123456789", first) == std::string::npos;
}

std::vector<std::string> SplitParts(const std::string& name) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = name.find('_', start);
    parts.push_back(name.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

void Absent(const std::string& text, bool required, std::vector<std::string>* problems,
            std::vector<std::string>* notes) {
  (required ? problems : notes)->push_back(text);
}

}  // namespace

void CheckNameParts(const std::string& name, const NameParts& parts, const CheckOptions& options,
                    std::vector<std::string>* problems, std::vector<std::string>* notes) {
  if (!HoldsPart(name, parts.trackName)) {
    Absent("track name absent from the name", options.requireTrack, problems, notes);
  }
  if (!HoldsPart(name, parts.driver)) {
    Absent("driver name absent from the name", options.requireDriver, problems, notes);
  }
  if (!parts.numberKnown) return;
  const std::string number = std::to_string(parts.number);
  if (HoldsPart(name, number)) return;
  // The number a name would show is its last number-like part: the default
  // order puts the number last, and free text usually stands first.
  std::string shown;
  for (const std::string& part : SplitParts(name)) {
    if (NumberLike(part)) shown = part;
  }
  if (!shown.empty()) {
    problems->push_back("number in the name " + shown + ", computed from the saved game " + number);
  } else {
    Absent("number absent from the name", options.requireNumber, problems, notes);
  }
}

bool SamePackedName(const std::string& fileName, const std::string& packedName) {
  return SameEntryName(fileName, packedName, false);
}

std::string OemToAnsi(const std::string& oem) {
  // The inverse of the program's own Windows-1252 to CP850 table.
  static const std::array<char, 128> table = [] {
    std::array<char, 128> t;
    t.fill('?');
    for (int c = 255; c >= 0x80; --c) {
      const std::string mapped = platform::AnsiToOem(std::string(1, static_cast<char>(c)));
      const auto b = static_cast<unsigned char>(mapped[0]);
      if (b >= 0x80) t[b - 0x80] = static_cast<char>(c);
    }
    return t;
  }();
  std::string out = oem;
  for (char& ch : out) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x80) ch = table[c - 0x80];
  }
  return out;
}

namespace check {

std::string Stem(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string AsciiLower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

std::string Extension(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : AsciiLower(name.substr(dot + 1));
}

}  // namespace check
