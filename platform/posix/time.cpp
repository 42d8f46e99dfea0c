// Time on POSIX: local time by the offset in force now, and pauses.
#include <time.h>

#include <cerrno>

#include "platform/fault_table.h"
#include "platform/platform.h"

namespace platform {

namespace {

// The zone offset in force now, in seconds east of UTC. A folder scan asks
// for it once per file, so it is worked out again only when the second or
// the zone (as the C library last read it: names and base offset) changes.
bool OffsetNow(long* offset) {
  struct Zone {
    time_t at = -1;
    long base = 0;
    int daylight = 0;
    const char* names[2] = {nullptr, nullptr};
    long offset = 0;
    bool operator==(const Zone& o) const {
      return at == o.at && base == o.base && daylight == o.daylight &&
             names[0] == o.names[0] && names[1] == o.names[1];
    }
  };
  static Zone known;
  const auto current = [](time_t now) {
    Zone z;
    z.at = now;
    z.base = timezone;
    z.daylight = daylight;
    z.names[0] = tzname[0];
    z.names[1] = tzname[1];
    return z;
  };
  const time_t now = time(nullptr);
  if (!(current(now) == known)) {
    struct tm local;
    if (localtime_r(&now, &local) == nullptr) return false;
    // localtime_r may have read the zone for the first time: key on what it found.
    known = current(now);
    known.offset = local.tm_gmtoff;
  }
  *offset = known.offset;
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

namespace {
PauseHandler pauseHandler = nullptr;
}  // namespace

void SetPauseHandler(PauseHandler handler) { pauseHandler = handler; }

void PauseMs(int milliseconds) {
  CallFails(Op::kPause);
  CountPause(milliseconds);
  if (!PausesEnabled() || milliseconds <= 0) return;
  if (pauseHandler != nullptr) {
    pauseHandler(milliseconds);
    return;
  }
  struct timespec wait = {milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
  }
}

}  // namespace platform
