// The standings of a run: proofs grouped by race and ranked by race time.
#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "check/check.h"
#include "platform/platform.h"

namespace {

using RaceKey = std::tuple<bool, std::string, int, int>;  // no race last

RaceKey KeyOf(const ProofReport& r) {
  return {!r.hasRace, TrackPathKey(r.trackPath), r.lengthMode, r.lengthValue};
}

// Only a proof without problems and with a result takes a rank.
bool Ranked(const ProofReport& r) { return r.ok() && r.hasRace && r.raceTimeMs != 0; }

bool NoResult(const ProofReport& r) { return !r.hasRace || r.raceTimeMs == 0; }

}  // namespace

std::string TrackPathKey(const std::string& trackPath) {
  std::string key;
  std::size_t start = 0;
  while (start <= trackPath.size()) {
    std::size_t end = trackPath.find('\\', start);
    if (end == std::string::npos) end = trackPath.size();
    const std::string_view segment(trackPath.data() + start, end - start);
    // A leading separator is kept; empty and "." segments name nothing.
    if (start == 0 && segment.empty() && end < trackPath.size()) key += '\\';
    if (!segment.empty() && segment != ".") {
      if (!key.empty() && key.back() != '\\') key += '\\';
      for (char c : segment)
        key += static_cast<char>(platform::FoldCase(static_cast<unsigned char>(c)));
    }
    start = end + 1;
  }
  return key;
}

std::vector<std::vector<std::size_t>> RaceTables(const std::vector<ProofReport>& reports) {
  std::map<RaceKey, std::vector<std::size_t>> races;
  for (std::size_t i = 0; i < reports.size(); ++i) races[KeyOf(reports[i])].push_back(i);
  std::vector<std::vector<std::size_t>> tables;
  for (auto& [key, proofs] : races) {
    std::stable_sort(proofs.begin(), proofs.end(), [&](std::size_t x, std::size_t y) {
      const ProofReport& a = reports[x];
      const ProofReport& b = reports[y];
      if (Ranked(a) != Ranked(b)) return Ranked(a);
      if (NoResult(a) != NoResult(b)) return NoResult(b);
      return NoResult(a) ? false : a.raceTimeMs < b.raceTimeMs;
    });
    tables.push_back(std::move(proofs));
  }
  return tables;
}

std::string TableTrackPath(const std::vector<ProofReport>& reports,
                           const std::vector<std::size_t>& table) {
  // Each spelling with its count and the first proof (in report order) using it.
  std::map<std::string, std::pair<std::size_t, std::size_t>> spellings;
  for (std::size_t index : table) {
    auto [it, added] = spellings.try_emplace(reports[index].trackPath, 0, index);
    ++it->second.first;
    it->second.second = std::min(it->second.second, index);
  }
  const std::string* best = nullptr;
  std::pair<std::size_t, std::size_t> bestSeen{0, 0};
  for (const auto& [spelling, seen] : spellings) {
    if (best == nullptr || seen.first > bestSeen.first ||
        (seen.first == bestSeen.first && seen.second < bestSeen.second)) {
      best = &spelling;
      bestSeen = seen;
    }
  }
  return best == nullptr ? std::string() : *best;
}

std::vector<int> Ranks(const std::vector<ProofReport>& reports) {
  std::vector<int> ranks(reports.size(), 0);
  for (const std::vector<std::size_t>& table : RaceTables(reports)) {
    // The ranked proofs lead the table in race time order.
    for (std::size_t n = 0; n < table.size() && Ranked(reports[table[n]]); ++n) {
      const bool tie = n > 0 && reports[table[n]].raceTimeMs == reports[table[n - 1]].raceTimeMs;
      ranks[table[n]] = tie ? ranks[table[n - 1]] : static_cast<int>(n) + 1;
    }
  }
  return ranks;
}
