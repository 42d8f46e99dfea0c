// The JSON report, for publishing results: the run's options, a summary,
// and every proof with the CSV's columns under the same names (numbers as
// numbers, unknown values as null), its place, and its problems and notes
// as arrays.
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "check/check.h"
#include "check/check_internal.h"
#include "platform/console.h"
#include "platform/platform.h"

namespace {

// A JSON string: quotes, backslashes and control characters escaped.
std::string Quoted(const std::string& utf8) {
  std::string out = "\"";
  for (char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20 || u == 0x7F) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", u);
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string List(const std::vector<std::string>& cp1252) {
  std::string out = "[";
  for (const std::string& text : cp1252) {
    if (out.size() > 1) out += ", ";
    out += Quoted(platform::Cp1252ToUtf8(text));
  }
  return out + "]";
}

bool NumberColumn(const std::string& name) {
  return name == "race_time_ms" || name == "number" || name == "screenshot_width" ||
         name == "screenshot_height";
}

std::string ProofKeys(const ProofReport& r) {
  std::string out;
  for (const auto& [name, value] : check::ReportColumns(r)) {
    out += Quoted(name) + ": ";
    if (name == "problems") {
      out += List(r.problems);
    } else if (name == "notes") {
      out += List(r.notes);
    } else if (NumberColumn(name)) {
      out += value.empty() ? "null" : value;
    } else {
      out += Quoted(value);
    }
    out += ", ";
  }
  return out;
}

std::string Proof(const ProofReport& r, int rank) {
  return "    {" + ProofKeys(r) + "\"rank\": " + (rank > 0 ? std::to_string(rank) : "null") + "}";
}

// A window end as "2026-11-01T18:00:00" (the entrants' wall-clock time),
// or null when not given.
std::string WindowEnd(const WallTime& t) {
  if (!t.valid) return "null";
  char text[40];
  std::snprintf(text, sizeof text, "\"%04d-%02d-%02dT%02d:%02d:%02d\"", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return text;
}

std::string Options(const CheckOptions& o) {
  std::vector<std::string> require;
  if (o.requireTrack) require.push_back("track");
  if (o.requireDriver) require.push_back("driver");
  if (o.requireNumber) require.push_back("number");
  return "{\"tracks\": " +
         (o.tracksDir.empty() ? "null" : Quoted(platform::DisplayPath(o.tracksDir))) +
         ", \"require\": " + List(require) +
         ", \"max_gap_seconds\": " + std::to_string(o.maxGapSeconds) +
         ", \"from\": " + WindowEnd(o.from) + ", \"to\": " + WindowEnd(o.to) + "}";
}

}  // namespace

std::string JsonReport(const std::vector<ProofReport>& reports, const CheckOptions& options) {
  const auto ok =
      std::count_if(reports.begin(), reports.end(), [](const ProofReport& r) { return r.ok(); });
  std::string out = "{\n  \"options\": " + Options(options) + ",\n  \"summary\": {\"proofs\": " +
                    std::to_string(reports.size()) + ", \"ok\": " + std::to_string(ok) +
                    ", \"with_problems\": " +
                    std::to_string(static_cast<std::ptrdiff_t>(reports.size()) - ok) +
                    "},\n  \"proofs\": [";
  const std::vector<int> ranks = Ranks(reports);
  for (std::size_t i = 0; i < reports.size(); ++i) {
    out += (i == 0 ? "\n" : ",\n") + Proof(reports[i], ranks[i]);
  }
  return out + (reports.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

std::string check::JsonString(const std::string& utf8) { return Quoted(utf8); }
std::string check::JsonWindowEnd(const WallTime& time) { return WindowEnd(time); }
std::string check::JsonProofKeys(const ProofReport& report) { return ProofKeys(report); }
