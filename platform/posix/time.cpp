// Time on POSIX: local time by the offset in force now, pauses, a clock.
#include <time.h>

#include <cerrno>

#include "platform/fault_table.h"
#include "platform/platform.h"

namespace platform {

bool FileTimeToLocal(FileTime utc, LocalTime* out) {
  time_t now = time(nullptr);
  struct tm local;
  if (localtime_r(&now, &local) == nullptr) return false;
  // The same offset for every time, whatever its season: stamps then keep
  // the order of the true modification times.
  FileTime shifted = 0;
  if (__builtin_add_overflow(utc, static_cast<FileTime>(local.tm_gmtoff), &shifted)) return false;
  time_t t = static_cast<time_t>(shifted);
  struct tm parts;
  if (gmtime_r(&t, &parts) == nullptr) return false;
  *out = {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
          parts.tm_hour, parts.tm_min, parts.tm_sec};
  return true;
}

void PauseMs(int milliseconds) {
  CallFails(Op::kPause);
  CountPause(milliseconds);
  if (!PausesEnabled() || milliseconds <= 0) return;
  struct timespec wait = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

std::int64_t MonotonicMs() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace platform
