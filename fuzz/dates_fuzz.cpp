// Feeds arbitrary masks and date values to the date functions. The first
// four bytes are the value, the rest is the mask. Checks what must hold for
// any input: text without "%" passes unchanged, a value that can be taken
// apart survives the round trip through its parts, and its fields are in range.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "support/support.h"

namespace {

void CheckParts(DateValue date) {
  const int year = DateYear(date), month = DateMonth(date), day = DateDay(date);
  const int hour = DateHour(date), minute = DateMinute(date), second = DateSecond(date);
  if (date < 0) {
    if (year != 0 || month != 0 || day != 0 || hour != 0 || minute != 0 || second != 0) {
      __builtin_trap();
    }
    return;
  }
  if (year < 1970 || year > 2038 || month < 1 || month > 12 || day < 1 || day > 31) {
    __builtin_trap();
  }
  if (DateFromParts(year, month, day, hour, minute, second) != date) __builtin_trap();
  // Every field has two digits, the year four, zero-padded.
  const std::string all = DateToText("%yyyy.%mm.%dd %hh:%ii:%ss", date);
  if (all.size() != 19) __builtin_trap();
}

void CheckMask(std::string_view mask, DateValue date) {
  const std::string text = DateToText(mask, date);
  if (mask.find('%') == std::string_view::npos && text != mask) __builtin_trap();
  // A token of n + 1 mask bytes gives n or fewer text bytes ("%yyyy" gives 4).
  if (text.size() > mask.size()) __builtin_trap();
}

std::int32_t Word(const std::uint8_t* data, std::size_t size, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4 && at + i < size; ++i)
    value |= std::uint32_t{data[at + i]} << 8 * i;
  return static_cast<std::int32_t>(value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const DateValue date = Word(data, size, 0);
  const std::string_view mask =
      size > 4 ? std::string_view(reinterpret_cast<const char*>(data + 4), size - 4)
               : std::string_view();
  CheckParts(date);
  CheckMask(mask, date);
  CheckMask(mask, -1);
  // The same bytes read as six calendar fields, including absurd ones.
  const DateValue built =
      DateFromParts(Word(data, size, 4), Word(data, size, 8), Word(data, size, 12),
                    Word(data, size, 16), Word(data, size, 20), Word(data, size, 24));
  if (built < -1) __builtin_trap();
  CheckParts(built);
  return 0;
}
