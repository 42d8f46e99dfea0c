// Icon files: choice of image, the AND mask, and malformed directories.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/imaging_bmp/bmp_builder.h"

namespace {

using Pixels = std::vector<std::uint32_t>;
using Rows = std::vector<std::vector<std::uint32_t>>;

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kBlue = 0x0000FF;

// A DIB as icons store it: the height counts colour rows and mask rows.
// Both row sets are given bottom row first.
Bytes IconImage(int bits, const Rows& colour, const Rows& mask,
                std::vector<std::uint32_t> palette = {}) {
  const auto width = static_cast<std::int32_t>(colour[0].size());
  const auto height = static_cast<std::int32_t>(colour.size());
  DibLayout layout = MakeLayout(width, 2 * height, static_cast<std::uint32_t>(bits));
  layout.palette = std::move(palette);
  layout.pixels = PackRows(colour, bits);
  const Bytes maskBytes = PackRows(mask, 1);
  layout.pixels.insert(layout.pixels.end(), maskBytes.begin(), maskBytes.end());
  return BuildDib(layout);
}

Bytes Solid(int size, int bits, std::uint32_t colour) {
  const Rows rows(static_cast<std::size_t>(size), Pixels(static_cast<std::size_t>(size), colour));
  const Rows mask(static_cast<std::size_t>(size), Pixels(static_cast<std::size_t>(size), 0));
  if (bits > 8) return IconImage(bits, rows, mask);
  const Rows indices(static_cast<std::size_t>(size), Pixels(static_cast<std::size_t>(size), 1));
  return IconImage(bits, indices, mask, std::vector<std::uint32_t>(std::size_t{1} << bits, colour));
}

TEST(IconDecoderTest, ChoosesTheLargestThenDeepestImage) {
  const Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13};
  struct Case {
    const char* name;
    std::vector<IconEntry> entries;
    int width;
    int depth;
    std::uint32_t colour;
  };
  const std::vector<Case> cases = {
      {"larger wins", {{Solid(2, 32, kRed)}, {Solid(4, 4, kBlue)}}, 4, 32, kBlue},
      {"deeper wins",
       {{Solid(3, 8, kRed)}, {Solid(3, 24, kBlue)}, {Solid(3, 4, kRed)}},
       3,
       24,
       kBlue},
      {"png skipped", {{png}, {Solid(2, 1, kRed)}}, 2, 32, kRed},
      {"broken entry skipped", {{Bytes(30, 7)}, {Solid(2, 16, 0xFFFFFF)}}, 2, 16, 0xFFFFFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded d = DecodeIconBytes(BuildIcon(c.entries));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.width, c.width);
    EXPECT_EQ(d.image.height, c.width);
    EXPECT_EQ(d.image.depth, c.depth);
    EXPECT_EQ(d.pixels, Pixels(std::size_t(c.width) * c.width, c.colour));
  }
  EXPECT_EQ(LiveBlocks(), 0);
}

TEST(IconDecoderTest, MaskBlackensTransparentPixelsExceptForAlphaImages) {
  const Rows colour = {{kBlue, kBlue}, {kRed, kRed}};  // bottom row blue
  const Rows mask = {{1, 0}, {0, 0}};                  // bottom-left transparent
  const Decoded opaque = DecodeIconBytes(BuildIcon({{IconImage(24, colour, mask)}}));
  ASSERT_TRUE(opaque.ok);
  EXPECT_EQ(opaque.pixels, (Pixels{kRed, kRed, 0, kBlue}));
  const Decoded alpha = DecodeIconBytes(BuildIcon({{IconImage(32, colour, mask)}}));
  ASSERT_TRUE(alpha.ok);
  EXPECT_EQ(alpha.pixels, (Pixels{kRed, kRed, kBlue, kBlue}));
}

DibLayout OnePixel() {
  DibLayout layout = MakeLayout(1, 1, 24);
  layout.pixels = {1, 2, 3, 0};
  return layout;
}

TEST(IconDecoderTest, RejectsMalformedFiles) {
  const Bytes good = BuildIcon({{Solid(2, 8, kRed)}});
  ASSERT_TRUE(DecodeIconBytes(good).ok);
  Bytes countZero = good;
  countZero[4] = 0;
  Bytes countTooLarge = good;
  countTooLarge[4] = 0xFF;  // 255 entries do not fit in the file
  Bytes offsetPastEnd = good;
  offsetPastEnd[20] = 0x01;
  Bytes lengthPastEnd = good;
  lengthPastEnd[16] = 0x01;
  Bytes oddHeight = good;
  oddHeight[22 + 8] = 3;
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"empty", {}},
      {"cursor", BuildIcon({{Solid(2, 8, kRed)}}, 2)},
      {"count zero", countZero},
      {"count beyond the directory", countTooLarge},
      {"offset past the end", offsetPastEnd},
      {"length past the end", lengthPastEnd},
      {"odd stored height", oddHeight},
      {"only png", BuildIcon({{{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0}}})},
      {"a bmp file", BuildBmp(OnePixel())},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(DecodeIconBytes(bytes).ok);
  }
  // Cutting the file anywhere (the mask included) leaves no decodable image.
  for (std::size_t length = 0; length < good.size(); ++length) {
    SCOPED_TRACE(length);
    Bytes cut(good.begin(), good.begin() + static_cast<long>(length));
    if (cut.size() >= 22) {  // the entry's length follows the cut
      Bytes length32;
      Put32(&length32, static_cast<std::uint32_t>(cut.size() - 22));
      std::copy(length32.begin(), length32.end(), cut.begin() + 14);
    }
    EXPECT_FALSE(DecodeIconBytes(cut).ok);
  }
  EXPECT_EQ(LiveBlocks(), 0);
}

}  // namespace
