// The line format of the settings file, its UTF-8 conversions and its
// number parser.
#include <cstring>
#include <limits>

#include "support/settings_internal.h"

namespace settings_detail {
namespace {

bool IsBreak(char c) { return c == '\r' || c == '\n' || c == '\0'; }

// Splits a key line: the key runs to the first "=" (trailing blanks dropped),
// the value follows it (leading blanks dropped, trailing blanks kept).
void SplitKeyLine(std::string_view text, std::size_t begin, std::size_t end, ParsedLine* line) {
  std::size_t eq = begin;
  while (eq < end && text[eq] != '=') ++eq;
  std::size_t keyEnd = eq;
  while (keyEnd > begin && IsBlank(text[keyEnd - 1])) --keyEnd;
  line->kind = LineKind::kKey;
  line->keyBegin = begin;
  line->keyLength = keyEnd - begin;
  std::size_t value = eq < end ? eq + 1 : end;
  while (value < end && IsBlank(text[value])) ++value;
  line->valueBegin = value;
  line->valueLength = end - value;
}

void ParseLine(std::string_view text, std::size_t begin, std::size_t end, ParsedLine* line) {
  line->keyBegin = begin;
  line->keyLength = 0;
  if (text[begin] == ';') {
    // A comment: the text after ";" and after at most one space.
    std::size_t start = begin + 1;
    if (start < end && text[start] == ' ') ++start;
    line->kind = LineKind::kComment;
    line->valueBegin = start;
    line->valueLength = end - start;
  } else if (text[begin] == '[') {
    // A group header: the name up to "]" or the end of the line.
    std::size_t start = begin + 1;
    std::size_t close = start;
    while (close < end && text[close] != ']') ++close;
    line->kind = LineKind::kGroup;
    line->valueBegin = start;
    line->valueLength = close - start;
  } else {
    SplitKeyLine(text, begin, end, line);
  }
}

}  // namespace

bool NextLine(std::string_view text, std::size_t* pos, ParsedLine* line) {
  const std::size_t size = text.size();
  std::size_t i = *pos;
  while (i < size) {
    while (i < size && IsBreak(text[i])) ++i;
    const std::size_t lineBegin = i;
    while (i < size && IsBlank(text[i])) ++i;
    const std::size_t begin = i;
    while (i < size && !IsBreak(text[i])) ++i;
    if (i > begin) {
      line->lineBegin = lineBegin;
      ParseLine(text, begin, i, line);
      *pos = i;
      return true;
    }
  }
  *pos = size;
  return false;
}

std::uint64_t WrittenLength(LineKind kind, std::size_t keyLength, std::size_t valueLength) {
  std::uint64_t length = valueLength + 2;  // the text and CR LF
  switch (kind) {
    case LineKind::kGroup:
      return length + 2;  // "[" and "]"
    case LineKind::kComment:
      return length + 2;  // "; "
    case LineKind::kKey:
      return length + keyLength + 3;  // " = "
  }
  return length;
}

char* WriteLine(char* out, LineKind kind, std::string_view key, std::string_view value) {
  auto put = [&out](std::string_view s) {
    if (!s.empty()) std::memcpy(out, s.data(), s.size());
    out += s.size();
  };
  switch (kind) {
    case LineKind::kGroup:
      put("[");
      put(value);
      put("]");
      break;
    case LineKind::kComment:
      put("; ");
      put(value);
      break;
    case LineKind::kKey:
      put(key);
      put(" = ");
      put(value);
      break;
  }
  put("\r\n");
  return out;
}

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::int32_t ParseInt(std::string_view value) {
  std::size_t i = 0;
  while (i < value.size() && (value[i] == ' ' || (value[i] >= '\t' && value[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
    negative = value[i] == '-';
    ++i;
  }
  // The magnitude stops growing just past the 32-bit range, so any number
  // of digits gives a defined, saturated result.
  constexpr std::uint64_t kCap = std::uint64_t{1} << 32;
  std::uint64_t magnitude = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + static_cast<std::uint64_t>(value[i] - '0');
    if (magnitude > kCap) magnitude = kCap;
  }
  constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  std::int64_t signedValue =
      negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  if (signedValue < kMin) signedValue = kMin;
  if (signedValue > kMax) signedValue = kMax;
  return static_cast<std::int32_t>(signedValue);
}

std::string EncodeUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if (b < 0x80) {
      out.push_back(c);
    } else {
      out.push_back(static_cast<char>(0xC0 | (b >> 6)));
      out.push_back(static_cast<char>(0x80 | (b & 0x3F)));
    }
  }
  return out;
}

bool DecodeUtf8(std::string_view text, std::string* out) {
  out->clear();
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length;
    std::uint32_t code;
    if (lead < 0x80) {
      length = 1, code = lead;
    } else if (lead >= 0xC0 && lead <= 0xDF) {
      length = 2, code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF7) {
      length = 4, code = lead & 0x07u;
    } else {
      return false;  // a stray continuation byte or an impossible lead
    }
    if (text.size() - i < length) break;  // cut off: the value ends here
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if (next < 0x80 || next > 0xBF) return false;
      code = (code << 6) | (next & 0x3Fu);
    }
    if (code > 0xFF) return false;
    out->push_back(static_cast<char>(code));
    i += length;
  }
  return true;
}

}  // namespace settings_detail
