// Time on POSIX: local time by the offset in force now, and pauses.
#include <time.h>

#include <cerrno>

#include "platform/fault_table.h"
#include "platform/platform.h"

namespace platform {

namespace {

// The zone offset in force now, in seconds east of UTC.
bool OffsetNow(long* offset) {
  const time_t now = time(nullptr);
  struct tm local;
  if (localtime_r(&now, &local) == nullptr) return false;
  *offset = local.tm_gmtoff;
  return true;
}

}  // namespace

bool FileTimeToLocal(FileTime utc, LocalTime* out) {
  long offset = 0;
  if (!OffsetNow(&offset)) return false;
  // The same offset for every time, whatever its season: stamps then keep
  // the order of the true modification times.
  FileTime shifted = 0;
  if (__builtin_add_overflow(utc, static_cast<FileTime>(offset), &shifted)) return false;
  time_t t = static_cast<time_t>(shifted);
  struct tm parts;
  if (gmtime_r(&t, &parts) == nullptr) return false;
  *out = {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
          parts.tm_hour, parts.tm_min, parts.tm_sec};
  return true;
}

void SleepMs(int milliseconds) {
  struct timespec wait = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

}  // namespace platform
