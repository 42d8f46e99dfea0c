// A season over lapbundle-check: several rounds checked in one run, scored
// by the rules of one season file, and reported as standings in which each
// point leads back to the proof that earned it.
//
// Texts are Windows-1252 like the rest of the program, except where a
// function says UTF-8 (the season file, the report files, the terminal).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check/check.h"

namespace season {

// The most drivers, penalties and acceptances one season file may list,
// and the longest points table; and the most rounds. A season file comes
// from outside: the scoring keeps a result per driver and round.
constexpr std::size_t kMaxListed = 10000;
constexpr std::size_t kMaxRounds = 100;
// The longest driver name a saved game holds (bytes of Windows-1252).
constexpr std::size_t kMaxDriverName = 12;

struct Round {
  std::string name;
  std::string folder;  // program path (relative ones are made relative to the file)
  std::string track;   // the round's track path, as a saved game names it
  bool lengthGiven = false;
  std::int8_t lengthMode = 0;  // 0 laps, 1 km, as the saved game holds it
  std::int16_t lengthValue = 0;
  WallTime from, to;  // the round's window; an end not valid is open
  bool final = false;
};

struct Driver {
  std::string name;
  std::string className;  // empty: no class
  std::string team;       // empty: no team
  std::vector<std::string> aliases;
};

enum class PenaltyKind { kTime, kPoints, kDisqualified };

struct Penalty {
  std::string round;   // a round's name
  std::string driver;  // a roster name, or a driver's name without a roster
  PenaltyKind kind = PenaltyKind::kTime;
  std::int64_t timeMs = 0;  // kTime: added to the race time
  std::int64_t points = 0;  // kPoints: taken off the season total
  std::string reason;
};

// The organiser looked at a flagged proof and accepts it.
struct Acceptance {
  std::string round;
  std::string file;  // relative to the round's folder
  std::string reason;
};

struct Season {
  std::string name;
  std::string tracksDir;  // program path, or empty
  std::int64_t maxGapSeconds = 2 * 60 * 60;
  std::vector<std::int64_t> points;  // by place; later places get 0
  int countBest = 0;                 // 0: every round counts
  bool lastAttempt = false;          // false: the best attempt counts
  std::vector<Round> rounds;
  std::vector<Driver> drivers;  // the roster; empty: none
  std::vector<Penalty> penalties;
  std::vector<Acceptance> accepts;
};

// Reads a season file's text (UTF-8 TOML). Folder and tracks paths are
// taken relative to `folder` (a program path ending in "\" or empty).
// False, with `error` set to "LINE:COLUMN: what is wrong" (UTF-8), when the
// file breaks a rule; a missing key is named at the table it is missing
// from. *season is then unspecified.
bool ParseSeason(const std::string& text, const std::string& folder, Season* season,
                 std::string* error);

// ---------------------------------------------------------------------------
// Scoring: a pure function of the checked proofs and the season.

// Where a proof of the run comes from.
struct ProofPlace {
  std::size_t round = 0;
  std::string relative;  // its path relative to the round's folder (program text)
};

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// A driver of the season: a roster entry, or a name met in the proofs.
struct SeasonDriver {
  std::string name;  // the roster name, or the spelling met first
  std::string className, team;
  std::size_t roster = kNone;  // index in Season::drivers
};

// One driver in one round.
struct RoundResult {
  bool entered = false;  // a proof of theirs is in the round's folder
  int place = 0;         // 0: no place
  std::int64_t points = 0;
  bool dropped = false;
  bool disqualified = false;
  std::size_t proof = kNone;           // the counted proof
  std::int64_t timeMs = 0;             // its race time with the time penalties
  std::vector<std::size_t> penalties;  // into Season::penalties: those naming this round
};

struct StandingRow {
  std::size_t driver = 0;  // into Standings::drivers
  int place = 0;           // 0: no season place
  std::int64_t points = 0;
  std::string tieBreak;             // empty: none
  std::vector<RoundResult> rounds;  // one per round, in season order
};

struct ClassTable {
  std::string className;  // empty: drivers without a class, or no classes
  std::vector<StandingRow> rows;
};

struct TeamRow {
  std::string team;
  int place = 0;
  std::int64_t points = 0;
  std::string tieBreak;
};

struct ProofResult {
  std::size_t round = 0;
  std::size_t driver = kNone;  // into Standings::drivers; none when unknown
  int place = 0;               // the counted proof's place in its round and class
  bool counted = false;
  bool accepted = false;
  std::string acceptReason;
};

struct RoundSummary {
  bool lengthKnown = false;  // given, or taken from the proofs
  std::int8_t lengthMode = 0;
  std::int16_t lengthValue = 0;
  int ok = 0, withProblems = 0, accepted = 0;  // with problems: not accepted
};

struct Standings {
  std::vector<SeasonDriver> drivers;
  std::vector<ClassTable> classes;  // roster order of first appearance, no class last
  std::vector<TeamRow> teams;
  std::vector<ProofResult> proofs;  // one per proof
  std::vector<RoundSummary> rounds;
  std::vector<std::string> warnings;
};

// Scores the season. `proofs` are every proof of every round, checked and
// compared in one run, in report order; `places` says where each comes
// from. Adds to the proofs the problems and notes that the season gives
// them (drivers, the round's race, copies across rounds, attempts).
Standings Score(const Season& season, std::vector<ProofReport>* proofs,
                const std::vector<ProofPlace>& places);

// The key under which two spellings of one driver's name compare equal:
// spaces at both ends trimmed, letters folded as the system folds them.
std::string DriverKey(const std::string& name);

// "5 laps", "1 lap" or "12 km" as a race length (mode 0 laps, 1 km); false
// for anything else.
bool ParseRaceLength(const std::string& text, std::int8_t* mode, std::int16_t* value);

// ---------------------------------------------------------------------------
// Reports (UTF-8) and the program

// The standings in the terminal: a table per class (place, driver, team,
// each round's points, "(18)" dropped, "*" penalised, "DSQ", "-" not
// entered, total), a line per round, then the warnings.
std::string SeasonTerminal(const Season& season, const Standings& standings);
// The CSV file: one row per driver in standings order, class after class:
// place, driver, class, team, points, then each round's points (empty where
// the driver did not enter).
std::string SeasonCsv(const Season& season, const Standings& standings);
// The JSON file: season, standings, teams, proofs, warnings (the keys are
// listed in the manual page).
std::string SeasonJson(const Season& season, const Standings& standings,
                       const std::vector<ProofReport>& proofs);
// The self-contained HTML page: standings whose every round cell links to
// its proof, the teams, each round's proofs, and the season's rules.
std::string SeasonHtml(const Season& season, const Standings& standings,
                       const std::vector<ProofReport>& proofs);

// True when the arguments (after the program's name) ask for a season.
bool SeasonRequested(const std::vector<std::string>& args);
// Runs lapbundle-check --season over the arguments (program texts). Exit
// status: 0 when every proof is ok or accepted, 1 when a proof has a
// problem (or a report cannot be written), 2 for bad arguments or a bad
// season file.
int RunSeason(const std::vector<std::string>& args);

}  // namespace season
