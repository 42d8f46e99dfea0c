// Stretching an image onto another size, each axis on its own.
//
// The smooth mode is a true area average: every target pixel is the mean of
// the source pixels under it, each weighted by how much of it is covered. The
// weights are fixed-point fractions that add up to exactly one, so a plain
// area stays exactly its colour. The work is split in two passes per target
// row: the covered source rows are summed into one row of accumulators, then
// the accumulated row is averaged across. Nothing full-sized is made besides
// the target itself, and every channel byte (including the unused fourth one)
// goes through the same arithmetic, so the byte order of a pixel does not
// matter.
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "imaging/pixel_buffer.h"

namespace imaging {
namespace {

constexpr int kVerticalBits = 15;    // row weights add up to 1 << 15
constexpr int kCarryShift = 7;       // row sums keep 8 fractional bits across
constexpr int kHorizontalBits = 15;  // column weights add up to 1 << 15
constexpr int kFinalShift = kVerticalBits - kCarryShift + kHorizontalBits;

// Which source positions one target position covers, and where its weights are.
struct Span {
  int first;
  int count;
  int offset;
};

// Working memory for one call, given back when the call ends.
class Scratch {
 public:
  explicit Scratch(std::size_t bytes) : memory_(static_cast<std::uint8_t*>(std::malloc(bytes))) {}
  ~Scratch() { std::free(memory_); }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  std::uint8_t* get() const { return memory_; }

 private:
  std::uint8_t* memory_;
};

// Room for the weights of one axis: each target position has at most
// sources / targets + 2 source positions under it.
std::size_t WeightCount(int sources, int targets) {
  return static_cast<std::size_t>(sources) + 2 * static_cast<std::size_t>(targets);
}

// Fills spans and weights for `targets` positions laid over `sources`. In
// units of 1 / targets of a source pixel, target t covers [t * sources,
// (t + 1) * sources) and source i covers [i * targets, (i + 1) * targets).
void ComputeAxis(int sources, int targets, int bits, Span* spans, std::uint16_t* weights) {
  const std::int64_t one = std::int64_t{1} << bits;
  int next = 0;
  for (int t = 0; t < targets; ++t) {
    const std::int64_t begin = std::int64_t{t} * sources;
    const std::int64_t end = begin + sources;
    const int first = static_cast<int>(begin / targets);
    const int last = static_cast<int>((end - 1) / targets);
    spans[t] = {first, last - first + 1, next};
    std::int64_t total = 0;
    int largest = next;
    for (int i = first; i <= last; ++i) {
      const std::int64_t covered =
          std::min(end, std::int64_t{i + 1} * targets) - std::max(begin, std::int64_t{i} * targets);
      const auto weight = static_cast<std::uint16_t>(covered * one / sources);
      weights[next] = weight;
      if (weight > weights[largest]) largest = next;
      total += weight;
      ++next;
    }
    // Rounding down leaves a few units over; the largest weight takes them.
    weights[largest] = static_cast<std::uint16_t>(weights[largest] + (one - total));
  }
}

// sums[k] = sum over the covered rows of weight * byte k of the row.
void SumRows(const std::uint8_t* source, std::size_t rowBytes, const Span& span,
             const std::uint16_t* weights, std::uint32_t* __restrict sums) {
  const std::uint8_t* row = source + static_cast<std::size_t>(span.first) * rowBytes;
  const std::uint32_t w0 = weights[span.offset];
  for (std::size_t k = 0; k < rowBytes; ++k) sums[k] = w0 * row[k];
  for (int j = 1; j < span.count; ++j) {
    row += rowBytes;
    const std::uint32_t w = weights[span.offset + j];
    const std::uint8_t* __restrict bytes = row;
    for (std::size_t k = 0; k < rowBytes; ++k) sums[k] += w * bytes[k];
  }
}

// Averages one accumulated row across into one target row.
void AverageAcross(const std::uint32_t* sums, std::size_t sumCount, const Span* spans,
                   const std::uint16_t* weights, int targetWidth, std::uint16_t* __restrict carry,
                   std::uint8_t* __restrict target) {
  for (std::size_t k = 0; k < sumCount; ++k) {
    carry[k] = static_cast<std::uint16_t>((sums[k] + (1u << (kCarryShift - 1))) >> kCarryShift);
  }
  for (int x = 0; x < targetWidth; ++x) {
    const Span& span = spans[x];
    const std::uint16_t* pixel = carry + 4 * static_cast<std::size_t>(span.first);
    std::uint32_t c0 = 0, c1 = 0, c2 = 0, c3 = 0;
    for (int j = 0; j < span.count; ++j, pixel += 4) {
      const std::uint32_t w = weights[span.offset + j];
      c0 += w * pixel[0];
      c1 += w * pixel[1];
      c2 += w * pixel[2];
      c3 += w * pixel[3];
    }
    constexpr std::uint32_t kHalf = 1u << (kFinalShift - 1);
    target[0] = static_cast<std::uint8_t>((c0 + kHalf) >> kFinalShift);
    target[1] = static_cast<std::uint8_t>((c1 + kHalf) >> kFinalShift);
    target[2] = static_cast<std::uint8_t>((c2 + kHalf) >> kFinalShift);
    target[3] = static_cast<std::uint8_t>((c3 + kHalf) >> kFinalShift);
    target += 4;
  }
}

bool ResampleSmooth(const std::uint32_t* source, int sw, int sh, std::uint32_t* target, int tw,
                    int th) {
  const std::size_t rowBytes = 4 * static_cast<std::size_t>(sw);
  const std::size_t columnWeights = WeightCount(sw, tw);
  const std::size_t rowWeights = WeightCount(sh, th);
  const std::size_t spanBytes = sizeof(Span) * (static_cast<std::size_t>(tw) + th);
  const std::size_t bytes = spanBytes + rowBytes * (sizeof(std::uint32_t) + sizeof(std::uint16_t)) +
                            sizeof(std::uint16_t) * (columnWeights + rowWeights);
  Scratch scratch(bytes);
  if (scratch.get() == nullptr) return false;
  // Largest alignment first: spans, sums, carries, weights.
  auto* columnSpans = reinterpret_cast<Span*>(scratch.get());
  Span* rowSpans = columnSpans + tw;
  auto* sums = reinterpret_cast<std::uint32_t*>(scratch.get() + spanBytes);
  auto* carry = reinterpret_cast<std::uint16_t*>(sums + rowBytes);
  std::uint16_t* columnWeight = carry + rowBytes;
  std::uint16_t* rowWeight = columnWeight + columnWeights;
  ComputeAxis(sw, tw, kHorizontalBits, columnSpans, columnWeight);
  ComputeAxis(sh, th, kVerticalBits, rowSpans, rowWeight);

  const auto* sourceBytes = reinterpret_cast<const std::uint8_t*>(source);
  auto* targetBytes = reinterpret_cast<std::uint8_t*>(target);
  for (int y = 0; y < th; ++y) {
    SumRows(sourceBytes, rowBytes, rowSpans[y], rowWeight, sums);
    AverageAcross(sums, rowBytes, columnSpans, columnWeight, tw, carry,
                  targetBytes + 4 * static_cast<std::size_t>(tw) * y);
  }
  return true;
}

// The source position whose centre lies nearest to the centre of target t.
int Nearest(int t, int sources, int targets) {
  return static_cast<int>((2 * std::int64_t{t} + 1) * sources / (2 * std::int64_t{targets}));
}

bool ResampleNearest(const std::uint32_t* source, int sw, int sh, std::uint32_t* target, int tw,
                     int th) {
  Scratch scratch(sizeof(int) * static_cast<std::size_t>(tw));
  if (scratch.get() == nullptr) return false;
  auto* columns = reinterpret_cast<int*>(scratch.get());
  for (int x = 0; x < tw; ++x) columns[x] = Nearest(x, sw, tw);
  for (int y = 0; y < th; ++y) {
    const std::uint32_t* row = source + static_cast<std::size_t>(Nearest(y, sh, th)) * sw;
    std::uint32_t* out = target + static_cast<std::size_t>(y) * tw;
    for (int x = 0; x < tw; ++x) out[x] = row[columns[x]];
  }
  return true;
}

}  // namespace

bool Resample(const std::uint32_t* source, int sourceWidth, int sourceHeight, std::uint32_t* target,
              int targetWidth, int targetHeight, int mode) {
  if (sourceWidth <= 0 || sourceHeight <= 0 || targetWidth <= 0 || targetHeight <= 0) return false;
  if (mode == ResizeSmooth) {
    return ResampleSmooth(source, sourceWidth, sourceHeight, target, targetWidth, targetHeight);
  }
  return ResampleNearest(source, sourceWidth, sourceHeight, target, targetWidth, targetHeight);
}

}  // namespace imaging
