// The season's scoring as one table: a row per rule, proofs as plain
// records (no archive), the standings written out as lines.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "season/season.h"

namespace {

using season::kNone;

struct Proof {
  Proof(std::string f, std::size_t r, std::string d, std::int32_t t, int s = 0, std::string p = "",
        std::string tr = "\\Hills\\Oakfield", std::int16_t l = 5)
      : file(f), round(r), driver(d), ms(t), saved(s), problem(p), track(tr), laps(l) {}
  std::string file;
  std::size_t round;
  std::string driver;  // empty: the saved game names none
  std::int32_t ms;
  int saved;  // minutes after a fixed moment: the saved game's entry time
  std::string problem;
  std::string track;
  std::int16_t laps;
};

season::Round MakeRound(const char* name) {
  season::Round r;
  r.name = name;
  r.track = "\\Hills\\Oakfield";
  return r;
}

ProofReport Report(const Proof& p) {
  ProofReport r;
  r.file = p.file;
  r.hasRace = true;
  r.driver = p.driver.empty() ? "Record Man" : p.driver;
  r.driverFromTrack = p.driver.empty();
  r.trackPath = p.track;
  r.lengthValue = p.laps;
  r.raceTimeMs = p.ms;
  r.saveTime = {true, 2026, 11, 2, 10 + p.saved / 60, p.saved % 60, 0};
  if (!p.problem.empty()) r.problems.push_back(p.problem);
  return r;
}

std::string RoundCell(const season::RoundResult& r) {
  if (!r.entered) return "-";
  std::string cell =
      r.disqualified ? "DSQ" : std::to_string(r.place) + ":" + std::to_string(r.points);
  if (r.dropped) cell += "d";
  if (!r.penalties.empty()) cell += "*";
  return cell;
}

// Every class row, team, proof and warning as one line.
std::vector<std::string> Lines(const season::Standings& s, const std::vector<ProofReport>& proofs) {
  std::vector<std::string> lines;
  for (const season::ClassTable& table : s.classes) {
    for (const season::StandingRow& row : table.rows) {
      std::string line = (table.className.empty() ? "-" : table.className) + " " +
                         (row.place > 0 ? std::to_string(row.place) : "-") + " " +
                         s.drivers[row.driver].name + " " + std::to_string(row.points) + " |";
      for (const season::RoundResult& r : row.rounds) line.append(" ").append(RoundCell(r));
      if (!row.tieBreak.empty()) line.append(" / ").append(row.tieBreak);
      lines.push_back(line);
    }
  }
  for (const season::TeamRow& t : s.teams) {
    lines.push_back("team " + std::to_string(t.place) + " " + t.team + " " +
                    std::to_string(t.points) + (t.tieBreak.empty() ? "" : " / " + t.tieBreak));
  }
  for (std::size_t i = 0; i < proofs.size(); ++i) {
    std::string line = proofs[i].file + ":";
    if (s.proofs[i].counted) line += " counted " + std::to_string(s.proofs[i].place);
    if (s.proofs[i].accepted) line += " accepted: " + s.proofs[i].acceptReason;
    for (const std::string& p : proofs[i].problems) line += " [" + p + "]";
    for (const std::string& n : proofs[i].notes) line += " (" + n + ")";
    lines.push_back(line);
  }
  for (std::size_t n = 0; n < s.rounds.size(); ++n) {
    const season::RoundSummary& r = s.rounds[n];
    lines.push_back("round " + std::to_string(n) + ": " + std::to_string(r.lengthValue) +
                    " laps, " + std::to_string(r.ok) + " ok, " + std::to_string(r.withProblems) +
                    " with problems, " + std::to_string(r.accepted) + " accepted");
  }
  for (const std::string& w : s.warnings) lines.push_back("warning " + w);
  return lines;
}

struct Row {
  const char* rule;
  std::function<void(season::Season*)> setup;
  std::vector<Proof> proofs;
  std::vector<std::string> expected;  // each must be a line of the result
  // Links between proofs: {proof, other} for a problem of `proof` naming `other`.
  std::vector<std::pair<std::size_t, std::size_t>> links = {};
};

void Roster(season::Season* s, std::vector<season::Driver> drivers) { s->drivers = drivers; }
void Penalise(season::Season* s, const char* round, const char* driver, season::PenaltyKind kind,
              std::int64_t value, const char* reason) {
  season::Penalty p;
  p.round = round;
  p.driver = driver;
  p.kind = kind;
  (kind == season::PenaltyKind::kTime ? p.timeMs : p.points) = value;
  p.reason = reason;
  s->penalties.push_back(p);
}
const auto kTime = season::PenaltyKind::kTime;
const auto kPoints = season::PenaltyKind::kPoints;
const auto kDsq = season::PenaltyKind::kDisqualified;

const Row kRows[] = {
    {"a copy across rounds is the later proof's problem, within one round both proofs'",
     nullptr,
     {{"a.zip", 0, "Ann", 60000},
      {"b.zip", 1, "Bo", 60000},
      {"c.zip", 1, "Cy", 61000},
      {"d.zip", 1, "Di", 62000}},
     {"a.zip: counted 1 (copied in round R2 by b.zip)", "b.zip: [same race as a.zip]",
      "c.zip: [same race as d.zip]", "d.zip: [same race as c.zip]", "- 1 Ann 25 | 1:25 - -"},
     {{0, 1}, {1, 0}, {2, 3}, {3, 2}}},
    {"a saved game without a driver's name has no driver",
     nullptr,
     {{"a.zip", 0, "", 60000}},
     {"a.zip: [the saved game names no driver]",
      "round 0: 5 laps, 0 ok, 1 with problems, 0 accepted"}},
    {"names compare trimmed and case-folded; shown as first met; unplaced in name order",
     nullptr,
     {{"a.zip", 0, "\xC4nn Lee", 61000},
      {"b.zip", 1, " \xE4NN LEE ", 60000},
      {"c.zip", 0, "Zed", 0},
      {"d.zip", 0, "Al", 0}},
     {"- 1 \xC4nn Lee 50 | 1:25 1:25 -", "- - Al 0 | 0:0 - -", "- - Zed 0 | 0:0 - -"}},
    {"a roster matches names and aliases; another name is not on it; roster order unplaced",
     [](season::Season* s) {
       Roster(s, {{"Ann Lee", "", "", {"A. Lee"}}, {"Zoe", "", "", {}}, {"Bo Kim", "", "", {}}});
     },
     {{"a.zip", 0, "a. lee", 60000}, {"b.zip", 0, "Cy Orr", 59000}},
     {"- 1 Ann Lee 25 | 1:25 - -", "- - Zoe 0 | - - -", "- - Bo Kim 0 | - - -",
      "b.zip: [driver Cy Orr is not on the roster]"}},
    {"another track or length than the round's; the length most drove, first at equal counts",
     nullptr,
     {{"a.zip", 0, "Ann", 60000, 0, "", "\\hills\\.\\OAKFIELD", 5},
      {"b.zip", 0, "Bo", 61000, 0, "", "\\Hills\\Oakfield", 3},
      {"c.zip", 0, "Cy", 62000, 0, "", "\\Hills\\Elm", 5},
      {"d.zip", 1, "Di", 62000, 0, "", "\\Hills\\Oakfield", 7},
      {"e.zip", 1, "Ed", 62000, 0, "", "\\Hills\\Oakfield", 8}},
     {"a.zip: counted 1", "b.zip: [not this round's race (\\Hills\\Oakfield, 3 laps)]",
      "c.zip: [not this round's race (\\Hills\\Elm, 5 laps)]",
      "round 0: 5 laps, 1 ok, 2 with problems, 0 accepted", "d.zip: counted 1",
      "e.zip: [not this round's race (\\Hills\\Oakfield, 8 laps)]",
      "round 1: 7 laps, 1 ok, 1 with problems, 0 accepted"}},
    {"a given length rules",
     [](season::Season* s) {
       s->rounds[0].lengthGiven = true;
       s->rounds[0].lengthValue = 3;
     },
     {{"a.zip", 0, "Ann", 60000},
      {"b.zip", 0, "Bo", 61000},
      {"c.zip", 0, "Cy", 62000, 0, "", "\\Hills\\Oakfield", 3}},
     {"a.zip: [not this round's race (\\Hills\\Oakfield, 5 laps)]", "c.zip: counted 1"}},
    {"an accepted proof scores with its problems; an accept of a sound proof is a note; time 0 "
     "does not score; an acceptance of no proof is a warning",
     [](season::Season* s) {
       s->accepts = {{"R1", "sub\\A.ZIP", "clock wrong"},
                     {"R1", "b.zip", "fine"},
                     {"R2", "a.zip", "nothing"}};
     },
     {{"sub\\a.zip", 0, "Ann", 61000, 0, "saved game saved after the round"},
      {"b.zip", 0, "Bo", 60000},
      {"c.zip", 0, "Cy", 0}},
     {"sub\\a.zip: counted 2 accepted: clock wrong [saved game saved after the round] (accepted: clock wrong)",
      "b.zip: counted 1 (accepted, though it has no problem: fine)",
      "c.zip:", "round 0: 5 laps, 2 ok, 0 with problems, 1 accepted", "- - Cy 0 | 0:0 - -",
      "warning round R2 has no proof a.zip to accept"}},
    {"best attempt: the lowest time, at equal times the older saved game",
     nullptr,
     {{"a.zip", 0, "Ann", 61000, 1},
      {"b.zip", 0, "Ann", 60000, 5},
      {"c.zip", 0, "Ann", 60000, 2},
      {"d.zip", 0, "Ann", 59000, 0, "unexpected entry"}},
     {"a.zip: (not counted: c.zip is the better attempt)",
      "b.zip: (not counted: c.zip is the better attempt)", "c.zip: counted 1",
      "d.zip: [unexpected entry]"}},
    {"last attempt: the newest saved game, at equal times the later in report order",
     [](season::Season* s) { s->lastAttempt = true; },
     {{"a.zip", 0, "Ann", 50000, 1}, {"b.zip", 0, "Ann", 70000, 3}, {"c.zip", 0, "Ann", 90000, 3}},
     {"a.zip: (not counted: c.zip is the later attempt)",
      "b.zip: (not counted: c.zip is the later attempt)", "c.zip: counted 1"}},
    {"round places: time penalties add up, a disqualified driver is out, equal times share "
     "(1, 2, 2, 4), places per class; penalties for non-entrants warn",
     [](season::Season* s) {
       Roster(s, {{"Ann", "Pro", "", {}},
                  {"Bo", "Pro", "", {}},
                  {"Cy", "Pro", "", {}},
                  {"Di", "Pro", "", {}},
                  {"Ed", "Pro", "", {}},
                  {"Fay", "Am", "", {}}});
       Penalise(s, "R1", "Ann", kTime, 1500, "cut");
       Penalise(s, "R1", "ann ", kTime, 500, "cut again");
       Penalise(s, "R1", "Bo", kDsq, 0, "pushed");
       Penalise(s, "R2", "Cy", kTime, 1000, "late");
       Penalise(s, "R3", "Cy", kDsq, 0, "absent");
     },
     {{"a.zip", 0, "Ann", 60000},
      {"b.zip", 0, "Bo", 50000},
      {"c.zip", 0, "Cy", 62000},
      {"d.zip", 0, "Di", 61000},
      {"e.zip", 0, "Ed", 63000},
      {"f.zip", 0, "Fay", 70000}},
     {"Pro 1 Di 25 | 1:25 - -", "Pro 2 Ann 18 | 2:18* - - / shared with Cy",
      "Pro 2 Cy 18 | 2:18 - - / shared with Ann", "Pro 4 Ed 12 | 4:12 - -", "Pro - Bo 0 | DSQ* - -",
      "Am 1 Fay 25 | 1:25 - -",
      "warning penalty for Cy in round R2 has no effect: Cy did not enter it",
      "warning penalty for Cy in round R3 has no effect: Cy did not enter it"}},
    {"count_best: disqualifications first, then the highest scores, the later round at equal "
     "scores; a round not entered scores 0",
     [](season::Season* s) {
       s->countBest = 2;
       s->rounds.push_back(MakeRound("R4"));
       Penalise(s, "R3", "Ann", kDsq, 0, "pushed");
     },
     {{"a1.zip", 0, "Ann", 60000},
      {"a2.zip", 1, "Ann", 60000},
      {"a3.zip", 2, "Ann", 60000},
      {"a4.zip", 3, "Ann", 60000},
      {"b1.zip", 0, "Bo", 61000},
      {"b4.zip", 3, "Bo", 59000}},
     {"- 1 Bo 43 | 2:18 - - 1:25", "- 2 Ann 25 | 1:25d 1:25 DSQ* 2:18d"}},
    {"countback counts the counted rounds only",
     [](season::Season* s) { s->countBest = 1; },
     {{"a1.zip", 0, "Ann", 60000},
      {"b1.zip", 0, "Bo", 61000},
      {"b2.zip", 1, "Bo", 60000},
      {"c2.zip", 1, "Cy", 61000},
      {"a2.zip", 1, "Ann", 62000}},
     {"- 1 Bo 25 | 2:18d 1:25 - / ahead of Ann in the latest round both have a place in, R2: "
      "1st to 3rd",
      "- 2 Ann 25 | 1:25 3:15d - / behind Bo in the latest round both have a place in, R2: 3rd "
      "to 1st"}},
    {"totals: counted points less every points penalty, whichever round; may be negative",
     [](season::Season* s) {
       Penalise(s, "R3", "Ann", kPoints, 30, "abuse");
       Penalise(s, "R1", "Bo", kPoints, 5, "late");
     },
     {{"a.zip", 0, "Ann", 61000}, {"b.zip", 0, "Bo", 60000}},
     {"- 1 Bo 20 | 1:25* - -", "- 2 Ann -12 | 2:18 - -"}},
    {"season places: countback over counted rounds, then the latest round both have a place "
     "in, else shared (and the next place skipped)",
     [](season::Season* s) {
       s->points = {10, 6, 6};
       s->rounds.push_back(MakeRound("R4"));
     },
     {{"a1.zip", 0, "Ann", 60000},
      {"b1.zip", 0, "Bo", 61000},
      {"b2.zip", 1, "Bo", 60000},
      {"a2.zip", 1, "Ann", 61000},
      {"g3.zip", 2, "Gus", 60000},
      {"c3.zip", 2, "Cy", 61000},
      {"d3.zip", 2, "Di", 62000},
      {"e4.zip", 3, "Ed", 60000},
      {"f4.zip", 3, "Fay", 60000}},
     {"- 1 Bo 16 | 2:6 1:10 - - / ahead of Ann in the latest round both have a place in, R2: "
      "1st to 2nd",
      "- 2 Ann 16 | 1:10 2:6 - - / behind Bo in the latest round both have a place in, R2: 2nd "
      "to 1st",
      "- 3 Gus 10 | - - 1:10 - / shared with Ed",
      "- 3 Ed 10 | - - - 1:10 / shared with Gus; "
      "shared with Fay",
      "- 3 Fay 10 | - - - 1:10 / shared with Ed",
      "- 6 Cy 6 | - - 2:6 - / ahead of Di on countback: 1 second place to 0",
      "- 7 Di 6 | - - 3:6 - / behind Cy on countback: 0 second places to 1"}},
    {"teams: the sum of their drivers' totals over classes, then countback over all places",
     [](season::Season* s) {
       s->points = {25, 18};
       Roster(s, {{"Ann", "Pro", "Red", {}},
                  {"Bo", "Am", "Red", {}},
                  {"Cy", "Pro", "Blue", {}},
                  {"Di", "Am", "Blue", {}},
                  {"Ed", "Pro", "", {}}});
       Penalise(s, "R2", "Ann", kPoints, 18, "abuse");
     },
     {{"a1.zip", 0, "Ann", 60000},
      {"c1.zip", 0, "Cy", 61000},
      {"d1.zip", 0, "Di", 60000},
      {"b1.zip", 0, "Bo", 61000},
      {"e2.zip", 1, "Ed", 60000},
      {"a2.zip", 1, "Ann", 61000}},
     {"team 1 Red 43 / ahead of Blue on countback: 2 second places to 1",
      "team 2 Blue 43 / behind Red on countback: 1 second place to 2", "Am 1 Di 25 | 1:25 - -",
      "Pro 1 Ann 25 | 1:25 2:18* - / ahead of Ed on countback: 1 second place to 0"}},
};

TEST(SeasonScoring, EachRule) {
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.rule);
    season::Season s;
    s.points = {25, 18, 15, 12, 10};
    s.rounds = {MakeRound("R1"), MakeRound("R2"), MakeRound("R3")};
    if (row.setup) row.setup(&s);
    std::vector<ProofReport> proofs;
    std::vector<season::ProofPlace> places;
    for (const Proof& p : row.proofs) {
      proofs.push_back(Report(p));
      places.push_back({p.round, p.file});
    }
    for (const auto& [proof, other] : row.links) {
      proofs[proof].links.push_back({proofs[proof].problems.size(), other});
      proofs[proof].problems.push_back("same race as " + row.proofs[other].file);
    }
    const std::vector<std::string> lines = Lines(season::Score(s, &proofs, places), proofs);
    std::string all;
    for (const std::string& line : lines) all += line + "\n";
    for (const std::string& want : row.expected) {
      EXPECT_NE(std::find(lines.begin(), lines.end(), want), lines.end())
          << "no line: " << want << "\nin:\n"
          << all;
    }
  }
}

}  // namespace
