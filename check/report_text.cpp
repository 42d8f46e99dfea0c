// The plain-text forms of a report: the terminal table and the CSV file,
// and the field formats the HTML page shares.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "check/check.h"
#include "check/check_internal.h"
#include "platform/console.h"
#include "platform/platform.h"

namespace {

std::string Utf8(const std::string& text) { return platform::Cp1252ToUtf8(text); }

// Characters, not bytes, so that columns line up on a UTF-8 terminal.
std::size_t Width(const std::string& utf8) {
  return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
}

bool PlainNumber(const std::string& text) {
  const std::size_t digits = !text.empty() && text[0] == '-' ? 1 : 0;
  return text.size() > digits && text.find_first_not_of("0123456789", digits) == std::string::npos;
}

// RFC 4180 quoting; a text a spreadsheet would take for a formula gets a
// leading "'" (plain numbers stay numbers).
std::string CsvField(const std::string& utf8) {
  std::string cell = utf8;
  if (!cell.empty() && std::string("=+-@\t\r").find(cell[0]) != std::string::npos &&
      !PlainNumber(cell)) {
    cell.insert(cell.begin(), '\'');
  }
  if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
  std::string quoted = "\"";
  for (char c : cell) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

std::string Joined(const std::vector<std::string>& texts) {
  std::string out;
  for (const std::string& t : texts) {
    if (!out.empty()) out += "; ";
    out += t;
  }
  return out;
}

// Absent parts of the name, after the verdict: " (number absent from the name)".
std::string Notes(const ProofReport& r) {
  return r.notes.empty() ? std::string() : " (" + Joined(r.notes) + ")";
}

}  // namespace

std::string TerminalText(const std::string& utf8) {
  std::string out;
  char escape[8];
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const auto next = i + 1 < utf8.size() ? static_cast<unsigned char>(utf8[i + 1]) : 0;
    if (c < 0x20 || c == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      out += escape;
    } else if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {  // C1, U+0080 to U+009F
      std::snprintf(escape, sizeof escape, "\\u%04X", next);
      out += escape;
      ++i;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string FormatRaceTime(std::int64_t ms) {
  const bool negative = ms < 0;
  // The magnitude as unsigned, so that the smallest value has one too.
  const std::uint64_t m =
      negative ? 0 - static_cast<std::uint64_t>(ms) : static_cast<std::uint64_t>(ms);
  char text[48];
  std::snprintf(text, sizeof text, "%s%llu:%02llu.%03llu", negative ? "-" : "",
                static_cast<unsigned long long>(m / 60000),
                static_cast<unsigned long long>(m / 1000 % 60),
                static_cast<unsigned long long>(m % 1000));
  return text;
}

std::string FormatNumber(const ProofReport& report) {
  if (!report.numberKnown) return std::string();
  if (report.blockIndex <= 1) return std::to_string(report.number) + " (record)";
  const std::int64_t n = report.number;
  const std::uint64_t m = n < 0 ? 0 - static_cast<std::uint64_t>(n) : static_cast<std::uint64_t>(n);
  std::string text = n < 0 ? "-" : "";
  text += std::to_string(m / 10);
  text += '.';
  text += std::to_string(m % 10);
  return text + " km/h";
}

std::string FormatRaceLength(const ProofReport& report) {
  if (!report.hasRace) return std::string();
  const std::string value = std::to_string(report.lengthValue);
  if (report.lengthMode == 0) return value + (report.lengthValue == 1 ? " lap" : " laps");
  if (report.lengthMode == 1) return value + " km";
  return "length " + value + ", mode " + std::to_string(report.lengthMode);
}

std::string ShownFile(const ProofReport& report) {
  return report.shownFile.empty() ? platform::DisplayPath(report.file) : report.shownFile;
}

std::string Verdict(const ProofReport& report) {
  return report.ok() ? "ok" : Joined(report.problems);
}

std::string SummaryLine(const std::vector<ProofReport>& reports) {
  const auto ok =
      std::count_if(reports.begin(), reports.end(), [](const ProofReport& r) { return r.ok(); });
  const auto n = static_cast<std::ptrdiff_t>(reports.size());
  return std::to_string(n) + " proofs: " + std::to_string(ok) + " ok, " + std::to_string(n - ok) +
         " with problems";
}

std::string TerminalTable(const std::vector<ProofReport>& reports) {
  std::vector<std::vector<std::string>> rows;
  rows.push_back({"file", "driver", "track", "race time", "number", "verdict"});
  for (const ProofReport& r : reports) {
    rows.push_back({TerminalText(ShownFile(r)), TerminalText(Utf8(r.driver)),
                    TerminalText(Utf8(r.trackName)), r.hasRace ? FormatRaceTime(r.raceTimeMs) : "",
                    FormatNumber(r), TerminalText(Utf8(Verdict(r) + Notes(r)))});
  }
  return check::AlignedRows(rows) + SummaryLine(reports) + "\n";
}

std::string check::AlignedRows(const std::vector<std::vector<std::string>>& rows) {
  std::vector<std::size_t> widths;
  for (const auto& row : rows) {
    widths.resize(std::max(widths.size(), row.size()), 0);
    for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Width(row[i]));
  }
  std::string out;
  for (const auto& row : rows) {
    std::string line;
    for (std::size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(widths[i] - Width(row[i]) + 2, ' ');
    }
    out += line + "\n";
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> check::ReportColumns(const ProofReport& r) {
  return {{"file", ShownFile(r)},
          {"verdict", r.ok() ? "ok" : "problem"},
          {"problems", Utf8(Joined(r.problems))},
          {"driver", Utf8(r.driver)},
          {"track", Utf8(r.trackPath)},
          {"race_time_ms", r.hasRace ? std::to_string(r.raceTimeMs) : ""},
          {"number", r.numberKnown ? std::to_string(r.number) : ""},
          {"track_name", Utf8(r.trackName)},
          {"race_length", FormatRaceLength(r)},
          {"screenshot_width", r.screenWidth > 0 ? std::to_string(r.screenWidth) : ""},
          {"screenshot_height", r.screenHeight > 0 ? std::to_string(r.screenHeight) : ""},
          {"notes", Utf8(Joined(r.notes))}};
}

std::string CsvReport(const std::vector<ProofReport>& reports) {
  std::string out;
  const auto line = [&out](const ProofReport& r, bool names) {
    const char* separator = "";
    for (const auto& [name, value] : check::ReportColumns(r)) {
      out += separator;
      out += names ? name : CsvField(value);
      separator = ",";
    }
    out += "\r\n";
  };
  line(ProofReport(), true);
  for (const ProofReport& r : reports) line(r, false);
  return out;
}

std::string check::CsvCell(const std::string& utf8) { return CsvField(utf8); }
