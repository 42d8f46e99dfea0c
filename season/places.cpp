// Scoring, second half: penalties, each round's places, dropped rounds,
// totals, and the season's places with the reasons for each tie-break.
#include <algorithm>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "season/season.h"
#include "season/season_internal.h"

namespace season {
namespace {

// The count of each place (index 0: first places) over some rounds.
using Countback = std::vector<int>;

void AddPlace(Countback* counts, int place) {
  if (place <= 0) return;
  if (counts->size() < static_cast<std::size_t>(place)) counts->resize(place, 0);
  ++(*counts)[place - 1];
}

// The first place whose counts differ (0 based), or -1 when none does.
int FirstDifference(const Countback& a, const Countback& b) {
  const std::size_t n = std::max(a.size(), b.size());
  for (std::size_t k = 0; k < n; ++k) {
    const int x = k < a.size() ? a[k] : 0;
    const int y = k < b.size() ? b[k] : 0;
    if (x != y) return static_cast<int>(k);
  }
  return -1;
}

int CountAt(const Countback& c, int k) { return static_cast<std::size_t>(k) < c.size() ? c[k] : 0; }

std::string CountbackText(const Countback& self, const Countback& other, int k) {
  const int mine = CountAt(self, k);
  return std::to_string(mine) + " " + OrdinalWord(k + 1) + (mine == 1 ? " place" : " places") +
         " to " + std::to_string(CountAt(other, k));
}

void AddReason(std::string* tieBreak, const std::string& reason) {
  if (!tieBreak->empty()) *tieBreak += "; ";
  *tieBreak += reason;
}

// Ranks entries by points, then countback, then (for drivers) the latest
// round in which both have a place; equal ones share a place. Sets each
// entry's place and adds the reasons for decided and shared ties.
struct Ranked {
  std::string name;
  std::int64_t points = 0;
  Countback countback;
  const std::vector<RoundResult>* rounds = nullptr;  // drivers only
  int place = 0;
  std::string tieBreak;
  std::size_t source = 0;
};

// The round (from the latest) deciding between two drivers: the better
// place wins. kNone when no round decides.
std::size_t LatestRound(const Ranked& a, const Ranked& b) {
  if (a.rounds == nullptr || b.rounds == nullptr) return kNone;
  for (std::size_t n = a.rounds->size(); n-- > 0;) {
    const int x = (*a.rounds)[n].place;
    const int y = (*b.rounds)[n].place;
    if (x > 0 && y > 0) return x == y ? kNone : n;
  }
  return kNone;
}

void Rank(std::vector<Ranked>* entries, const Season& season) {
  std::vector<Ranked>& e = *entries;
  std::stable_sort(e.begin(), e.end(), [](const Ranked& a, const Ranked& b) {
    if (a.points != b.points) return a.points > b.points;
    const int k = FirstDifference(a.countback, b.countback);
    return k >= 0 && CountAt(a.countback, k) > CountAt(b.countback, k);
  });
  // Within equal points and countback, by the latest round both have a
  // place in: an insertion sort, which needs no ordering of all three.
  const auto latestBefore = [](const Ranked& a, const Ranked& b) {
    const std::size_t n = LatestRound(a, b);
    return n != kNone && (*a.rounds)[n].place < (*b.rounds)[n].place;
  };
  for (std::size_t i = 1; i < e.size(); ++i) {
    for (std::size_t j = i; j > 0; --j) {
      const bool sameGroup =
          e[j].points == e[j - 1].points && FirstDifference(e[j].countback, e[j - 1].countback) < 0;
      if (!sameGroup || !latestBefore(e[j], e[j - 1])) break;
      std::swap(e[j], e[j - 1]);
    }
  }
  for (std::size_t i = 0; i < e.size(); ++i) {
    e[i].place = static_cast<int>(i) + 1;
    if (i == 0 || e[i].points != e[i - 1].points) continue;
    Ranked& a = e[i - 1];
    Ranked& b = e[i];
    const int k = FirstDifference(a.countback, b.countback);
    const std::size_t n = k < 0 ? LatestRound(a, b) : kNone;
    if (k >= 0) {
      AddReason(&a.tieBreak, "ahead of " + b.name +
                                 " on countback: " + CountbackText(a.countback, b.countback, k));
      AddReason(&b.tieBreak, "behind " + a.name +
                                 " on countback: " + CountbackText(b.countback, a.countback, k));
    } else if (n != kNone) {
      const std::string at =
          " in the latest round both have a place in, " + season.rounds[n].name + ": ";
      const int pa = (*a.rounds)[n].place;
      const int pb = (*b.rounds)[n].place;
      AddReason(&a.tieBreak, "ahead of " + b.name + at + PlaceText(pa) + " to " + PlaceText(pb));
      AddReason(&b.tieBreak, "behind " + a.name + at + PlaceText(pb) + " to " + PlaceText(pa));
    } else {
      b.place = a.place;
      AddReason(&a.tieBreak, "shared with " + b.name);
      AddReason(&b.tieBreak, "shared with " + a.name);
    }
  }
}

// With count_best = N: disqualifications first (earliest first), then the
// highest scores, the later round at equal scores; the rest are dropped.
void DropRounds(const Season& season, std::vector<RoundResult>* rounds) {
  if (season.countBest <= 0) return;
  std::vector<std::size_t> order(rounds->size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const RoundResult& x = (*rounds)[a];
    const RoundResult& y = (*rounds)[b];
    if (x.disqualified != y.disqualified) return x.disqualified;
    if (x.disqualified) return a < b;
    if (x.points != y.points) return x.points > y.points;
    return a > b;
  });
  for (std::size_t k = static_cast<std::size_t>(season.countBest); k < order.size(); ++k) {
    (*rounds)[order[k]].dropped = true;
  }
}

}  // namespace

std::string PlaceText(int place) {
  const int tens = place % 100;
  const char* suffix = "th";
  if (tens < 11 || tens > 13) {
    if (place % 10 == 1) suffix = "st";
    if (place % 10 == 2) suffix = "nd";
    if (place % 10 == 3) suffix = "rd";
  }
  return std::to_string(place) + suffix;
}

std::string OrdinalWord(int n) {
  static const char* const kWords[] = {"first", "second",  "third",  "fourth", "fifth",
                                       "sixth", "seventh", "eighth", "ninth",  "tenth"};
  if (n >= 1 && n <= 10) return kWords[n - 1];
  return PlaceText(n);
}

void ApplyPenalties(const Season& season, const std::vector<ProofReport>& proofs, Work* work) {
  work->pointsTaken.assign(work->standings.drivers.size(), 0);
  for (std::size_t d = 0; d < work->standings.drivers.size(); ++d) {
    for (std::size_t n = 0; n < work->rounds; ++n) {
      RoundResult& r = work->Result(d, n);
      if (r.proof != kNone) r.timeMs = proofs[r.proof].raceTimeMs;
    }
  }
  for (std::size_t p = 0; p < season.penalties.size(); ++p) {
    const Penalty& penalty = season.penalties[p];
    const auto found = work->driverByKey.find(DriverKey(penalty.driver));
    const std::size_t d = found == work->driverByKey.end() ? kNone : found->second;
    const std::size_t n = RoundIndex(season, penalty.round);
    if (d == kNone || n == kNone) {
      work->standings.warnings.push_back("penalty for " + penalty.driver + " in round " +
                                         penalty.round + " has no effect: no proof names " +
                                         penalty.driver);
      continue;
    }
    RoundResult& r = work->Result(d, n);
    if (penalty.kind == PenaltyKind::kPoints) {
      work->pointsTaken[d] += penalty.points;
      r.penalties.push_back(p);
      continue;
    }
    if (!r.entered) {
      work->standings.warnings.push_back("penalty for " + penalty.driver + " in round " +
                                         penalty.round + " has no effect: " + penalty.driver +
                                         " did not enter it");
      continue;
    }
    r.penalties.push_back(p);
    if (penalty.kind == PenaltyKind::kTime) r.timeMs += penalty.timeMs;
    if (penalty.kind == PenaltyKind::kDisqualified) r.disqualified = true;
  }
}

void PlaceRounds(const Season& season, Work* work) {
  const std::vector<SeasonDriver>& drivers = work->standings.drivers;
  for (std::size_t n = 0; n < work->rounds; ++n) {
    std::vector<std::size_t> timed;
    for (std::size_t d = 0; d < drivers.size(); ++d) {
      const RoundResult& r = work->Result(d, n);
      if (r.proof != kNone && !r.disqualified) timed.push_back(d);
    }
    std::stable_sort(timed.begin(), timed.end(), [&](std::size_t a, std::size_t b) {
      if (drivers[a].className != drivers[b].className) {
        return drivers[a].className < drivers[b].className;
      }
      return work->Result(a, n).timeMs < work->Result(b, n).timeMs;
    });
    // Equal times share a place and the next place is skipped: 1, 2, 2, 4.
    std::size_t first = 0;  // the class's first driver in `timed`
    for (std::size_t k = 0; k < timed.size(); ++k) {
      RoundResult& r = work->Result(timed[k], n);
      if (k > 0 && drivers[timed[k]].className != drivers[timed[k - 1]].className) first = k;
      const RoundResult* before = k > first ? &work->Result(timed[k - 1], n) : nullptr;
      r.place = before != nullptr && before->timeMs == r.timeMs ? before->place
                                                                : static_cast<int>(k - first) + 1;
      const auto at = static_cast<std::size_t>(r.place - 1);
      r.points = at < season.points.size() ? season.points[at] : 0;
      work->standings.proofs[r.proof].place = r.place;
    }
  }
}

void PlaceSeason(const Season& season, Work* work) {
  Standings& s = work->standings;
  std::vector<std::string> classes;  // roster order of first appearance, none last
  for (const SeasonDriver& d : s.drivers) {
    if (!d.className.empty() &&
        std::find(classes.begin(), classes.end(), d.className) == classes.end()) {
      classes.push_back(d.className);
    }
  }
  classes.push_back(std::string());
  std::vector<Ranked> teams;
  for (const std::string& name : classes) {
    ClassTable table;
    table.className = name;
    std::vector<Ranked> placed;
    std::vector<StandingRow> unplaced;
    for (std::size_t d = 0; d < s.drivers.size(); ++d) {
      if (s.drivers[d].className != name) continue;
      StandingRow row;
      row.driver = d;
      row.rounds.assign(
          work->results.begin() + static_cast<std::ptrdiff_t>(d * work->rounds),
          work->results.begin() + static_cast<std::ptrdiff_t>((d + 1) * work->rounds));
      DropRounds(season, &row.rounds);
      Countback countback;
      bool anyPlace = false;
      for (const RoundResult& r : row.rounds) {
        if (!r.dropped) row.points += r.points;
        if (!r.dropped) AddPlace(&countback, r.place);
        anyPlace = anyPlace || r.place > 0;
      }
      row.points -= work->pointsTaken[d];
      const std::string& team = s.drivers[d].team;
      if (!team.empty()) {
        auto t = std::find_if(teams.begin(), teams.end(),
                              [&](const Ranked& r) { return r.name == team; });
        if (t == teams.end()) {
          teams.emplace_back();
          teams.back().name = team;
          t = teams.end() - 1;
        }
        t->points += row.points;
        for (const RoundResult& r : row.rounds) AddPlace(&t->countback, r.place);
      }
      table.rows.push_back(std::move(row));
      if (!anyPlace) {
        unplaced.push_back(std::move(table.rows.back()));
        table.rows.pop_back();
        continue;
      }
      Ranked ranked;
      ranked.name = s.drivers[d].name;
      ranked.points = table.rows.back().points;
      ranked.countback = std::move(countback);
      ranked.source = table.rows.size() - 1;
      placed.push_back(std::move(ranked));
    }
    for (Ranked& r : placed) r.rounds = &table.rows[r.source].rounds;
    Rank(&placed, season);
    std::vector<StandingRow> rows;
    for (const Ranked& r : placed) {
      rows.push_back(std::move(table.rows[r.source]));
      rows.back().place = r.place;
      rows.back().tieBreak = r.tieBreak;
    }
    // Without a roster the drivers with no place come in name order.
    if (season.drivers.empty()) {
      std::stable_sort(unplaced.begin(), unplaced.end(), [&](const auto& a, const auto& b) {
        return s.drivers[a.driver].name < s.drivers[b.driver].name;
      });
    }
    for (StandingRow& row : unplaced) rows.push_back(std::move(row));
    table.rows = std::move(rows);
    if (!table.rows.empty()) s.classes.push_back(std::move(table));
  }
  Rank(&teams, season);
  for (const Ranked& t : teams) s.teams.push_back({t.name, t.place, t.points, t.tieBreak});
}

}  // namespace season
