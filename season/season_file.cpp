// The season file: TOML read with toml++, then every key checked against
// the keys a season knows, with the line and column of what is wrong.
#include <toml++/toml.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/platform.h"
#include "season/season.h"
#include "season/season_internal.h"

namespace season {
namespace {

// The largest points value and time penalty a season file may give, so
// that no sum of them can overflow.
constexpr std::int64_t kMaxPoints = 1000000;
constexpr double kMaxPenaltySeconds = 1000000.0;

std::string Position(const toml::source_region& where) {
  return std::to_string(where.begin.line) + ":" + std::to_string(where.begin.column);
}

// Reads one table's keys, remembering the first thing wrong.
class Reader {
 public:
  Reader(const toml::table& table, std::string* error) : table_(table), error_(error) {}

  // False, and the error set, when the table has a key not in `known`.
  bool OnlyKeys(std::initializer_list<std::string_view> known) {
    for (const auto& [key, node] : table_) {
      bool found = false;
      for (std::string_view k : known) found = found || key.str() == k;
      if (!found) return Fail(key.source(), "unknown key " + std::string(key.str()));
    }
    return true;
  }
  bool Fail(const toml::source_region& where, const std::string& what) {
    if (error_->empty()) *error_ = Position(where) + ": " + what;
    return false;
  }
  bool Missing(const char* key) { return Fail(table_.source(), std::string("missing key ") + key); }
  const toml::node* Node(const char* key) const { return table_.get(key); }

  // A string as program text; `required` makes a missing key an error.
  bool Text(const char* key, bool required, std::string* out) {
    const toml::node* node = Node(key);
    if (node == nullptr) return !required || Missing(key);
    if (!node->is_string()) return Fail(node->source(), std::string(key) + " must be a text");
    *out = platform::Utf8ToCp1252(node->as_string()->get());
    return true;
  }
  bool Integer(const char* key, std::int64_t* out) {
    const toml::node* node = Node(key);
    if (node == nullptr) return true;
    if (!node->is_integer())
      return Fail(node->source(), std::string(key) + " must be a whole number");
    *out = node->as_integer()->get();
    return true;
  }
  bool Boolean(const char* key, bool* out) {
    const toml::node* node = Node(key);
    if (node == nullptr) return true;
    if (!node->is_boolean())
      return Fail(node->source(), std::string(key) + " must be true or false");
    *out = node->as_boolean()->get();
    return true;
  }
  // The tables of an array of tables, each checked by `read`.
  template <typename Read>
  bool Tables(const char* key, bool required, Read read) {
    const toml::node* node = Node(key);
    if (node == nullptr) return !required || Missing(key);
    const toml::array* array = node->as_array();
    if (array == nullptr || !array->is_array_of_tables()) {
      return Fail(node->source(), std::string(key) + " must be a list of [[" + key + "]] tables");
    }
    const std::size_t most = std::string_view(key) == "round" ? kMaxRounds : kMaxListed;
    if (array->size() > most) {
      return Fail(node->source(), "more than " + std::to_string(most) + " [[" + key + "]] tables");
    }
    for (const toml::node& element : *array) {
      Reader reader(*element.as_table(), error_);
      if (!read(reader)) return false;
    }
    return true;
  }
  const toml::table& table() const { return table_; }

 private:
  const toml::table& table_;
  std::string* error_;
};

// A program path relative to the season file's folder unless it is whole.
std::string InFolder(const std::string& folder, std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  const bool whole = (!path.empty() && path[0] == '\\') || (path.size() > 1 && path[1] == ':');
  return whole ? path : folder + path;
}

bool ReadRound(Reader& r, const std::string& folder, Season* s) {
  Round round;
  if (!r.OnlyKeys({"name", "folder", "track", "length", "from", "to", "final"}) ||
      !r.Text("name", true, &round.name) || !r.Text("folder", true, &round.folder) ||
      !r.Text("track", true, &round.track) || !r.Boolean("final", &round.final)) {
    return false;
  }
  round.folder = InFolder(folder, round.folder);
  for (const Round& other : s->rounds) {
    if (other.name == round.name) {
      return r.Fail(r.Node("name")->source(), "round " + round.name + " is named twice");
    }
  }
  std::string length, from, to;
  if (!r.Text("length", false, &length) || !r.Text("from", false, &from) ||
      !r.Text("to", false, &to)) {
    return false;
  }
  round.lengthGiven = r.Node("length") != nullptr;
  if (round.lengthGiven && !ParseRaceLength(length, &round.lengthMode, &round.lengthValue)) {
    return r.Fail(r.Node("length")->source(), "length must be like \"5 laps\" or \"12 km\"");
  }
  for (const auto& [key, text, end] :
       {std::tuple{"from", &from, &round.from}, std::tuple{"to", &to, &round.to}}) {
    if (r.Node(key) != nullptr && !ParseWindowEnd(*text, end == &round.to, end)) {
      return r.Fail(r.Node(key)->source(), std::string(key) +
                                               " must be a date such as 2026-11-01 or "
                                               "2026-11-01T18:00 (years 1980 to 2107)");
    }
  }
  if (round.from.valid && round.to.valid && SecondsOf(round.from) > SecondsOf(round.to)) {
    return r.Fail(r.Node("from")->source(), "from is later than to");
  }
  s->rounds.push_back(round);
  return true;
}

bool ReadDriver(Reader& r, std::set<std::string>* keys, Season* s) {
  Driver driver;
  if (!r.OnlyKeys({"name", "class", "team", "aliases"}) || !r.Text("name", true, &driver.name) ||
      !r.Text("class", false, &driver.className) || !r.Text("team", false, &driver.team)) {
    return false;
  }
  std::vector<std::pair<std::string, const toml::node*>> names = {{driver.name, r.Node("name")}};
  if (const toml::node* aliases = r.Node("aliases")) {
    const toml::array* array = aliases->as_array();
    if (array == nullptr || (!array->empty() && !array->is_homogeneous(toml::node_type::string)) ||
        array->size() > kMaxListed) {
      return r.Fail(aliases->source(), "aliases must be a list of texts");
    }
    for (const toml::node& alias : *array) {
      driver.aliases.push_back(platform::Utf8ToCp1252(alias.as_string()->get()));
      names.push_back({driver.aliases.back(), &alias});
    }
  }
  for (const auto& [name, node] : names) {
    if (name.size() > kMaxDriverName) {
      return r.Fail(node->source(), "driver name " + name + " is longer than a saved game holds (" +
                                        std::to_string(kMaxDriverName) + " bytes)");
    }
    if (!keys->insert(DriverKey(name)).second) {
      return r.Fail(node->source(), "driver " + name + " is named twice");
    }
  }
  s->drivers.push_back(driver);
  return true;
}

bool KnownRound(Reader& r, const Season& s, std::string* round) {
  if (!r.Text("round", true, round)) return false;
  return RoundIndex(s, *round) != kNone ||
         r.Fail(r.Node("round")->source(), "no round is named " + *round);
}

bool ReadPenalty(Reader& r, const std::set<std::string>& roster, Season* s) {
  Penalty p;
  if (!r.OnlyKeys({"round", "driver", "time", "points", "disqualified", "reason"}) ||
      !KnownRound(r, *s, &p.round) || !r.Text("driver", true, &p.driver) ||
      !r.Text("reason", false, &p.reason)) {
    return false;
  }
  if (!roster.empty() && roster.count(DriverKey(p.driver)) == 0) {
    return r.Fail(r.Node("driver")->source(), "driver " + p.driver + " is not on the roster");
  }
  const int kinds = (r.Node("time") != nullptr) + (r.Node("points") != nullptr) +
                    (r.Node("disqualified") != nullptr);
  if (kinds != 1) {
    return r.Fail(r.table().source(),
                  "a penalty needs exactly one of time, points and disqualified");
  }
  if (const toml::node* time = r.Node("time")) {
    const std::optional<double> seconds = time->value<double>();
    if (!seconds) return r.Fail(time->source(), "time must be a number of seconds");
    if (!(*seconds > 0) || !(*seconds <= kMaxPenaltySeconds)) {
      return r.Fail(time->source(), "time must be above 0 (and at most 1000000 seconds)");
    }
    p.kind = PenaltyKind::kTime;
    p.timeMs = std::llround(*seconds * 1000.0);
  } else if (const toml::node* points = r.Node("points")) {
    if (!r.Integer("points", &p.points)) return false;
    if (p.points <= 0 || p.points > kMaxPoints) {
      return r.Fail(points->source(), "points must be above 0 (and at most 1000000)");
    }
    p.kind = PenaltyKind::kPoints;
  } else {
    bool disqualified = false;
    if (!r.Boolean("disqualified", &disqualified)) return false;
    if (!disqualified)
      return r.Fail(r.Node("disqualified")->source(), "disqualified can only be true");
    p.kind = PenaltyKind::kDisqualified;
  }
  s->penalties.push_back(p);
  return true;
}

bool ReadAccept(Reader& r, Season* s) {
  Acceptance a;
  if (!r.OnlyKeys({"round", "file", "reason"}) || !KnownRound(r, *s, &a.round) ||
      !r.Text("file", true, &a.file) || !r.Text("reason", false, &a.reason)) {
    return false;
  }
  for (char& c : a.file) {
    if (c == '/') c = '\\';
  }
  s->accepts.push_back(a);
  return true;
}

bool ReadPoints(Reader& r, Season* s) {
  const toml::node* node = r.Node("points");
  if (node == nullptr) return r.Missing("points");
  const toml::array* array = node->as_array();
  if (array == nullptr || (!array->empty() && !array->is_homogeneous(toml::node_type::integer)) ||
      array->size() > kMaxListed) {
    return r.Fail(node->source(), "points must be a list of whole numbers");
  }
  for (const toml::node& value : *array) {
    const std::int64_t points = value.as_integer()->get();
    if (points < 0 || points > kMaxPoints) {
      return r.Fail(value.source(), "points must be from 0 to 1000000");
    }
    if (!s->points.empty() && points > s->points.back()) {
      return r.Fail(value.source(), "points must not rise with the place");
    }
    s->points.push_back(points);
  }
  return true;
}

bool ReadSeason(Reader& r, const std::string& folder, Season* s) {
  std::string maxGap, attempts;
  std::int64_t countBest = 0;
  if (!r.OnlyKeys({"name", "tracks", "max_gap", "points", "count_best", "attempts", "round",
                   "driver", "penalty", "accept"}) ||
      !r.Text("name", true, &s->name) || !r.Text("tracks", false, &s->tracksDir) ||
      !r.Text("max_gap", false, &maxGap) || !ReadPoints(r, s) ||
      !r.Integer("count_best", &countBest) || !r.Text("attempts", false, &attempts)) {
    return false;
  }
  if (!s->tracksDir.empty()) s->tracksDir = InFolder(folder, s->tracksDir);
  if (r.Node("max_gap") != nullptr && !ParseDuration(maxGap, &s->maxGapSeconds)) {
    return r.Fail(r.Node("max_gap")->source(),
                  "max_gap must be a whole number of minutes, hours or days (90m, 2h, 1d), or 0");
  }
  if (r.Node("count_best") != nullptr) {
    if (countBest < 1 || countBest > static_cast<std::int64_t>(kMaxListed)) {
      return r.Fail(r.Node("count_best")->source(), "count_best must be 1 or more");
    }
    s->countBest = static_cast<int>(countBest);
  }
  if (r.Node("attempts") != nullptr && attempts != "best" && attempts != "last") {
    return r.Fail(r.Node("attempts")->source(), "attempts must be \"best\" or \"last\"");
  }
  s->lastAttempt = attempts == "last";
  std::set<std::string> roster;
  return r.Tables("round", true, [&](Reader& t) { return ReadRound(t, folder, s); }) &&
         r.Tables("driver", false, [&](Reader& t) { return ReadDriver(t, &roster, s); }) &&
         r.Tables("penalty", false, [&](Reader& t) { return ReadPenalty(t, roster, s); }) &&
         r.Tables("accept", false, [&](Reader& t) { return ReadAccept(t, s); });
}

}  // namespace

bool ParseSeason(const std::string& text, const std::string& folder, Season* season,
                 std::string* error) {
  error->clear();
  *season = Season();
  toml::parse_result parsed = toml::parse(std::string_view(text));
  if (!parsed) {
    *error = Position(parsed.error().source()) + ": " + std::string(parsed.error().description());
    return false;
  }
  Reader reader(parsed.table(), error);
  return ReadSeason(reader, folder, season);
}

bool ParseRaceLength(const std::string& text, std::int8_t* mode, std::int16_t* value) {
  const std::size_t space = text.find(' ');
  if (space == std::string::npos || space == 0 || space > 5) return false;
  const std::string number = text.substr(0, space);
  const std::string unit = text.substr(space + 1);
  if (number.find_first_not_of("0123456789") != std::string::npos) return false;
  const long n = std::strtol(number.c_str(), nullptr, 10);
  if (n > 32767) return false;
  if (unit == "km") {
    *mode = 1;
  } else if (unit == (n == 1 ? "lap" : "laps")) {
    *mode = 0;
  } else {
    return false;
  }
  *value = static_cast<std::int16_t>(n);
  return true;
}

}  // namespace season
