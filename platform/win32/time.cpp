// Time on Windows: file-time conversions, local time by the offset in force
// now, and pauses.
#include "platform/fault_table.h"
#include "platform/platform.h"
#include "platform/win32/win32_internal.h"

namespace platform {
namespace {

constexpr std::int64_t kTicksPerSecond = 10000000;
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kEpochDifference = 11644473600;

// Seconds since 1970 to FILETIME ticks; false outside the range FILETIME
// functions accept (1601 up to the largest positive 64-bit tick count).
bool ToFileTime(FileTime seconds, FILETIME* out) {
  std::int64_t since1601 = 0;
  std::int64_t ticks = 0;
  if (__builtin_add_overflow(seconds, kEpochDifference, &since1601) || since1601 < 0 ||
      __builtin_mul_overflow(since1601, kTicksPerSecond, &ticks)) {
    return false;
  }
  const auto value = static_cast<std::uint64_t>(ticks);
  out->dwLowDateTime = static_cast<DWORD>(value & 0xFFFFFFFFu);
  out->dwHighDateTime = static_cast<DWORD>(value >> 32);
  return true;
}

}  // namespace

FileTime FromFileTime(const FILETIME& ticks) {
  const std::uint64_t value =
      (static_cast<std::uint64_t>(ticks.dwHighDateTime) << 32) | ticks.dwLowDateTime;
  return static_cast<FileTime>(value / kTicksPerSecond) - kEpochDifference;
}

bool FileTimeToLocal(FileTime utc, LocalTime* out) {
  FILETIME universal;
  FILETIME local;
  SYSTEMTIME parts;
  // FileTimeToLocalFileTime applies the bias in force now (daylight saving
  // of the present moment) to every time alike, so stamps keep the order of
  // the true modification times.
  if (!ToFileTime(utc, &universal) || !FileTimeToLocalFileTime(&universal, &local) ||
      !FileTimeToSystemTime(&local, &parts)) {
    return false;
  }
  *out = {parts.wYear, parts.wMonth, parts.wDay, parts.wHour, parts.wMinute, parts.wSecond};
  return true;
}

void SleepMs(int milliseconds) {
  Sleep(static_cast<DWORD>(milliseconds));
}

}  // namespace platform
