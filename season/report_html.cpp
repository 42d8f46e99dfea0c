// The season's HTML page, for publishing: the standings per class (each
// round cell links to the proof that earned it), the teams, the penalties,
// each round's proofs as the round page shows them, and the rules in words.
// One self-contained page: styles inline, thumbnails as data URLs, no script.
#include <string>
#include <vector>

#include "platform/console.h"
#include "platform/platform.h"
#include "season/season.h"
#include "season/season_internal.h"

namespace season {
namespace {

const char kSeasonStyle[] =
    "td.dropped{text-decoration:line-through;color:#777}.provisional{color:#a05a00}"
    "td.dsq{color:#a01010}sup{font-size:75%}";

std::string Text(const std::string& cp1252) {
  return check::HtmlText(platform::Cp1252ToUtf8(cp1252));
}

std::string PenaltyText(const Penalty& p) {
  std::string what;
  if (p.kind == PenaltyKind::kTime) what = FormatRaceTime(p.timeMs) + " added";
  if (p.kind == PenaltyKind::kPoints) what = std::to_string(p.points) + " points off the total";
  if (p.kind == PenaltyKind::kDisqualified) what = "disqualified";
  return Text(p.round) + ", " + Text(p.driver) + ": " + what +
         (p.reason.empty() ? "" : " (" + Text(p.reason) + ")");
}

std::string Cell(const Season& s, const RoundResult& r) {
  // A round not entered shows only a points penalty that names it.
  if (!r.entered && r.penalties.empty()) return "<td></td>";
  std::string text = !r.entered       ? ""
                     : r.disqualified ? "DSQ"
                     : r.place > 0    ? PlaceText(r.place) + ", " + std::to_string(r.points)
                                      : "0";
  if (r.proof != kNone)
    text = "<a href=\"#proof-" + std::to_string(r.proof) + "\">" + text + "</a>";
  for (std::size_t p : r.penalties) {
    text += "<sup><a href=\"#penalty-" + std::to_string(p) + "\">" + std::to_string(p + 1) +
            "</a></sup>";
    if (s.penalties[p].kind == PenaltyKind::kDisqualified) {
      text += ' ';
      text += Text(s.penalties[p].reason);
    }
  }
  const std::string css = r.dropped ? " class=\"dropped\"" : r.disqualified ? " class=\"dsq\"" : "";
  return "<td" + css + ">" + text + "</td>";
}

std::string RoundHead(const Round& r) {
  return "<th>" + Text(r.name) +
         (r.final ? "" : " <span class=\"provisional\">(provisional)</span>") + "</th>";
}

std::string Tables(const Season& s, const season::Standings& st) {
  std::string page;
  for (const ClassTable& table : st.classes) {
    page += "<h2>" + check::HtmlText(ClassTitle(st, table)) +
            "</h2>\n<table>\n<thead><tr><th>place</th><th>driver</th><th>team</th>";
    for (const Round& r : s.rounds) page += RoundHead(r);
    page += "<th>total</th><th>tie-break</th></tr></thead>\n<tbody>\n";
    for (const StandingRow& row : table.rows) {
      const SeasonDriver& d = st.drivers[row.driver];
      page += "<tr><td class=\"num\">" + (row.place > 0 ? std::to_string(row.place) : "") +
              "</td><td>" + Text(d.name) + "</td><td>" + Text(d.team) + "</td>";
      for (const RoundResult& r : row.rounds) page += Cell(s, r);
      page += "<td class=\"num\">" + std::to_string(row.points) + "</td><td>" + Text(row.tieBreak) +
              "</td></tr>\n";
    }
    page += "</tbody>\n</table>\n";
  }
  if (!st.teams.empty()) {
    page +=
        "<h2>Teams</h2>\n<table>\n<thead><tr><th>place</th><th>team</th><th>total</th>"
        "<th>tie-break</th></tr></thead>\n<tbody>\n";
    for (const TeamRow& t : st.teams) {
      page += "<tr><td class=\"num\">" + std::to_string(t.place) + "</td><td>" + Text(t.team) +
              "</td><td class=\"num\">" + std::to_string(t.points) + "</td><td>" +
              Text(t.tieBreak) + "</td></tr>\n";
    }
    page += "</tbody>\n</table>\n";
  }
  return page;
}

std::string Rounds(const Season& s, const season::Standings& st,
                   const std::vector<ProofReport>& proofs) {
  std::string page;
  for (std::size_t n = 0; n < s.rounds.size(); ++n) {
    const Round& round = s.rounds[n];
    page += "<h2>" + Text(round.name) + ": " + Text(round.track) +
            (round.final ? "" : " <span class=\"provisional\">(provisional)</span>") +
            "</h2>\n<p>" + check::HtmlText(RoundLine(round, st.rounds[n])) + "</p>\n";
    std::string rows;
    for (std::size_t i = 0; i < proofs.size(); ++i) {
      if (st.proofs[i].round == n) rows += check::HtmlProofRow(proofs, i, st.proofs[i].place);
    }
    if (rows.empty()) continue;
    page +=
        "<table>\n<thead><tr><th>place</th><th>screenshot</th><th>driver</th>"
        "<th>race time</th><th>number</th><th>file</th><th>verdict</th></tr></thead>\n"
        "<tbody>\n" +
        rows + "</tbody>\n</table>\n";
  }
  return page;
}

std::string Rules(const Season& s, const season::Standings& st) {
  std::string points;
  for (std::size_t k = 0; k < s.points.size(); ++k) {
    points += (k > 0 ? ", " : "") + PlaceText(static_cast<int>(k) + 1) + " " +
              std::to_string(s.points[k]);
  }
  std::string page =
      "<h2>Rules</h2>\n<ul>\n<li>Points by place in each round and class: " + points +
      "; later places score 0. Equal times share a place and its points; the next place is "
      "skipped.</li>\n<li>" +
      (s.countBest > 0 ? "Only each driver's best " + std::to_string(s.countBest) +
                             " round scores count; disqualifications always count, a round not "
                             "entered scores 0, and at equal scores the later round counts."
                       : std::string("Every round counts.")) +
      "</li>\n<li>" +
      (s.lastAttempt
           ? "Of several sound proofs of one driver in a round, the one saved last counts."
           : "Of several sound proofs of one driver in a round, the fastest counts "
             "(at equal times the one saved first).") +
      "</li>\n<li>Time penalties are added to the race time; a disqualified driver has no place "
      "and "
      "0 points in that round; points penalties are taken off the season total.</li>\n"
      "<li>Equal totals are decided by countback over the counted rounds (more first places, "
      "then more second places, and so on), then by the better place in the latest round in "
      "which both have a place; drivers still equal share the place. Teams: the sum of their "
      "drivers' totals, then countback over all their drivers' places.</li>\n";
  for (std::size_t n = 0; n < s.rounds.size(); ++n) {
    const RoundSummary& r = st.rounds[n];
    page += "<li>" + Text(s.rounds[n].name) + ": " + Text(s.rounds[n].track) + ", " +
            (r.lengthKnown ? check::HtmlText(RaceLengthText(r.lengthMode, r.lengthValue)) +
                                 (s.rounds[n].lengthGiven ? "" : " (the length most proofs drove)")
                           : std::string("no length yet")) +
            "</li>\n";
  }
  return page + "</ul>\n";
}

}  // namespace

std::string SeasonHtml(const Season& s, const season::Standings& st,
                       const std::vector<ProofReport>& proofs) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
      Text(s.name) + "</title>\n<style>" + check::HtmlStyle() + kSeasonStyle +
      "</style>\n</head>\n<body>\n<h1>" + Text(s.name) + "</h1>\n" + Tables(s, st);
  if (!s.penalties.empty()) {
    page += "<h2>Penalties</h2>\n<ol>\n";
    for (std::size_t p = 0; p < s.penalties.size(); ++p) {
      page +=
          "<li id=\"penalty-" + std::to_string(p) + "\">" + PenaltyText(s.penalties[p]) + "</li>\n";
    }
    page += "</ol>\n";
  }
  if (!st.warnings.empty()) {
    page += "<h2>Warnings</h2>\n<ul>\n";
    for (const std::string& w : st.warnings) page += "<li>" + Text(w) + "</li>\n";
    page += "</ul>\n";
  }
  return page + Rounds(s, st, proofs) + Rules(s, st) + "</body>\n</html>\n";
}

}  // namespace season
