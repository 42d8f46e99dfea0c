// The HTML report: one self-contained page (styles inline, thumbnails as
// data URLs, no script) with a standings table per race, in the order and
// with the places of RaceTables and Ranks. Proofs with problems stay in
// their race, marked, with their problems and without a rank; a problem
// that names another proof links to that proof's row.
#include <algorithm>
#include <string>
#include <vector>

#include "check/check.h"
#include "platform/console.h"
#include "platform/platform.h"

namespace {

// Every text goes through here: the five characters HTML gives a meaning.
std::string Escaped(const std::string& utf8) {
  std::string out;
  for (char c : utf8) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Text(const std::string& cp1252) { return Escaped(platform::Cp1252ToUtf8(cp1252)); }

std::string Base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 2 < bytes.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                       (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += {kDigits[v >> 18], kDigits[(v >> 12) & 63], kDigits[(v >> 6) & 63], kDigits[v & 63]};
  }
  if (i + 1 == bytes.size()) {
    const unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    out += {kDigits[v >> 18], kDigits[(v >> 12) & 63], '=', '='};
  } else if (i + 2 == bytes.size()) {
    const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                       (static_cast<unsigned char>(bytes[i + 1]) << 8);
    out += {kDigits[v >> 18], kDigits[(v >> 12) & 63], kDigits[(v >> 6) & 63], '='};
  }
  return out;
}

const char kStyle[] =
    "body{font-family:sans-serif;margin:1.5em;color:#222}"
    "table{border-collapse:collapse;margin-bottom:2em}"
    "th,td{border:1px solid #bbb;padding:4px 8px;text-align:left;vertical-align:middle}"
    "th{background:#eee}td.num{text-align:right}"
    "tr.problem{background:#fde8e8}td.verdict-ok{color:#176117;font-weight:bold}"
    "td.verdict-problem{color:#a01010}ul{margin:0;padding-left:1.2em}"
    "img{display:block;width:240px;height:auto}.note{color:#666;font-weight:normal;font-size:90%}";

// A problem's text, the file of the proof it names linked to that row.
std::string ProblemItem(const ProofReport& r, std::size_t problem,
                        const std::vector<ProofReport>& reports) {
  const std::string text = platform::Cp1252ToUtf8(r.problems[problem]);
  for (const ProofLink& link : r.links) {
    if (link.problem != problem) continue;
    const std::string file = platform::DisplayPath(reports[link.other].file);
    const std::size_t at = text.rfind(file);
    if (at == std::string::npos) break;
    return Escaped(text.substr(0, at)) + "<a href=\"#proof-" + std::to_string(link.other) +
           "\">" + Escaped(file) + "</a>" + Escaped(text.substr(at + file.size()));
  }
  return Escaped(text);
}

std::string Row(const std::vector<ProofReport>& reports, std::size_t index, int rank) {
  const ProofReport& r = reports[index];
  std::string row = "<tr id=\"proof-" + std::to_string(index) + "\"" +
                    (r.ok() ? ">" : " class=\"problem\">");
  row += "<td class=\"num\">" + (rank > 0 ? std::to_string(rank) : std::string()) + "</td><td>";
  if (!r.thumbnailJpeg.empty()) {
    row += "<img alt=\"screenshot " + std::to_string(r.screenWidth) + " x " +
           std::to_string(r.screenHeight) + "\" src=\"data:image/jpeg;base64," +
           Base64(r.thumbnailJpeg) + "\">";
  }
  row += "</td><td>" + Text(r.driver) + "</td>";
  row +=
      "<td class=\"num\">" + (r.hasRace ? FormatRaceTime(r.raceTimeMs) : std::string()) + "</td>";
  row += "<td class=\"num\">" + Escaped(FormatNumber(r)) + "</td>";
  row += "<td>" + Escaped(ShownFile(r)) + "</td>";
  if (r.ok()) {
    row += "<td class=\"verdict-ok\">ok";
  } else {
    row += "<td class=\"verdict-problem\">problem<ul>";
    for (std::size_t p = 0; p < r.problems.size(); ++p) {
      row += "<li>" + ProblemItem(r, p, reports) + "</li>";
    }
    row += "</ul>";
  }
  for (const std::string& n : r.notes) row += "<div class=\"note\">" + Text(n) + "</div>";
  row += "</td>";
  return row + "</tr>\n";
}

std::string RaceTitle(const ProofReport& r, const std::string& trackPath) {
  if (!r.hasRace) return "Proofs without a race";
  return Text(trackPath.empty() ? "(no track)" : trackPath) + ", " + Escaped(FormatRaceLength(r));
}

}  // namespace

std::string HtmlReport(const std::vector<ProofReport>& reports) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
      "<title>Proof standings</title>\n<style>" +
      std::string(kStyle) + "</style>\n</head>\n<body>\n<h1>Proof standings</h1>\n<p>" +
      Escaped(SummaryLine(reports)) + "</p>\n";
  const std::vector<int> ranks = Ranks(reports);
  for (const std::vector<std::size_t>& table : RaceTables(reports)) {
    page += "<h2>" + RaceTitle(reports[table.front()], TableTrackPath(reports, table)) +
            "</h2>\n<table>\n<thead><tr><th>rank</th>"
            "<th>screenshot</th><th>driver</th><th>race time</th><th>number</th><th>file</th>"
            "<th>verdict</th></tr></thead>\n<tbody>\n";
    for (std::size_t index : table) page += Row(reports, index, ranks[index]);
    page += "</tbody>\n</table>\n";
  }
  return page + "</body>\n</html>\n";
}

std::string check::HtmlText(const std::string& utf8) { return Escaped(utf8); }
std::string check::HtmlStyle() { return kStyle; }
std::string check::HtmlProofRow(const std::vector<ProofReport>& reports, std::size_t index,
                                int place) {
  return Row(reports, index, place);
}
