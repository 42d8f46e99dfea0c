// Finding the stored rows of uncompressed 24-bit bottom-up files, which the
// image slots keep as they are instead of decoding them.
#include <gtest/gtest.h>

#include "tests/imaging_bmp/bmp_builder.h"

namespace {

// A 3 x 2 picture (stride 12) in the given header, depth and row order.
DibLayout Picture(std::uint32_t header, std::uint32_t bits, bool topDown = false) {
  DibLayout layout = MakeLayout(3, topDown ? -2 : 2, bits, header);
  layout.pixels =
      PackRows({{0xFFFFFF, 0, 0x808080}, {0xFF0000, 0x00FF00, 0x0000FF}}, static_cast<int>(bits));
  return layout;
}

TEST(FindBmpRows24, AcceptsOnlyPlainBottomUpTwentyFourBitFilesWithAllTheirRows) {
  DibLayout palette = MakeLayout(3, 2, 8);
  palette.palette = {0, 0xFFFFFF};
  palette.pixels = PackRows({{0, 1, 0}, {1, 0, 1}}, 8);
  DibLayout fields = Picture(40, 32);
  fields.compression = 3;
  fields.masks = {0xFF0000, 0xFF00, 0xFF};
  Bytes missingPadding = BuildBmp(Picture(40, 24));
  missingPadding.resize(missingPadding.size() - 3);  // the top row's fill bytes
  // Ten bytes of gap between the header and the pixels.
  Bytes afterGap = BuildBmp(Picture(40, 24), 64);
  afterGap.insert(afterGap.begin() + 54, 10, 0xEE);
  struct Case {
    const char* name;
    Bytes file;
    bool found;
    std::size_t offset;
  };
  const Case cases[] = {
      {"info 24", BuildBmp(Picture(40, 24)), true, 54},
      {"core 24", BuildBmp(Picture(12, 24)), true, 26},
      {"v5 24", BuildBmp(Picture(124, 24)), true, 138},
      {"gap before pixels", afterGap, true, 64},
      {"top-down 24", BuildBmp(Picture(40, 24, true)), false, 0},
      {"32 plain", BuildBmp(Picture(40, 32)), false, 0},
      {"32 fields", BuildBmp(fields), false, 0},
      {"8 palette", BuildBmp(palette), false, 0},
      {"last row without padding", missingPadding, false, 0},
      {"offset past the end", BuildBmp(Picture(40, 24), 500), false, 0},
      {"no file header", BuildDib(Picture(40, 24)), false, 0},
  };
  for (const Case& c : cases) {
    BmpRows24 rows;
    ASSERT_EQ(FindBmpRows24(c.file.data(), c.file.size(), &rows), c.found) << c.name;
    if (!c.found) continue;
    EXPECT_EQ(rows.width, 3) << c.name;
    EXPECT_EQ(rows.height, 2) << c.name;
    EXPECT_EQ(rows.offset, c.offset) << c.name;
    // The bottom row comes first: white, black, grey.
    EXPECT_EQ(c.file[rows.offset], 0xFF) << c.name;
    EXPECT_EQ(c.file[rows.offset + 3], 0x00) << c.name;
    EXPECT_EQ(c.file[rows.offset + 6], 0x80) << c.name;
  }
  // The decoder still takes the file whose last row lacks its padding.
  EXPECT_TRUE(DecodeBmpBytes(missingPadding).ok);
}

}  // namespace
