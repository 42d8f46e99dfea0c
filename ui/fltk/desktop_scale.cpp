// The scale the desktop asks for. FLTK 1.3 draws in screen pixels as given,
// so the kit scales by itself, by the rule the Windows backend follows: the
// desktop's font density (Xft.dpi in the X server's resource database, set
// by GNOME, KDE, Xfce or xrdb) over 96, or the user's LAPBUNDLE_SCALE; never
// below 1, and never so large that the client area leaves less than a tenth
// of the work area for the frame, which X does not tell before the window
// is mapped.
#include <FL/Fl.H>
#include <FL/x.H>
#include <X11/Xatom.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ui/fltk/fltk_kit.h"
#include "ui/scaling.h"

namespace kit {
namespace {

// The share of the work area the client area may take.
constexpr double kClientShare = 0.9;
// The override's range.
constexpr double kLowestScale = 1.0;
constexpr double kHighestScale = 4.0;
// How much of the resource database is read (in 32-bit units): far more
// than any desktop sets, and a bound on what another client can make the
// program take in.
constexpr long kResourceLimit = 64 * 1024;

// The number that makes up all of `text`; false for anything else.
bool WholeNumber(std::string_view text, double* value) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, *value);
  return error == std::errc() && stop == end && std::isfinite(*value);
}

// The value of the last "Xft.dpi:" line of a resource database, as later
// lines override earlier ones; 0 when there is none or it is no number.
double XftDpi(std::string_view resources) {
  constexpr std::string_view kName = "Xft.dpi";
  constexpr std::string_view kBlanks = " \t";
  double dpi = 0;
  while (!resources.empty()) {
    const std::size_t newline = resources.find('\n');
    std::string_view line = resources.substr(0, newline);
    resources.remove_prefix(newline == std::string_view::npos ? resources.size() : newline + 1);
    const std::size_t start = line.find_first_not_of(kBlanks);
    if (start == std::string_view::npos || line.substr(start, kName.size()) != kName) continue;
    line.remove_prefix(start + kName.size());
    line.remove_prefix(std::min(line.find_first_not_of(kBlanks), line.size()));
    if (line.empty() || line.front() != ':') continue;
    line.remove_prefix(1);
    line.remove_prefix(std::min(line.find_first_not_of(kBlanks), line.size()));
    line.remove_suffix(line.size() - (line.find_last_not_of(" \t\r") + 1));
    double value = 0;
    dpi = WholeNumber(line, &value) && value > 0 ? value : 0;
  }
  return dpi;
}

// A property of the root window: `count` items of `format` bits (Xlib hands
// out 32-bit items as longs) when it has the type; nullptr otherwise. The
// caller frees it with XFree.
unsigned char* RootProperty(const char* name, Atom type, int format, long limit,
                            unsigned long* count) {
  Atom actualType = None;
  int actualFormat = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  const Atom atom = XInternAtom(fl_display, name, True);
  if (atom == None ||
      XGetWindowProperty(fl_display, RootWindow(fl_display, fl_screen), atom, 0, limit, False, type,
                         &actualType, &actualFormat, count, &after, &data) != Success) {
    return nullptr;
  }
  if (data && (actualType != type || actualFormat != format)) {
    XFree(data);
    data = nullptr;
  }
  return data;
}

double DesktopDpi() {
  unsigned long count = 0;
  unsigned char* data = RootProperty("RESOURCE_MANAGER", XA_STRING, 8, kResourceLimit, &count);
  if (!data) return 0;
  const double dpi = XftDpi(std::string_view(reinterpret_cast<const char*>(data), count));
  XFree(data);
  return dpi;
}

// The user's override; 0 when it is unset or empty, or when it is not a
// number from 1 to 4 (which is said once on standard error).
double ScaleOverride() {
  const char* text = std::getenv("LAPBUNDLE_SCALE");
  if (!text || !*text) return 0;
  double scale = 0;
  if (WholeNumber(text, &scale) && scale >= kLowestScale && scale <= kHighestScale) return scale;
  static std::string toldOf;
  if (toldOf != text) {
    toldOf = text;
    std::fputs("lapbundle: LAPBUNDLE_SCALE is not a number from 1 to 4 and is ignored\n", stderr);
  }
  return 0;
}

// The work area of the current desktop where the desktop sets it, otherwise
// the screen.
void WorkArea(double* width, double* height) {
  int sx, sy, sw, sh;
  Fl::screen_xywh(sx, sy, sw, sh, 0);
  *width = sw;
  *height = sh;
  unsigned long count = 0;
  long desktop = 0;
  if (unsigned char* data = RootProperty("_NET_CURRENT_DESKTOP", XA_CARDINAL, 32, 1, &count)) {
    if (count == 1) desktop = reinterpret_cast<const long*>(data)[0];
    XFree(data);
  }
  if (desktop < 0 || desktop > 1023) desktop = 0;
  unsigned char* data = RootProperty("_NET_WORKAREA", XA_CARDINAL, 32, 4 * (desktop + 1), &count);
  if (!data) return;
  const long* area = reinterpret_cast<const long*>(data);
  const unsigned long first = count >= 4 * static_cast<unsigned long>(desktop + 1)
                                  ? 4 * static_cast<unsigned long>(desktop)
                                  : 0;
  if (count >= first + 4 && area[first + 2] > 0 && area[first + 3] > 0) {
    *width = static_cast<double>(area[first + 2]);
    *height = static_cast<double>(area[first + 3]);
  }
  XFree(data);
}

}  // namespace

double DesktopScale(int width, int height) {
  double wanted = ScaleOverride();
  if (wanted == 0) wanted = DesktopDpi() / kBaseDpi;
  if (!(wanted > 1.0)) return 1.0;
  double roomW = 0, roomH = 0;
  WorkArea(&roomW, &roomH);
  return ScaleFor(wanted, width, height, kClientShare * roomW, kClientShare * roomH);
}

}  // namespace kit
