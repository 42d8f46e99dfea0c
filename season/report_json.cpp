// The season's JSON file: the season's rules, the standings per class with
// every round's result, the teams, every proof, and the warnings. The keys
// are listed in the manual page and kept stable.
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/platform.h"
#include "season/season.h"
#include "season/season_internal.h"

namespace season {
namespace {

std::string Text(const std::string& cp1252) {
  return check::JsonString(platform::Cp1252ToUtf8(cp1252));
}
std::string TextOrNull(const std::string& cp1252) { return cp1252.empty() ? "null" : Text(cp1252); }
std::string NumberOrNull(bool known, std::int64_t n) { return known ? std::to_string(n) : "null"; }
std::string Bool(bool b) { return b ? "true" : "false"; }

std::string SeasonKeys(const Season& s, const Standings& standings) {
  std::string out = "{\"name\": " + Text(s.name) + ", \"rounds\": [";
  for (std::size_t n = 0; n < s.rounds.size(); ++n) {
    const Round& r = s.rounds[n];
    const RoundSummary& summary = standings.rounds[n];
    out += std::string(n > 0 ? ", " : "") + "{\"name\": " + Text(r.name) +
           ", \"track\": " + Text(r.track) + ", \"length\": " +
           (summary.lengthKnown
                ? check::JsonString(RaceLengthText(summary.lengthMode, summary.lengthValue))
                : "null") +
           ", \"from\": " + check::JsonWindowEnd(r.from) +
           ", \"to\": " + check::JsonWindowEnd(r.to) + ", \"final\": " + Bool(r.final) + "}";
  }
  out += "], \"points\": [";
  for (std::size_t k = 0; k < s.points.size(); ++k) {
    out += (k > 0 ? ", " : "") + std::to_string(s.points[k]);
  }
  return out + "], \"count_best\": " + NumberOrNull(s.countBest > 0, s.countBest) +
         ", \"attempts\": " + (s.lastAttempt ? "\"last\"" : "\"best\"") + "}";
}

std::string PenaltyKeys(const Penalty& p) {
  const char* kinds[] = {"time", "points", "disqualified"};
  return std::string("{\"kind\": \"") + kinds[static_cast<int>(p.kind)] +
         "\", \"time_ms\": " + NumberOrNull(p.kind == PenaltyKind::kTime, p.timeMs) +
         ", \"points\": " + NumberOrNull(p.kind == PenaltyKind::kPoints, p.points) +
         ", \"reason\": " + Text(p.reason) + "}";
}

std::string RoundKeys(const Season& s, const RoundResult& r,
                      const std::vector<ProofReport>& proofs) {
  if (!r.entered) return "null";
  std::string out =
      "{\"place\": " + NumberOrNull(r.place > 0, r.place) +
      ", \"points\": " + std::to_string(r.points) + ", \"dropped\": " + Bool(r.dropped) +
      ", \"disqualified\": " + Bool(r.disqualified) + ", \"file\": " +
      (r.proof == kNone ? "null" : check::JsonString(ShownFile(proofs[r.proof]))) +
      ", \"penalties\": [";
  for (std::size_t k = 0; k < r.penalties.size(); ++k) {
    out += (k > 0 ? ", " : "") + PenaltyKeys(s.penalties[r.penalties[k]]);
  }
  return out + "]}";
}

std::string Standing(const Season& s, const Standings& standings, const StandingRow& row,
                     const std::vector<ProofReport>& proofs) {
  const SeasonDriver& d = standings.drivers[row.driver];
  std::string out = "        {\"place\": " + NumberOrNull(row.place > 0, row.place) +
                    ", \"driver\": " + Text(d.name) + ", \"team\": " + TextOrNull(d.team) +
                    ", \"points\": " + std::to_string(row.points) +
                    ", \"tie_break\": " + TextOrNull(row.tieBreak) + ", \"rounds\": [";
  for (std::size_t n = 0; n < row.rounds.size(); ++n) {
    out += (n > 0 ? ", " : "") + RoundKeys(s, row.rounds[n], proofs);
  }
  return out + "]}";
}

}  // namespace

std::string SeasonJson(const Season& s, const Standings& standings,
                       const std::vector<ProofReport>& proofs) {
  std::string out = "{\n  \"season\": " + SeasonKeys(s, standings) + ",\n  \"standings\": [";
  for (std::size_t c = 0; c < standings.classes.size(); ++c) {
    const ClassTable& table = standings.classes[c];
    out += std::string(c > 0 ? "," : "") + "\n    {\"class\": " + TextOrNull(table.className) +
           ", \"rows\": [";
    for (std::size_t k = 0; k < table.rows.size(); ++k) {
      out += (k > 0 ? ",\n" : "\n") + Standing(s, standings, table.rows[k], proofs);
    }
    out += table.rows.empty() ? "]}" : "\n    ]}";
  }
  out += "\n  ],\n  \"teams\": [";
  for (std::size_t k = 0; k < standings.teams.size(); ++k) {
    const TeamRow& t = standings.teams[k];
    out += k > 0 ? ",\n" : "\n";
    out += "    {\"place\": " + std::to_string(t.place) +
           ", \"team\": " + Text(t.team) + ", \"points\": " + std::to_string(t.points) +
           ", \"tie_break\": " + TextOrNull(t.tieBreak) + "}";
  }
  out += standings.teams.empty() ? "],\n  \"proofs\": [" : "\n  ],\n  \"proofs\": [";
  for (std::size_t i = 0; i < proofs.size(); ++i) {
    const ProofResult& p = standings.proofs[i];
    const std::size_t roster = p.driver == kNone ? kNone : standings.drivers[p.driver].roster;
    out += (i > 0 ? ",\n" : "\n") + std::string("    {") + check::JsonProofKeys(proofs[i]) +
           "\"place\": " + NumberOrNull(p.place > 0, p.place) +
           ", \"round\": " + Text(s.rounds[p.round].name) +
           ", \"driver_id\": " + (roster == kNone ? "null" : Text(s.drivers[roster].name)) +
           ", \"counted\": " + Bool(p.counted) +
           ", \"accepted\": " + (p.accepted ? Text(p.acceptReason) : "null") + "}";
  }
  out += proofs.empty() ? "],\n  \"warnings\": [" : "\n  ],\n  \"warnings\": [";
  for (std::size_t k = 0; k < standings.warnings.size(); ++k) {
    out += (k > 0 ? ", " : "") + Text(standings.warnings[k]);
  }
  return out + "]\n}\n";
}

}  // namespace season
