// The season in the terminal and in the CSV file.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "season/season.h"
#include "season/season_internal.h"

namespace season {
namespace {

std::string Utf8(const std::string& cp1252) { return platform::Cp1252ToUtf8(cp1252); }

// A round's cell: its points, in brackets when dropped, "*" with a
// penalty, "DSQ" when disqualified, "-" when not entered.
std::string Cell(const RoundResult& r) {
  if (!r.entered) return r.penalties.empty() ? "-" : "-*";  // a points penalty
  std::string cell = r.disqualified ? "DSQ" : std::to_string(r.points);
  if (r.dropped) cell = "(" + cell + ")";
  return r.penalties.empty() ? cell : cell + "*";
}

std::string Place(int place) { return place > 0 ? std::to_string(place) : std::string(); }

}  // namespace

std::string RaceLengthText(std::int8_t mode, std::int16_t value) {
  ProofReport race;
  race.hasRace = true;
  race.lengthMode = mode;
  race.lengthValue = value;
  return FormatRaceLength(race);
}

std::string ClassTitle(const Standings& standings, const ClassTable& table) {
  if (!table.className.empty()) return Utf8(table.className);
  return standings.classes.size() > 1 ? "No class" : "Standings";
}

std::string RoundLine(const Round& round, const RoundSummary& summary) {
  std::string line = Utf8(round.name) + ": " + (round.final ? "final" : "provisional") + ", ";
  const int proofs = summary.ok + summary.withProblems + summary.accepted;
  if (proofs == 0) return line + "no proofs yet";
  return line + std::to_string(proofs) + (proofs == 1 ? " proof: " : " proofs: ") +
         std::to_string(summary.ok) + " ok, " + std::to_string(summary.withProblems) +
         " with problems, " + std::to_string(summary.accepted) + " accepted";
}

std::string SeasonTerminal(const Season& season, const Standings& standings) {
  std::string out = TerminalText(Utf8(season.name)) + "\n";
  for (const ClassTable& table : standings.classes) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> head = {"place", "driver", "team"};
    for (const Round& r : season.rounds) head.push_back(TerminalText(Utf8(r.name)));
    head.push_back("total");
    rows.push_back(head);
    for (const StandingRow& row : table.rows) {
      const SeasonDriver& d = standings.drivers[row.driver];
      std::vector<std::string> cells = {Place(row.place), TerminalText(Utf8(d.name)),
                                        TerminalText(Utf8(d.team))};
      for (const RoundResult& r : row.rounds) cells.push_back(Cell(r));
      cells.push_back(std::to_string(row.points));
      rows.push_back(cells);
    }
    out += '\n';
    out += TerminalText(ClassTitle(standings, table)) + "\n" + check::AlignedRows(rows);
  }
  out += "\n";
  for (std::size_t n = 0; n < season.rounds.size(); ++n) {
    out += TerminalText(RoundLine(season.rounds[n], standings.rounds[n])) + "\n";
  }
  for (const std::string& w : standings.warnings) out += "warning: " + TerminalText(Utf8(w)) + "\n";
  return out;
}

std::string SeasonCsv(const Season& season, const Standings& standings) {
  std::string out = "place,driver,class,team,points";
  for (const Round& r : season.rounds) {
    out += ',';
    out += check::CsvCell(Utf8(r.name));
  }
  out += "\r\n";
  for (const ClassTable& table : standings.classes) {
    for (const StandingRow& row : table.rows) {
      const SeasonDriver& d = standings.drivers[row.driver];
      out += Place(row.place) + "," + check::CsvCell(Utf8(d.name)) + "," +
             check::CsvCell(Utf8(d.className)) + "," + check::CsvCell(Utf8(d.team)) + "," +
             std::to_string(row.points);
      for (const RoundResult& r : row.rounds) {
        out += ',';
        if (r.entered) out += std::to_string(r.points);
      }
      out += "\r\n";
    }
  }
  return out;
}

}  // namespace season
