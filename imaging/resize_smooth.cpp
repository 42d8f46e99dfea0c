// The smooth stretch: a true area average, every target pixel the mean of
// the source pixels under it, each weighted by how much of it is covered.
//
// Along each axis both sizes are first divided by their greatest common
// divisor. Laid over each other, source position i then covers [i * targets,
// (i + 1) * targets) and target position t covers [t * sources, (t + 1) *
// sources), so every coverage is a whole number and a target pixel's weighted
// sum is exact; one division per channel rounds it to nearest (halves up). A
// plain area keeps its colour exactly.
//
// The work is split in two passes per target row: the covered source rows are
// summed into one row of column sums, then that row is summed across. Nothing
// full-sized is made besides the target, and every channel byte goes through
// the same arithmetic, so the byte order of a pixel does not matter. For the
// usual screen and preview sizes the reduced sizes are small, the column sums
// fit 16 bits and the vector unit sums 8 or 16 bytes at a time; other sizes
// use wider sums.
#include <cstdint>
#include <cstdlib>
#include <numeric>

#include "imaging/pixel_buffer.h"

namespace imaging {
namespace {

struct Axis {
  int sources;  // both reduced by their greatest common divisor
  int targets;
};

Axis Reduced(int sources, int targets) {
  const int divisor = std::gcd(sources, targets);
  return {sources / divisor, targets / divisor};
}

// Which source positions one target position covers, and where their
// coverages are.
struct Cover {
  int first;
  int count;
  int offset;
};

// Fills covers and weights for `targets` positions; the reduced axis gives
// the units. Each target has at most sources / targets + 2 weights.
void CoverAxis(int targets, Axis units, Cover* covers, std::uint32_t* weights) {
  int next = 0;
  for (int t = 0; t < targets; ++t) {
    const std::int64_t begin = std::int64_t{t} * units.sources;
    const std::int64_t end = begin + units.sources;
    const int first = static_cast<int>(begin / units.targets);
    const int last = static_cast<int>((end - 1) / units.targets);
    covers[t] = {first, last - first + 1, next};
    for (std::int64_t i = first; i <= last; ++i) {
      const std::int64_t low = i * units.targets;
      const std::int64_t high = low + units.targets;
      weights[next++] =
          static_cast<std::uint32_t>((end < high ? end : high) - (begin > low ? begin : low));
    }
  }
}

// sums[k] = sum over the covered rows of coverage * byte k of the row. The
// caller picks a Sum type that holds 255 times the reduced source height.
template <typename Sum>
void SumRows(const SourceRows& source, std::size_t rowBytes, const Cover& cover,
             const std::uint32_t* weights, Sum* __restrict sums) {
  const std::uint8_t* row = source.top + source.step * cover.first;
  const std::uint32_t* weight = weights + cover.offset;
  // Rows are taken two at a time, which halves the passes over the sums.
  int j = 0;
  if (cover.count >= 2) {
    const std::uint8_t* __restrict a = row;
    const std::uint8_t* __restrict b = row + source.step;
    const auto wa = static_cast<Sum>(weight[0]), wb = static_cast<Sum>(weight[1]);
    for (std::size_t k = 0; k < rowBytes; ++k) sums[k] = static_cast<Sum>(wa * a[k] + wb * b[k]);
    j = 2;
  } else {
    const auto w = static_cast<Sum>(weight[0]);
    for (std::size_t k = 0; k < rowBytes; ++k) sums[k] = static_cast<Sum>(w * row[k]);
    j = 1;
  }
  for (; j + 1 < cover.count; j += 2) {
    const std::uint8_t* __restrict a = row + source.step * j;
    const std::uint8_t* __restrict b = a + source.step;
    const auto wa = static_cast<Sum>(weight[j]), wb = static_cast<Sum>(weight[j + 1]);
    for (std::size_t k = 0; k < rowBytes; ++k) {
      sums[k] = static_cast<Sum>(sums[k] + wa * a[k] + wb * b[k]);
    }
  }
  if (j < cover.count) {
    const std::uint8_t* __restrict a = row + source.step * j;
    const auto w = static_cast<Sum>(weight[j]);
    for (std::size_t k = 0; k < rowBytes; ++k) sums[k] = static_cast<Sum>(sums[k] + w * a[k]);
  }
}

// Rounded division of a pixel's sum by the covered area `area` (below
// 2^24): (sum + area / 2) * multiplier >> 56 equals the whole quotient,
// since the sum is below 256 * area and the multiplier's error stays under
// 1 / area over that range.
class ShortDivider {
 public:
  explicit ShortDivider(std::uint64_t area)
      : half_(static_cast<std::uint32_t>(area / 2)),
        multiplier_(((std::uint64_t{1} << 56) + area - 1) / area) {}
  std::uint8_t operator()(std::uint32_t sum) const {
    return static_cast<std::uint8_t>((std::uint64_t{sum + half_} * multiplier_) >> 56);
  }

 private:
  std::uint32_t half_;
  std::uint64_t multiplier_;
};

// The same for any area, by plain division.
class LongDivider {
 public:
  explicit LongDivider(std::uint64_t area) : area_(area) {}
  std::uint8_t operator()(std::uint64_t sum) const {
    return static_cast<std::uint8_t>((sum + area_ / 2) / area_);
  }

 private:
  std::uint64_t area_;
};

// Averages one row of column sums across into one target row of 4-byte
// pixels; a fourth byte the source lacks is 0.
template <int kChannels, typename Sum, typename Total, typename Divider>
void AverageAcross(const Sum* sums, const Cover* covers, const std::uint32_t* weights,
                   int targetWidth, const Divider& divide, std::uint8_t* __restrict target) {
  for (int x = 0; x < targetWidth; ++x, target += 4) {
    const Cover& cover = covers[x];
    const Sum* pixel = sums + kChannels * static_cast<std::size_t>(cover.first);
    const std::uint32_t* weight = weights + cover.offset;
    // Named totals, so they stay in registers.
    Total c0 = 0, c1 = 0, c2 = 0, c3 = 0;
    for (int j = 0; j < cover.count; ++j, pixel += kChannels) {
      const Total w = weight[j];
      c0 += w * pixel[0];
      c1 += w * pixel[1];
      c2 += w * pixel[2];
      if constexpr (kChannels == 4) c3 += w * pixel[3];
    }
    target[0] = divide(c0);
    target[1] = divide(c1);
    target[2] = divide(c2);
    target[3] = kChannels == 4 ? divide(c3) : 0;
  }
}

// Both axes' covers and weights, and one row of column sums.
template <typename Sum>
class Work {
 public:
  Work(const SourceRows& source, int tw, int th)
      : across_(Reduced(source.width, tw)),
        down_(Reduced(source.height, th)),
        rowBytes_(static_cast<std::size_t>(source.channels) * source.width) {
    const std::size_t columnWeights = WeightCount(source.width, tw);
    const std::size_t coverBytes = sizeof(Cover) * (static_cast<std::size_t>(tw) + th);
    const std::size_t weightBytes =
        sizeof(std::uint32_t) * (columnWeights + WeightCount(source.height, th));
    memory_ = static_cast<std::uint8_t*>(std::malloc(SumBytes() + coverBytes + weightBytes));
    if (memory_ == nullptr) return;
    // Largest alignment first: sums of up to 8 bytes (their room rounded up
    // to 8 bytes), covers, weights.
    sums_ = reinterpret_cast<Sum*>(memory_);
    columns_ = reinterpret_cast<Cover*>(memory_ + SumBytes());
    rows_ = columns_ + tw;
    columnWeights_ = reinterpret_cast<std::uint32_t*>(rows_ + th);
    rowWeights_ = columnWeights_ + columnWeights;
    CoverAxis(tw, across_, columns_, columnWeights_);
    CoverAxis(th, down_, rows_, rowWeights_);
  }
  ~Work() { std::free(memory_); }
  Work(const Work&) = delete;
  Work& operator=(const Work&) = delete;

  bool ready() const { return memory_ != nullptr; }
  std::uint64_t area() const {
    return std::uint64_t{static_cast<unsigned>(across_.sources)} *
           static_cast<unsigned>(down_.sources);
  }

  template <typename Total, typename Divider>
  void Run(const SourceRows& source, std::uint32_t* target, int tw, int th) const {
    const Divider divide(area());
    const auto across = source.channels == 3 ? AverageAcross<3, Sum, Total, Divider>
                                             : AverageAcross<4, Sum, Total, Divider>;
    auto* targetBytes = reinterpret_cast<std::uint8_t*>(target);
    for (int y = 0; y < th; ++y) {
      SumRows(source, rowBytes_, rows_[y], rowWeights_, sums_);
      across(sums_, columns_, columnWeights_, tw, divide,
             targetBytes + 4 * static_cast<std::size_t>(tw) * y);
    }
  }

 private:
  std::size_t SumBytes() const { return (sizeof(Sum) * rowBytes_ + 7) & ~std::size_t{7}; }
  static std::size_t WeightCount(int sources, int targets) {
    return static_cast<std::size_t>(sources) + 2 * static_cast<std::size_t>(targets);
  }

  Axis across_, down_;
  std::size_t rowBytes_;
  std::uint8_t* memory_ = nullptr;
  Sum* sums_ = nullptr;
  Cover* columns_ = nullptr;
  Cover* rows_ = nullptr;
  std::uint32_t* columnWeights_ = nullptr;
  std::uint32_t* rowWeights_ = nullptr;
};

template <typename Sum, typename Total, typename Divider>
bool RunWith(const SourceRows& source, std::uint32_t* target, int tw, int th) {
  const Work<Sum> work(source, tw, th);
  if (!work.ready()) return false;
  work.template Run<Total, Divider>(source, target, tw, th);
  return true;
}

}  // namespace

bool ResampleSmooth(const SourceRows& source, std::uint32_t* target, int tw, int th) {
  const Axis across = Reduced(source.width, tw);
  const Axis down = Reduced(source.height, th);
  const std::int64_t area = std::int64_t{across.sources} * down.sources;
  // Column sums reach 255 * down.sources, pixel totals 255 * area.
  if (down.sources <= 257 && area < (std::int64_t{1} << 24)) {
    return RunWith<std::uint16_t, std::uint32_t, ShortDivider>(source, target, tw, th);
  }
  if (down.sources < (1 << 24)) {
    return RunWith<std::uint32_t, std::uint64_t, LongDivider>(source, target, tw, th);
  }
  return RunWith<std::uint64_t, std::uint64_t, LongDivider>(source, target, tw, th);
}

}  // namespace imaging
