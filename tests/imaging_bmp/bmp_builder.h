// Decodes BMP and icon bytes built in memory (tools/bmp_builder.h) with an
// allocator that counts its blocks.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/bmp_decoder.h"
#include "tools/bmp_builder.h"

struct Decoded {
  bool ok = false;
  DecodedImage image;
  std::vector<std::uint32_t> pixels;  // copied out; rows top to bottom
};
Decoded DecodeBmpBytes(const Bytes& bytes);
Decoded DecodeIconBytes(const Bytes& bytes);

// Blocks handed out and not yet given back by the counting allocator, and
// the number of allocations since the last reset.
int LiveBlocks();
int Allocations();
void ResetAllocations();
// Makes the counting allocator return nullptr until cleared again.
void FailAllocations(bool fail);
