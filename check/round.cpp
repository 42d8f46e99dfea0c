// The proofs of one run compared with each other: one race, or one
// screenshot, sent in two proofs. Only fingerprints are compared, except
// for BMPs that may be the source of another proof's JPEG: those are read
// again and encoded as the tool encodes them.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <numeric>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "check/check.h"
#include "check/check_internal.h"
#include "imaging/bmp_decoder.h"
#include "platform/console.h"
#include "platform/platform.h"

namespace check {
namespace {

constexpr int kListedPerKind = 3;

// Proofs joined into groups that share a race or a screenshot.
class Groups {
 public:
  explicit Groups(std::size_t count) : parent_(count) {
    std::iota(parent_.begin(), parent_.end(), std::size_t{0});
  }
  std::size_t Find(std::size_t i) {
    while (parent_[i] != i) i = parent_[i] = parent_[parent_[i]];
    return i;
  }
  void Join(std::size_t a, std::size_t b) {
    a = Find(a);
    b = Find(b);
    if (a != b) parent_[std::max(a, b)] = std::min(a, b);
  }
  // Every group of two or more, its members in report order.
  std::vector<std::vector<std::size_t>> Shared() {
    std::map<std::size_t, std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < parent_.size(); ++i) groups[Find(i)].push_back(i);
    std::vector<std::vector<std::size_t>> shared;
    for (auto& [root, members] : groups) {
      if (members.size() > 1) shared.push_back(std::move(members));
    }
    return shared;
  }

 private:
  std::vector<std::size_t> parent_;
};

// The other proof's file as its problem names it (program text).
std::string FileNamed(const ProofReport& r) {
  return platform::Utf8ToCp1252(platform::DisplayPath(r.file));
}

// Gives each member of each group a problem naming each other member (a
// handful, then how many more), linked to that member's row.
void NameEachOther(std::vector<ProofReport>* reports,
                   const std::vector<std::vector<std::size_t>>& groups,
                   const std::function<std::string(const ProofReport& self,
                                                   const ProofReport& other)>& text,
                   const std::string& more) {
  for (const std::vector<std::size_t>& group : groups) {
    for (std::size_t self : group) {
      ProofReport& r = (*reports)[self];
      int named = 0;
      for (std::size_t other : group) {
        if (other == self || ++named > kListedPerKind) continue;
        r.links.push_back({r.problems.size(), other});
        r.problems.push_back(text(r, (*reports)[other]));
      }
      if (named > kListedPerKind) {
        r.problems.push_back(std::to_string(named - kListedPerKind) + " more " + more);
      }
    }
  }
}

void CompareRaces(std::vector<ProofReport>* reports) {
  Groups groups(reports->size());
  std::map<decltype(Digest::bytes), std::size_t> first;
  for (std::size_t i = 0; i < reports->size(); ++i) {
    const Digest& d = (*reports)[i].raceDigest;
    if (d.known) groups.Join(i, first.emplace(d.bytes, i).first->second);
  }
  NameEachOther(
      reports, groups.Shared(),
      [](const ProofReport& self, const ProofReport& other) {
        std::string text = "same race as " + FileNamed(other);
        if (!(self.saveDigest == other.saveDigest)) text += " (only the driver differs)";
        return text;
      },
      "proofs of the same race");
}

// The pixels of the JPEG the tool makes from proof `r`'s BMP screenshot,
// read again from its archive; not known when it cannot be read or encoded.
Digest ToolJpegPixels(const ProofReport& r) {
  ArchiveSource source;
  source.path = r.file;
  source.systemPath = r.systemPath;
  std::string bmp;
  std::string jpeg;
  if (!ReadEntry(source, r.screenshotEntry, &bmp) ||
      !ToolJpegOf(reinterpret_cast<const std::uint8_t*>(bmp.data()), bmp.size(), &jpeg)) {
    return Digest();
  }
  std::string().swap(bmp);
  PictureFingerprints prints(false);
  if (!ReadPicturePixels(reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size(),
                         prints.Rows())) {
    return Digest();
  }
  return prints.Pixels();
}

void CompareScreenshots(std::vector<ProofReport>* reports, int jobs) {
  Groups groups(reports->size());
  std::map<decltype(Digest::bytes), std::size_t> first;
  // The JPEGs' strips by picture size; a strip not known matches any.
  struct Strips {
    bool unknown = false;
    std::set<decltype(Digest::bytes)> known;
  };
  std::map<std::pair<int, int>, Strips> jpegStrips;
  for (std::size_t i = 0; i < reports->size(); ++i) {
    const ProofReport& r = (*reports)[i];
    if (!r.pixelDigest.known) continue;
    groups.Join(i, first.emplace(r.pixelDigest.bytes, i).first->second);
    if (!r.screenshotJpeg) continue;
    Strips& strips = jpegStrips[{r.screenWidth, r.screenHeight}];
    if (r.stripDigest.known) {
      strips.known.insert(r.stripDigest.bytes);
    } else {
      strips.unknown = true;
    }
  }
  // A BMP and a JPEG of its size and strip: is the JPEG what the tool
  // makes of the BMP?
  std::vector<std::size_t> candidates;
  for (std::size_t i = 0; i < reports->size(); ++i) {
    const ProofReport& r = (*reports)[i];
    if (!r.pixelDigest.known || r.screenshotJpeg) continue;
    const auto size = jpegStrips.find({r.screenWidth, r.screenHeight});
    if (size == jpegStrips.end()) continue;
    const Strips& strips = size->second;
    if (strips.unknown || !r.stripDigest.known ||
        (!strips.known.empty() && strips.known.count(r.stripDigest.bytes) > 0)) {
      candidates.push_back(i);
    }
  }
  std::vector<Digest> encoded(candidates.size());
  InParallel(
      candidates.size(), jobs,
      [&](std::size_t k) { encoded[k] = ToolJpegPixels((*reports)[candidates[k]]); }, false);
  for (std::size_t k = 0; k < candidates.size(); ++k) {
    if (!encoded[k].known) continue;
    const auto match = first.find(encoded[k].bytes);
    if (match != first.end()) groups.Join(candidates[k], match->second);
  }
  NameEachOther(
      reports, groups.Shared(),
      [](const ProofReport&, const ProofReport& other) {
        return "same screenshot as " + FileNamed(other);
      },
      "proofs with the same screenshot");
}

}  // namespace
}  // namespace check

void CompareProofs(std::vector<ProofReport>* reports, int jobs) {
  check::CompareRaces(reports);
  check::CompareScreenshots(reports, jobs);
}
