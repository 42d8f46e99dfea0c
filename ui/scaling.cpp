// The scaling rule shared by the backends.
#include "ui/scaling.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace kit {

int Scaled(int value, double scale) {
  const double pixels = std::round(value * scale);
  if (!(pixels > INT_MIN)) return INT_MIN;  // also a product that is not a number
  if (pixels >= INT_MAX) return INT_MAX;
  return static_cast<int>(pixels);
}

double ScaleFor(double wanted, int width, int height, double roomWidth, double roomHeight) {
  if (!(wanted > 1.0) || width <= 0 || height <= 0) return 1.0;
  const double fits = std::min(roomWidth / width, roomHeight / height);
  return std::max(1.0, std::min(wanted, fits));
}

}  // namespace kit
