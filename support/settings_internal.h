// Private to the settings store: the line format, the UTF-8 conversions and
// the number parser, kept apart from the store's state so they can be read
// (and fuzzed) on their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace settings_detail {

enum class LineKind : std::uint8_t { kKey, kComment, kGroup };

// One line of the file as read. Offsets count from the start of the text
// handed to NextLine. For a comment or a group header only the value part is
// used (the comment text, the group name).
struct ParsedLine {
  LineKind kind = LineKind::kKey;
  std::size_t lineBegin = 0;  // first byte of the line (before indentation)
  std::size_t keyBegin = 0, keyLength = 0;
  std::size_t valueBegin = 0, valueLength = 0;
};

// Finds the next line that holds anything, starting at *pos, and parses it.
// CR, LF and NUL end a line, and runs of them are one break; lines of only
// spaces and tabs are passed over. Advances *pos past the line; false when
// no further line exists.
bool NextLine(std::string_view text, std::size_t* pos, ParsedLine* line);

// Bytes a line takes in the written file, CR LF included.
std::uint64_t WrittenLength(LineKind kind, std::size_t keyLength, std::size_t valueLength);
// Writes one line (CR LF included) at out; returns the position after it.
char* WriteLine(char* out, LineKind kind, std::string_view key, std::string_view value);

// ASCII letters compare case-insensitively, every other byte exactly.
bool SameKey(std::string_view a, std::string_view b);

// Signed decimal with leading white space and an optional sign; 0 without
// digits; saturates at the 32-bit limits.
std::int32_t ParseInt(std::string_view value);

// Single-byte (ISO 8859-1) text to UTF-8.
std::string EncodeUtf8(std::string_view text);
// UTF-8 to single-byte text. False for a malformed sequence or a character
// above U+00FF; a sequence cut off by the end of the text ends the result.
bool DecodeUtf8(std::string_view text, std::string* out);

// Spaces and tabs are the only blanks of the format.
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace settings_detail
