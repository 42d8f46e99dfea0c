#include "tests/imaging_bmp/bmp_builder.h"

#include <cstdlib>

namespace {

int liveBlocks = 0;
int allocations = 0;
bool failAllocations = false;

std::uint32_t* CountingAlloc(std::size_t count) {
  ++allocations;
  if (failAllocations) return nullptr;
  ++liveBlocks;
  return static_cast<std::uint32_t*>(std::malloc(count * sizeof(std::uint32_t)));
}

void CountingRelease(std::uint32_t* pixels) {
  --liveBlocks;
  std::free(pixels);
}

Decoded Finish(bool ok, const DecodedImage& image) {
  Decoded result;
  result.ok = ok;
  result.image = image;
  if (ok) {
    result.pixels.assign(image.pixels, image.pixels + std::size_t(image.width) * image.height);
    CountingRelease(image.pixels);
  }
  return result;
}

}  // namespace

Decoded DecodeBmpBytes(const Bytes& bytes) {
  DecodedImage image;
  const bool ok = DecodeBmp(bytes.data(), bytes.size(), &image, CountingAlloc, CountingRelease);
  return Finish(ok, image);
}

Decoded DecodeIconBytes(const Bytes& bytes) {
  DecodedImage image;
  const bool ok = DecodeIcon(bytes.data(), bytes.size(), &image, CountingAlloc, CountingRelease);
  return Finish(ok, image);
}

int LiveBlocks() { return liveBlocks; }
int Allocations() { return allocations; }
void ResetAllocations() { allocations = 0; }
void FailAllocations(bool fail) { failAllocations = fail; }
