// Layout at a scale: the one rule by which every backend turns the caller's
// 96-DPI sizes and positions into screen pixels, and chooses a window's
// scale from what the desktop asks for and the room the screen has.
#pragma once

namespace kit {

// The density the caller's sizes and positions are given in.
constexpr int kBaseDpi = 96;

// A caller's value in screen pixels at `scale`, rounded to the nearest pixel
// (halves away from zero) and held within the range of int. The value
// itself at scale 1.
int Scaled(int value, double scale);

// The scale of a window whose client area is width x height at 96 DPI, when
// the desktop asks for `wanted`: `wanted`, but no larger than the largest
// scale at which the client area fits roomWidth x roomHeight (an infinite
// room sets no limit), and never below 1. 1 for a wanted scale that is not
// a number and for a client size that is not positive.
double ScaleFor(double wanted, int width, int height, double roomWidth, double roomHeight);

}  // namespace kit
