// Code-page conversions between the program's Windows-1252 texts, UTF-8 and
// the OEM code page 850 used for zip entry names.
#include <array>
#include <cstdint>

#include "platform/platform.h"

namespace platform {
namespace {

// Unicode code points of Windows-1252 0x80..0x9F (0 = not defined).
constexpr std::array<std::uint16_t, 32> kCp1252High = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// Unicode code points of CP850 0x80..0xFF.
constexpr std::array<std::uint16_t, 128> kCp850High = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8,
    0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2,
    0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1,
    0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD,
    0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2,
    0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534,
    0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560,
    0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580, 0x00D3, 0x00DF, 0x00D4,
    0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD,
    0x00AF, 0x00B4, 0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8, 0x00B0,
    0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0};

// Closest ASCII forms of the Windows-1252 characters 0x80..0x9F that CP850
// lacks ("?" where there is no obvious one).
constexpr char kCp1252HighAscii[] = "E?,?\".++^%S<O?Z?" "?''\"\"*--~Ts>o?zY";

std::uint32_t Cp1252ToCodePoint(unsigned char c) {
  if (c >= 0x80 && c < 0xA0) {
    std::uint16_t cp = kCp1252High[c - 0x80];
    return cp != 0 ? cp : c;
  }
  return c;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char CodePointToCp1252(std::uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
  for (int i = 0; i < 32; ++i) {
    if (kCp1252High[i] == cp) return static_cast<char>(0x80 + i);
  }
  // The C1 controls Windows-1252 leaves undefined map to themselves.
  if (cp == 0x81 || cp == 0x8D || cp == 0x8F || cp == 0x90 || cp == 0x9D) {
    return static_cast<char>(cp);
  }
  return '?';
}

// Decodes one UTF-8 sequence at text[i]; advances i. 0xFFFFFFFF when malformed.
std::uint32_t DecodeUtf8(std::string_view text, std::size_t& i) {
  unsigned char lead = static_cast<unsigned char>(text[i++]);
  if (lead < 0x80) return lead;
  int extra = 0;
  std::uint32_t cp = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1, cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2, cp = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3, cp = lead & 0x07;
  } else {
    return 0xFFFFFFFFu;
  }
  for (int k = 0; k < extra; ++k) {
    if (i >= text.size()) return 0xFFFFFFFFu;
    unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c & 0xC0) != 0x80) return 0xFFFFFFFFu;
    cp = (cp << 6) | (c & 0x3F);
    ++i;
  }
  return cp;
}

}  // namespace

std::string Cp1252ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) AppendUtf8(out, Cp1252ToCodePoint(static_cast<unsigned char>(c)));
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::uint32_t cp = DecodeUtf8(text, i);
    out += cp == 0xFFFFFFFFu ? '?' : CodePointToCp1252(cp);
  }
  return out;
}

std::string AnsiToOem(std::string_view text) {
  std::string out(text);
  for (char& ch : out) {
    unsigned char c = static_cast<unsigned char>(ch);
    if (c < 0x80) continue;
    std::uint32_t cp = Cp1252ToCodePoint(c);
    char mapped = 0;
    for (int i = 0; i < 128 && mapped == 0; ++i) {
      if (kCp850High[i] == cp) mapped = static_cast<char>(0x80 + i);
    }
    if (mapped == 0) mapped = c < 0xA0 ? kCp1252HighAscii[c - 0x80] : '?';
    ch = mapped;
  }
  return out;
}

unsigned char FoldCase(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  return c;
}

}  // namespace platform
