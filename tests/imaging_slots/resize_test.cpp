// The area average and the nearest-pixel stretch.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "imaging/pixel_buffer.h"

namespace {

using Pixels = std::vector<std::uint32_t>;

Pixels Stretch(const Pixels& source, int sw, int sh, int tw, int th, int mode) {
  Pixels target(static_cast<std::size_t>(tw) * th, 0xDEADBEEF);
  EXPECT_TRUE(imaging::Resample(source.data(), sw, sh, target.data(), tw, th, mode));
  return target;
}

std::uint32_t Grey(std::uint32_t v) { return v << 16 | v << 8 | v; }

// Channel c (0 blue, 1 green, 2 red) of the exact area average of target
// pixel (tx, ty), worked out with rational coverage in doubles.
double ExactAverage(const Pixels& source, int sw, int sh, int tw, int th, int tx, int ty, int c) {
  double sum = 0;
  for (int y = 0; y < sh; ++y) {
    const double coverY = std::max(
        0.0, std::min((ty + 1.0) * sh / th, y + 1.0) - std::max(1.0 * ty * sh / th, 1.0 * y));
    for (int x = 0; x < sw && coverY > 0; ++x) {
      const double coverX = std::max(
          0.0, std::min((tx + 1.0) * sw / tw, x + 1.0) - std::max(1.0 * tx * sw / tw, 1.0 * x));
      sum += coverX * coverY * ((source[static_cast<std::size_t>(y) * sw + x] >> (8 * c)) & 0xFF);
    }
  }
  return sum * tw * th / (1.0 * sw * sh);
}

TEST(ResizeSmooth, SmallCasesAverageTheCoveredArea) {
  struct Case {
    int sw, sh;
    Pixels source;
    int tw, th;
    Pixels expected;
  };
  const Case cases[] = {
      // 2 x 2 blocks: plain means, rounded to nearest (10+20+30+41 = 101 -> 25.25).
      {4,
       4,
       {Grey(10), Grey(20), Grey(0), Grey(0),  //
        Grey(30), Grey(41), Grey(255), Grey(255), Grey(1), Grey(2), Grey(100), Grey(101), Grey(3),
        Grey(4), Grey(102), Grey(103)},
       2,
       2,
       {Grey(25), Grey(128), Grey(3), Grey(102)}},
      // Three pixels onto two: the middle one is split half and half.
      {3, 1, {Grey(0), Grey(255), Grey(90)}, 2, 1, {Grey(85), Grey(145)}},
      // Each channel on its own.
      {2, 1, {0x00FF0000, 0x000000FF}, 1, 1, {0x00800080}},
      // Upward: the middle target pixel straddles both sources.
      {1, 2, {Grey(0), Grey(200)}, 1, 3, {Grey(0), Grey(100), Grey(200)}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Stretch(c.source, c.sw, c.sh, c.tw, c.th, ResizeSmooth), c.expected)
        << c.sw << "x" << c.sh << " -> " << c.tw << "x" << c.th;
  }
}

TEST(ResizeSmooth, PlainAreasKeepTheirColourExactly) {
  const int sizes[][4] = {{7, 5, 3, 2}, {3, 3, 7, 11}, {1920, 3, 800, 1}, {13, 17, 13, 4}};
  for (const auto& s : sizes) {
    for (std::uint32_t colour : {0x00FFFFFFu, 0x00010203u, 0x00FE7F01u}) {
      const Pixels source(static_cast<std::size_t>(s[0]) * s[1], colour);
      const Pixels target = Stretch(source, s[0], s[1], s[2], s[3], ResizeSmooth);
      const Pixels plain(target.size(), colour);
      EXPECT_EQ(target, plain) << s[0] << "x" << s[1] << " " << colour;
    }
  }
}

TEST(ResizeSmooth, MatchesTheExactAverageOnNoise) {
  std::mt19937 random(7);
  // The last two sizes reduce to a source height above 257, which takes the
  // wider column sums.
  const int sizes[][4] = {{37, 23, 10, 7}, {10, 7, 37, 23}, {64, 48, 50, 36},
                          {9, 40, 20, 5},  {6, 601, 4, 3},  {5, 300, 3, 7}};
  for (const auto& s : sizes) {
    Pixels source(static_cast<std::size_t>(s[0]) * s[1]);
    for (auto& p : source) p = random() & 0x00FFFFFF;
    const Pixels target = Stretch(source, s[0], s[1], s[2], s[3], ResizeSmooth);
    for (int ty = 0; ty < s[3]; ++ty) {
      for (int tx = 0; tx < s[2]; ++tx) {
        for (int c = 0; c < 3; ++c) {
          const double exact = ExactAverage(source, s[0], s[1], s[2], s[3], tx, ty, c);
          const int got = (target[static_cast<std::size_t>(ty) * s[2] + tx] >> (8 * c)) & 0xFF;
          // An exact half rounds up, but the doubles here may land on
          // either side of it.
          const bool nearHalf = std::abs(exact - std::floor(exact) - 0.5) < 1e-6;
          if (!nearHalf) {
            ASSERT_EQ(got, std::lround(exact)) << tx << "," << ty << " channel " << c;
          } else {
            ASSERT_EQ(got, static_cast<int>(std::floor(exact)) + 1) << tx << "," << ty;
          }
        }
      }
    }
  }
}

TEST(ResizeRaw, PicksSourcePixelsWithoutBlending) {
  const Pixels row = {1, 2, 3, 4};
  EXPECT_EQ(Stretch({1, 2}, 2, 1, 4, 1, ResizeRaw), Pixels({1, 1, 2, 2}));
  EXPECT_EQ(Stretch(row, 4, 1, 2, 1, ResizeRaw), Pixels({2, 4}));
  EXPECT_EQ(Stretch(row, 1, 4, 1, 3, ResizeRaw), Pixels({1, 3, 4}));
  EXPECT_EQ(Stretch({7}, 1, 1, 2, 2, ResizeRaw), Pixels({7, 7, 7, 7}));
}

}  // namespace
