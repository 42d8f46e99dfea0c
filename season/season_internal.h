// Private to the season: the scoring's working state, shared by its steps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "season/season.h"

namespace season {

struct Work {
  Standings standings;
  std::size_t rounds = 0;
  std::vector<std::size_t> driverOf;               // per proof, into standings.drivers
  std::map<std::string, std::size_t> driverByKey;  // DriverKey of names and aliases
  std::vector<RoundResult> results;                // per driver, per round
  std::vector<std::int64_t> pointsTaken;           // per driver
  RoundResult& Result(std::size_t driver, std::size_t round) {
    return results[driver * rounds + round];
  }
};

// The index of the round of that name, or kNone.
std::size_t RoundIndex(const Season& season, const std::string& name);

// Time penalties and disqualifications of entrants; points penalties; a
// warning for each penalty that has no effect.
void ApplyPenalties(const Season& season, const std::vector<ProofReport>& proofs, Work* work);
// Each round's places and points, class by class.
void PlaceRounds(const Season& season, Work* work);
// Dropped rounds, totals, the season's places with their tie-breaks, teams.
void PlaceSeason(const Season& season, Work* work);

// "1st", "2nd", "3rd", "4th", "11th", "21st" ...
std::string PlaceText(int place);
// "first" to "tenth", then "11th", "22nd" ...
std::string OrdinalWord(int n);

// The title of a class table; a round's line ("R1: final, 3 proofs: 2 ok,
// 1 with problems, 0 accepted", or "no proofs yet"); a race length as the
// checker writes it. UTF-8.
std::string ClassTitle(const Standings& standings, const ClassTable& table);
std::string RoundLine(const Round& round, const RoundSummary& summary);
std::string RaceLengthText(std::int8_t mode, std::int16_t value);

}  // namespace season
