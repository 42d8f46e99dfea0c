// Well-formed BMP files: every header kind, depth, compression and row order.
#include <gtest/gtest.h>

#include "tests/imaging_bmp/bmp_builder.h"

namespace {

using Pixels = std::vector<std::uint32_t>;

constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr std::uint32_t kBlue = 0x0000FF;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kGrey = 0x808080;

struct GoodCase {
  const char* name;
  DibLayout layout;
  int depth;
  Pixels expected;  // top row first
};

// A 3 x 2 picture: top row red, green, blue; bottom row white, black, grey.
// Palette images use indices 0..5 into kSixColours.
const std::vector<std::uint32_t> kSixColours = {kRed, kGreen, kBlue, kWhite, 0, kGrey};
const Pixels kPicture = {kRed, kGreen, kBlue, kWhite, 0, kGrey};

DibLayout Indexed(std::uint32_t header, std::uint32_t bits) {
  DibLayout layout = MakeLayout(3, 2, bits, header);
  layout.palette = kSixColours;
  layout.palette.resize(bits == 1 ? 2 : std::size_t{1} << bits, 0);
  layout.pixels = PackRows({{3, 4, 5}, {0, 1, 2}}, static_cast<int>(bits));
  return layout;
}

DibLayout TrueColour(std::uint32_t header, std::uint32_t bits, const Pixels& bottom,
                   const Pixels& top) {
  DibLayout layout = MakeLayout(3, 2, bits, header);
  layout.pixels = PackRows({bottom, top}, static_cast<int>(bits));
  return layout;
}

std::vector<GoodCase> GoodCases() {
  const Pixels bottom24 = {kWhite, 0, kGrey}, top24 = {kRed, kGreen, kBlue};
  // 5-5-5: 31 scales to 255, 16 to 132.
  const Pixels bottom555 = {0x7FFF, 0, 0x4210}, top555 = {0x7C00, 0x03E0, 0x001F};
  const std::uint32_t grey555 = 0x848484;
  std::vector<GoodCase> cases = {
      {"core 24", TrueColour(12, 24, bottom24, top24), 24, kPicture},
      {"info 24", TrueColour(40, 24, bottom24, top24), 24, kPicture},
      {"v2 24", TrueColour(52, 24, bottom24, top24), 24, kPicture},
      {"v3 24", TrueColour(56, 24, bottom24, top24), 24, kPicture},
      {"v4 24", TrueColour(108, 24, bottom24, top24), 24, kPicture},
      {"v5 24", TrueColour(124, 24, bottom24, top24), 24, kPicture},
      {"core 8", Indexed(12, 8), 32, kPicture},
      {"info 8", Indexed(40, 8), 32, kPicture},
      {"info 4", Indexed(40, 4), 32, kPicture},
      {"core 4", Indexed(12, 4), 32, kPicture},
      {"info 32 plain", TrueColour(40, 32, bottom24, top24), 32, kPicture},
      {"info 16 555",
       TrueColour(40, 16, bottom555, top555),
       16,
       {kRed, kGreen, kBlue, kWhite, 0, grey555}},
  };
  // One bit: index 1 is white, 0 black.
  DibLayout mono = MakeLayout(10, 1, 1);
  mono.palette = {0, kWhite};
  mono.pixels = PackRows({{1, 0, 1, 1, 0, 0, 0, 0, 1, 1}}, 1);
  cases.push_back({"info 1", mono, 32, {kWhite, 0, kWhite, kWhite, 0, 0, 0, 0, kWhite, kWhite}});
  // 5-6-5 bit fields after a 40-byte header and inside a V3 header; a 6-bit
  // 32 scales to 130, a 5-bit 16 to 132.
  for (std::uint32_t header : {40u, 56u}) {
    DibLayout layout = TrueColour(header, 16, {0xFFFF, 0, 0x8410}, {0xF800, 0x07E0, 0x001F});
    layout.compression = 3;
    layout.masks = {0xF800, 0x07E0, 0x001F};
    if (header == 56) layout.masks.push_back(0);
    cases.push_back({"565", layout, 16, {kRed, kGreen, kBlue, kWhite, 0, 0x848284}});
  }
  // 32-bit fields in an unusual order, with alpha bit fields (code 6).
  DibLayout fields = TrueColour(40, 32, {0xFFFFFF00, 0, 0x80808000}, {0xFF000000, 0xFF00, 0xFF0000});
  fields.compression = 6;
  fields.masks = {0xFF000000, 0x0000FF00, 0x00FF0000, 0x000000FF};
  cases.push_back({"32 fields", fields, 32, kPicture});
  return cases;
}

TEST(BmpDecoderTest, DecodesEachHeaderKindAndDepth) {
  for (const GoodCase& c : GoodCases()) {
    SCOPED_TRACE(c.name);
    const Decoded d = DecodeBmpBytes(BuildBmp(c.layout));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.width, c.layout.width);
    EXPECT_EQ(d.image.height, c.layout.height < 0 ? -c.layout.height : c.layout.height);
    EXPECT_EQ(d.image.depth, c.depth);
    EXPECT_EQ(d.pixels, c.expected);
  }
  EXPECT_EQ(LiveBlocks(), 0);
}

TEST(BmpDecoderTest, RowOrderFollowsTheHeightSign) {
  for (int bits : {8, 24, 32}) {
    SCOPED_TRACE(bits);
    DibLayout layout = MakeLayout(2, 2, static_cast<std::uint32_t>(bits));
    const bool indexed = bits == 8;
    if (indexed) layout.palette = {kRed, kBlue}, layout.colorsUsed = 2;
    const std::uint32_t red = indexed ? 0 : kRed, blue = indexed ? 1 : kBlue;
    layout.pixels = PackRows({{blue, blue}, {red, red}}, bits);  // bottom-up storage
    EXPECT_EQ(DecodeBmpBytes(BuildBmp(layout)).pixels, (Pixels{kRed, kRed, kBlue, kBlue}));
    layout.height = -2;  // the same bytes read top-down
    EXPECT_EQ(DecodeBmpBytes(BuildBmp(layout)).pixels, (Pixels{kBlue, kBlue, kRed, kRed}));
  }
}

TEST(BmpDecoderTest, ShortPaletteGivesBlackBeyondItsEnd) {
  DibLayout layout = MakeLayout(4, 1, 8);
  layout.colorsUsed = 2;
  layout.palette = {kRed, kBlue};
  layout.pixels = PackRows({{1, 0, 2, 255}}, 8);
  const Decoded d = DecodeBmpBytes(BuildBmp(layout));
  ASSERT_TRUE(d.ok);
  EXPECT_EQ(d.pixels, (Pixels{kBlue, kRed, 0, 0}));
  layout.bitCount = 4;  // two entries of sixteen
  layout.pixels = PackRows({{1, 0, 2, 15}}, 4);
  EXPECT_EQ(DecodeBmpBytes(BuildBmp(layout)).pixels, (Pixels{kBlue, kRed, 0, 0}));
}

TEST(BmpDecoderTest, OneByOneAndMissingLastRowPadding) {
  DibLayout layout = MakeLayout(1, 1, 24);
  layout.pixels = {0x11, 0x22, 0x33, 0};
  Bytes file = BuildBmp(layout);
  EXPECT_EQ(DecodeBmpBytes(file).pixels, Pixels{0x332211});
  file.pop_back();  // the pad byte of the last row carries nothing
  EXPECT_EQ(DecodeBmpBytes(file).pixels, Pixels{0x332211});
}

// RLE streams: 4 x 3 pictures, palette kSixColours.
struct RleCase {
  const char* name;
  std::uint32_t bits;
  Bytes stream;
  Pixels expected;  // top row first
};

TEST(BmpDecoderTest, DecodesRunLengthStreams) {
  const std::vector<RleCase> cases = {
      // Bottom row: runs of 2 red, 1 red, 1 green; end of line; a jump of
      // (1, 1) to the top row; one grey; end of bitmap.
      {"rle8",
       8,
       {2, 0, 1, 0, 1, 1, 0, 0, 0, 2, 1, 1, 1, 5, 0, 1},
       {0, kGrey, 0, 0, 0, 0, 0, 0, kRed, kRed, kRed, kGreen}},
      // An odd literal run is padded to an even byte count.
      {"rle8 literal",
       8,
       {0, 3, 1, 2, 3, 0, 0, 1},
       {0, 0, 0, 0, 0, 0, 0, 0, kGreen, kBlue, kWhite, 0}},
      // RLE4: a run alternates two nibbles; a 3-pixel literal takes 2 bytes.
      {"rle4",
       4,
       {4, 0x01, 0, 0, 0, 3, 0x23, 0x50, 0, 1},
       {0, 0, 0, 0, kBlue, kWhite, kGrey, 0, kRed, kGreen, kRed, kGreen}},
      // An end of line after the top row may precede the end of bitmap.
      {"rle8 full rows", 8, {4, 3, 0, 0, 4, 3, 0, 0, 4, 3, 0, 0, 0, 1}, Pixels(12, kWhite)},
      {"rle4 jump", 4, {0, 2, 3, 2, 1, 0x20, 0, 1}, {0, 0, 0, kBlue, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const RleCase& c : cases) {
    SCOPED_TRACE(c.name);
    DibLayout layout = MakeLayout(4, 3, c.bits);
    layout.compression = c.bits == 8 ? 1 : 2;
    layout.palette = kSixColours;
    layout.colorsUsed = 6;
    layout.pixels = c.stream;
    const Decoded d = DecodeBmpBytes(BuildBmp(layout));
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.image.depth, 32);
    EXPECT_EQ(d.pixels, c.expected);
  }
}

}  // namespace
