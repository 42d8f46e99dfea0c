// Scoring, first half: what the season adds to each proof (copies across
// rounds, drivers, the round's race, acceptances, attempts) and each
// round's places. The season's places follow in places.cpp.
#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/console.h"
#include "platform/platform.h"
#include "season/season.h"
#include "season/season_internal.h"

namespace season {
namespace {

// The file of a proof as problems and notes name it (program text).
std::string FileNamed(const ProofReport& r) {
  return platform::Utf8ToCp1252(platform::DisplayPath(r.file));
}

// A copy across rounds is held against the later proof only: the earlier
// one's problem naming it becomes a note, so that a copy sent in a later
// round cannot void an earlier result.
void CopiesAcrossRounds(const Season& season, std::vector<ProofReport>* proofs,
                        const std::vector<ProofPlace>& places) {
  for (std::size_t i = 0; i < proofs->size(); ++i) {
    ProofReport& r = (*proofs)[i];
    std::vector<bool> drop(r.problems.size(), false);
    for (const ProofLink& link : r.links) {
      const std::size_t later = places[link.other].round;
      if (later <= places[i].round || link.problem >= drop.size() || drop[link.problem]) continue;
      drop[link.problem] = true;
      // One note per copy, whether its race or its screenshot was found.
      const std::string note = "copied in round " + season.rounds[later].name + " by " +
                               FileNamed((*proofs)[link.other]);
      if (std::find(r.notes.begin(), r.notes.end(), note) == r.notes.end()) r.notes.push_back(note);
    }
    std::vector<std::string> problems;
    std::vector<std::size_t> moved(r.problems.size(), kNone);
    for (std::size_t p = 0; p < r.problems.size(); ++p) {
      if (drop[p]) continue;
      moved[p] = problems.size();
      problems.push_back(std::move(r.problems[p]));
    }
    std::vector<ProofLink> links;
    for (const ProofLink& link : r.links) {
      if (link.problem < moved.size() && moved[link.problem] != kNone) {
        links.push_back({moved[link.problem], link.other});
      }
    }
    r.problems = std::move(problems);
    r.links = std::move(links);
  }
}

// Each proof's driver: a roster entry, or one driver per name.
void FindDrivers(const Season& season, std::vector<ProofReport>* proofs, Work* work) {
  std::map<std::string, std::size_t> byKey;
  for (std::size_t d = 0; d < season.drivers.size(); ++d) {
    const Driver& driver = season.drivers[d];
    work->standings.drivers.push_back({driver.name, driver.className, driver.team, d});
    byKey.emplace(DriverKey(driver.name), d);
    for (const std::string& alias : driver.aliases) byKey.emplace(DriverKey(alias), d);
  }
  const bool roster = !season.drivers.empty();
  for (std::size_t i = 0; i < proofs->size(); ++i) {
    ProofReport& r = (*proofs)[i];
    if (!r.hasRace) continue;
    if (r.driverFromTrack) {
      r.problems.push_back("the saved game names no driver");
      continue;
    }
    const auto found = byKey.find(DriverKey(r.driver));
    if (found != byKey.end()) {
      work->driverOf[i] = found->second;
    } else if (roster) {
      r.problems.push_back("driver " + r.driver + " is not on the roster");
    } else {
      byKey.emplace(DriverKey(r.driver), work->standings.drivers.size());
      work->driverOf[i] = work->standings.drivers.size();
      work->standings.drivers.push_back({r.driver, std::string(), std::string(), kNone});
    }
  }
  work->driverByKey = std::move(byKey);
}

// A proof of another race than its round's: another track, or another
// length than the one given or, without one, the one most proofs drove.
void CheckRoundRaces(const Season& season, std::vector<ProofReport>* proofs,
                     const std::vector<ProofPlace>& places, Work* work) {
  for (std::size_t n = 0; n < season.rounds.size(); ++n) {
    const Round& round = season.rounds[n];
    const std::string track = TrackPathKey(round.track);
    const auto onTrack = [&](const ProofReport& r) {
      return r.hasRace && TrackPathKey(r.trackPath) == track;
    };
    RoundSummary& summary = work->standings.rounds[n];
    summary.lengthKnown = round.lengthGiven;
    summary.lengthMode = round.lengthMode;
    summary.lengthValue = round.lengthValue;
    if (!round.lengthGiven) {
      std::vector<std::pair<std::pair<int, int>, int>> counts;  // in report order
      for (std::size_t i = 0; i < proofs->size(); ++i) {
        const ProofReport& r = (*proofs)[i];
        if (places[i].round != n || !onTrack(r)) continue;
        const std::pair<int, int> length{r.lengthMode, r.lengthValue};
        const auto at = std::find_if(counts.begin(), counts.end(),
                                     [&](const auto& c) { return c.first == length; });
        if (at == counts.end()) {
          counts.push_back({length, 1});
        } else {
          ++at->second;
        }
      }
      const auto most =
          std::max_element(counts.begin(), counts.end(),
                           [](const auto& a, const auto& b) { return a.second < b.second; });
      if (most != counts.end()) {
        summary.lengthKnown = true;
        summary.lengthMode = static_cast<std::int8_t>(most->first.first);
        summary.lengthValue = static_cast<std::int16_t>(most->first.second);
      }
    }
    for (std::size_t i = 0; i < proofs->size(); ++i) {
      ProofReport& r = (*proofs)[i];
      if (places[i].round != n || !r.hasRace) continue;
      if (!onTrack(r) || r.lengthMode != summary.lengthMode ||
          r.lengthValue != summary.lengthValue) {
        r.problems.push_back("not this round's race (" + r.trackPath + ", " +
                             platform::Utf8ToCp1252(FormatRaceLength(r)) + ")");
      }
    }
  }
}

void Accept(const Season& season, std::vector<ProofReport>* proofs,
            const std::vector<ProofPlace>& places, Work* work) {
  // The proofs by round and path, each path's key made once.
  std::map<std::pair<std::size_t, std::string>, std::vector<std::size_t>> byPath;
  if (!season.accepts.empty()) {
    for (std::size_t i = 0; i < proofs->size(); ++i) {
      byPath[{places[i].round, TrackPathKey(places[i].relative)}].push_back(i);
    }
  }
  for (const Acceptance& a : season.accepts) {
    const auto named = byPath.find({RoundIndex(season, a.round), TrackPathKey(a.file)});
    for (std::size_t i : named == byPath.end() ? std::vector<std::size_t>() : named->second) {
      ProofReport& r = (*proofs)[i];
      if (r.ok()) {
        r.notes.push_back("accepted, though it has no problem: " + a.reason);
      } else {
        r.notes.push_back("accepted: " + a.reason);
        work->standings.proofs[i].accepted = true;
        work->standings.proofs[i].acceptReason = a.reason;
      }
    }
    if (named == byPath.end()) {
      work->standings.warnings.push_back("round " + a.round + " has no proof " + a.file +
                                         " to accept");
    }
  }
}

bool Scores(const ProofReport& r, const ProofResult& result) {
  return (r.ok() || result.accepted) && r.hasRace && r.raceTimeMs > 0 && result.driver != kNone;
}

// The proof that counts for each driver in each round; the others get a note.
void ChooseAttempts(const Season& season, std::vector<ProofReport>* proofs, Work* work) {
  std::vector<ProofResult>& results = work->standings.proofs;
  // Orders two scoring proofs of one driver in one round, the counted first.
  const auto before = [&](std::size_t a, std::size_t b) {
    const ProofReport& x = (*proofs)[a];
    const ProofReport& y = (*proofs)[b];
    const std::int64_t sx = x.saveTime.valid ? SecondsOf(x.saveTime) : -1;
    const std::int64_t sy = y.saveTime.valid ? SecondsOf(y.saveTime) : -1;
    if (season.lastAttempt) return sx != sy ? sx > sy : a > b;
    if (x.raceTimeMs != y.raceTimeMs) return x.raceTimeMs < y.raceTimeMs;
    if (sx != sy) return sx >= 0 && (sy < 0 || sx < sy);
    return a < b;
  };
  std::map<std::pair<std::size_t, std::size_t>, std::size_t> counted;
  for (std::size_t i = 0; i < proofs->size(); ++i) {
    if (results[i].driver == kNone) continue;
    work->Result(results[i].driver, results[i].round).entered = true;
    if (!Scores((*proofs)[i], results[i])) continue;
    const auto [at, first] = counted.emplace(std::pair{results[i].driver, results[i].round}, i);
    if (!first && before(i, at->second)) at->second = i;
  }
  const std::string why = season.lastAttempt ? " is the later attempt" : " is the better attempt";
  for (std::size_t i = 0; i < proofs->size(); ++i) {
    if (results[i].driver == kNone || !Scores((*proofs)[i], results[i])) continue;
    const std::size_t chosen = counted.at({results[i].driver, results[i].round});
    if (chosen == i) {
      results[i].counted = true;
      work->Result(results[i].driver, results[i].round).proof = i;
    } else {
      (*proofs)[i].notes.push_back("not counted: " + FileNamed((*proofs)[chosen]) + why);
    }
  }
}

}  // namespace

std::string DriverKey(const std::string& name) {
  const std::size_t first = name.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  const std::size_t last = name.find_last_not_of(' ');
  std::string key = name.substr(first, last - first + 1);
  for (char& c : key) c = static_cast<char>(platform::FoldCase(static_cast<unsigned char>(c)));
  return key;
}

std::size_t RoundIndex(const Season& season, const std::string& name) {
  for (std::size_t n = 0; n < season.rounds.size(); ++n) {
    if (season.rounds[n].name == name) return n;
  }
  return kNone;
}

Standings Score(const Season& season, std::vector<ProofReport>* proofs,
                const std::vector<ProofPlace>& places) {
  Work work;
  work.rounds = season.rounds.size();
  work.standings.rounds.resize(season.rounds.size());
  work.driverOf.assign(proofs->size(), kNone);
  CopiesAcrossRounds(season, proofs, places);
  FindDrivers(season, proofs, &work);
  CheckRoundRaces(season, proofs, places, &work);
  work.results.assign(work.standings.drivers.size() * work.rounds, RoundResult());
  work.standings.proofs.resize(proofs->size());
  for (std::size_t i = 0; i < proofs->size(); ++i) {
    work.standings.proofs[i].round = places[i].round;
    work.standings.proofs[i].driver = work.driverOf[i];
  }
  Accept(season, proofs, places, &work);
  ChooseAttempts(season, proofs, &work);
  for (std::size_t i = 0; i < proofs->size(); ++i) {
    RoundSummary& summary = work.standings.rounds[places[i].round];
    if ((*proofs)[i].ok()) {
      ++summary.ok;
    } else if (work.standings.proofs[i].accepted) {
      ++summary.accepted;
    } else {
      ++summary.withProblems;
    }
  }
  ApplyPenalties(season, *proofs, &work);
  PlaceRounds(season, &work);
  PlaceSeason(season, &work);
  return std::move(work.standings);
}

}  // namespace season
