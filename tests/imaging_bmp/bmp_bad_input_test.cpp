// Malformed, truncated and oversized BMP files fail cleanly: no pixels are
// handed out, every block taken is given back, and huge headers never reach
// the allocator.
#include <gtest/gtest.h>

#include <functional>

#include "tests/imaging_bmp/bmp_builder.h"

namespace {

DibLayout Valid24() {
  DibLayout layout = MakeLayout(4, 2, 24);
  layout.pixels = PackRows({{1, 2, 3, 4}, {5, 6, 7, 8}}, 24);
  return layout;
}

DibLayout Valid8() {
  DibLayout layout = MakeLayout(3, 2, 8);
  layout.colorsUsed = 2;
  layout.palette = {0x112233, 0x445566};
  layout.pixels = PackRows({{0, 1, 0}, {1, 0, 1}}, 8);
  return layout;
}

DibLayout ValidRle8() {
  DibLayout layout = Valid8();
  layout.compression = 1;
  layout.pixels = {3, 1, 0, 0, 0, 3, 0, 1, 0, 0, 0, 1};
  return layout;
}

struct BadCase {
  const char* name;
  std::function<void(DibLayout*)> change;
  DibLayout (*base)() = Valid24;
};

void ExpectFailsWithoutLeak(const Bytes& file) {
  ResetAllocations();
  const Decoded d = DecodeBmpBytes(file);
  EXPECT_FALSE(d.ok);
  EXPECT_EQ(d.image.pixels, nullptr);  // the result is untouched
  EXPECT_EQ(LiveBlocks(), 0);
}

TEST(BmpBadInputTest, RejectsInconsistentHeaders) {
  const std::vector<BadCase> cases = {
      {"width 0", [](DibLayout* s) { s->width = 0; }},
      {"width negative", [](DibLayout* s) { s->width = -4; }},
      {"height 0", [](DibLayout* s) { s->height = 0; }},
      {"height INT32_MIN", [](DibLayout* s) { s->height = INT32_MIN; }},
      {"planes 2", [](DibLayout* s) { s->planes = 2; }},
      {"bits 0", [](DibLayout* s) { s->bitCount = 0; }},
      {"bits 2", [](DibLayout* s) { s->bitCount = 2; }},
      {"bits 3", [](DibLayout* s) { s->bitCount = 3; }},
      {"bits 7", [](DibLayout* s) { s->bitCount = 7; }},
      {"bits 64", [](DibLayout* s) { s->bitCount = 64; }},
      {"header size 64", [](DibLayout* s) { s->headerSize = 64; }},
      {"core 16 bits", [](DibLayout* s) { s->headerSize = 12, s->bitCount = 16; }},
      {"core width 0", [](DibLayout* s) { s->headerSize = 12, s->width = 0; }},
      {"rle8 on 24 bits", [](DibLayout* s) { s->compression = 1; }},
      {"rle4 on 8 bits", [](DibLayout* s) { s->compression = 2; }, Valid8},
      {"fields on 24 bits",
       [](DibLayout* s) {
         s->compression = 3, s->masks = {0xFF, 0xFF00, 0};
       }},
      {"fields on 8 bits", [](DibLayout* s) { s->compression = 3; }, Valid8},
      {"jpeg", [](DibLayout* s) { s->compression = 4; }},
      {"png", [](DibLayout* s) { s->compression = 5; }},
      {"code 7", [](DibLayout* s) { s->compression = 7; }},
      {"scattered mask",
       [](DibLayout* s) {
         s->bitCount = 16, s->compression = 3, s->masks = {0x7C01, 0x3E0, 0x1E};
       }},
      {"mask beyond 16 bits",
       [](DibLayout* s) {
         s->bitCount = 16, s->compression = 3, s->masks = {0xF80000, 0x7E0, 0x1F};
       }},
      {"masks missing", [](DibLayout* s) { s->bitCount = 32, s->compression = 3, s->pixels = {}; }},
      {"palette of 257", [](DibLayout* s) { s->colorsUsed = 257, s->palette.resize(257); }, Valid8},
      {"palette past the file", [](DibLayout* s) { s->colorsUsed = 200, s->pixels = {}; }, Valid8},
      {"rle top-down", [](DibLayout* s) { s->height = -2; }, ValidRle8},
      {"8192 x 8193", [](DibLayout* s) { s->width = 8192, s->height = 8193; }},
      {"product beyond 32 bits", [](DibLayout* s) { s->width = 65536, s->height = 65536; }},
      {"product beyond 62 bits",
       [](DibLayout* s) { s->width = INT32_MAX, s->height = INT32_MIN + 1; }},
      {"product near 64 bits", [](DibLayout* s) { s->width = INT32_MAX, s->height = INT32_MAX; }},
      {"65535 wide, short file", [](DibLayout* s) { s->headerSize = 12, s->width = 65535; }},
      {"huge top-down, short file", [](DibLayout* s) { s->width = 4096, s->height = -4096; }},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.name);
    DibLayout layout = c.base();
    c.change(&layout);
    ExpectFailsWithoutLeak(BuildBmp(layout));
    EXPECT_EQ(Allocations(), 0);  // every one of these fails before allocating
  }
}

TEST(BmpBadInputTest, RejectsBadPixelOffsets) {
  const Bytes good = BuildBmp(Valid8());
  const auto tableEnd = static_cast<std::int64_t>(good.size() - Valid8().pixels.size());
  for (std::int64_t offset : {std::int64_t{0}, std::int64_t{14}, tableEnd - 1,
                              static_cast<std::int64_t>(good.size()), std::int64_t{0xFFFFFFFF}}) {
    SCOPED_TRACE(offset);
    ExpectFailsWithoutLeak(BuildBmp(Valid8(), offset));
  }
  // An offset that skips too far leaves too few pixel bytes.
  ExpectFailsWithoutLeak(BuildBmp(Valid8(), tableEnd + 4));
}

TEST(BmpBadInputTest, RejectsBrokenRunLengthStreams) {
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"run past the row", {4, 1, 0, 1}},
      {"run after a full row", {3, 1, 1, 0, 0, 1}},
      {"literal past the row", {0, 4, 1, 1, 1, 1, 0, 1}},
      {"literal cut short", {0, 3, 1, 1}},
      {"jump past the right edge", {0, 2, 4, 0, 0, 1}},
      {"jump past the top", {0, 2, 0, 3, 0, 1}},
      {"write above the top row", {0, 2, 0, 2, 1, 1, 0, 1}},
      {"end of line above the top row", {0, 0, 0, 0, 0, 0, 0, 1}},
      {"jump cut short", {0, 2, 1}},
      {"no end of bitmap", {3, 1, 0, 0, 3, 0}},
      {"lone byte", {3}},
  };
  for (const auto& [name, stream] : cases) {
    SCOPED_TRACE(name);
    DibLayout layout = ValidRle8();
    layout.pixels = stream;
    ExpectFailsWithoutLeak(BuildBmp(layout));
  }
}

// A run-length file of a few bytes may describe a huge picture: the pixel
// cap decides before anything is allocated.
TEST(BmpBadInputTest, CapsThePixelCountBeforeAllocating) {
  struct Case {
    std::int32_t width, height;
    int allocations;
  };
  for (const Case& c : {Case{8192, 8192, 1}, Case{8193, 8192, 0}, Case{1, 8192 * 8192 + 1, 0}}) {
    SCOPED_TRACE(c.width);
    DibLayout layout = ValidRle8();
    layout.width = c.width;
    layout.height = c.height;
    layout.pixels = {0, 1};
    FailAllocations(true);  // nothing this large is really allocated here
    ExpectFailsWithoutLeak(BuildBmp(layout));
    FailAllocations(false);
    EXPECT_EQ(Allocations(), c.allocations);
  }
}

// Every proper prefix of a valid file fails; only a missing pad byte at the
// very end (which carries no pixel) may still decode.
TEST(BmpBadInputTest, EveryTruncationFails) {
  DibLayout core = Valid8();
  core.headerSize = 12;
  core.palette.resize(256);
  DibLayout v5 = Valid24();
  v5.headerSize = 124;
  for (const DibLayout& layout : {Valid24(), Valid8(), ValidRle8(), core, v5}) {
    SCOPED_TRACE(layout.headerSize + layout.bitCount + layout.compression);
    const Bytes file = BuildBmp(layout);
    ASSERT_TRUE(DecodeBmpBytes(file).ok);
    const std::size_t pad = layout.bitCount == 8 && layout.compression == 0 ? 1 : 0;  // width 3
    for (std::size_t length = 0; length + pad < file.size(); ++length) {
      SCOPED_TRACE(length);
      ExpectFailsWithoutLeak(Bytes(file.begin(), file.begin() + static_cast<long>(length)));
    }
  }
}

TEST(BmpBadInputTest, RejectsOtherFilesAndAllocatorFailure) {
  ExpectFailsWithoutLeak({});
  ExpectFailsWithoutLeak({'B', 'M'});
  ExpectFailsWithoutLeak({'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  Bytes notBmp = BuildBmp(Valid24());
  notBmp[1] = 'A';
  ExpectFailsWithoutLeak(notBmp);
  DecodedImage image;
  const Bytes good = BuildBmp(Valid24());
  EXPECT_FALSE(DecodeBmp(nullptr, 10, &image, nullptr, nullptr));
  EXPECT_FALSE(DecodeBmp(good.data(), good.size(), nullptr, nullptr, nullptr));
  FailAllocations(true);
  ExpectFailsWithoutLeak(good);
  FailAllocations(false);
}

}  // namespace
