// The report files: CSV quoting, HTML escaping and the standings order.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "check/check.h"
#include "platform/console.h"

namespace {

ProofReport Race(const std::string& file, const std::string& driver, std::int32_t timeMs) {
  ProofReport r;
  r.file = file;
  r.hasRace = true;
  r.driver = driver;
  r.trackPath = "\\Hills\\Oakfield";
  r.trackName = "Oakfield";
  r.lengthValue = 10;
  r.raceTimeMs = timeMs;
  r.blockIndex = 2;
  r.numberKnown = true;
  r.number = 973;
  return r;
}

TEST(Reports, CsvQuotesFieldsAsRfc4180) {
  ProofReport r = Race("a,b.zip", "Ann \"Speedy\" Lee", 61001);
  r.problems = {"x", "y"};
  const std::string csv = CsvReport({r});
  const std::string header = "file,verdict,problems,driver,track,race_time_ms,number,";
  ASSERT_EQ(csv.compare(0, header.size(), header), 0) << csv;
  const std::string row = csv.substr(csv.find("\r\n") + 2);
  const std::string want =
      "\"a,b.zip\",problem,x; y,\"Ann \"\"Speedy\"\" Lee\",\\Hills\\Oakfield,61001,973,";
  EXPECT_EQ(row.substr(0, want.size()), want);
  EXPECT_EQ(row.substr(row.size() - 2), "\r\n");
}

TEST(Reports, CsvCellsNeverStartAFormula) {
  ProofReport r = Race("@x.zip", "=2+5", -1);
  r.trackName = "=HYPERLINK(\"http://x.example\")";
  r.trackPath = "\\H\\" + r.trackName;
  r.notes = {"\tnote", "x"};
  const std::string row = CsvReport({r}).substr(CsvReport({r}).find("\r\n") + 2);
  for (const char* cell : {"'@x.zip,", ",'=2+5,", ",-1,",
                           ",\"'=HYPERLINK(\"\"http://x.example\"\")\",", ",'\tnote; x\r\n"}) {
    EXPECT_NE(row.find(cell), std::string::npos) << cell << " in " << row;
  }
}

TEST(Reports, TerminalShowsControlCharactersAsEscapes) {
  ProofReport r = Race("a.zip", "A\x1B[2K\rB\x9D", 1);
  r.problems = {std::string("entry \"x\0y\x7F\" is damaged", 24)};
  const std::string table = TerminalTable({r, Race("b.zip", "B", 2)});
  EXPECT_NE(table.find("A\\x1B[2K\\x0DB\\u009D"), std::string::npos) << table;
  EXPECT_NE(table.find("entry \"x\\x00y\\x7F\" is damaged"), std::string::npos) << table;
  for (char c : table) {
    EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20) << static_cast<int>(c);
    EXPECT_NE(c, '\x7F');
  }
  EXPECT_EQ(table.find("\xC2\x9D"), std::string::npos);
  EXPECT_NE(table.find("b.zip"), std::string::npos);
  EXPECT_EQ(table.substr(table.size() - 32), "2 proofs: 1 ok, 1 with problems\n") << table;
}

TEST(Reports, HtmlEscapesEveryText) {
  ProofReport r = Race("<i>&.zip", "<b>A&B</b>", 1);
  r.problems = {"packed as \"<script>\""};
  r.trackPath = "\\<x>";
  const std::string page = HtmlReport({r});
  for (const char* raw : {"<b>", "<i>", "<script>", "<x>", "&B", "&.zip"}) {
    EXPECT_EQ(page.find(raw), std::string::npos) << raw;
  }
  for (const char* escaped : {"&lt;b&gt;A&amp;B&lt;/b&gt;", "&lt;i&gt;&amp;.zip",
                              "packed as &quot;&lt;script&gt;&quot;", "\\&lt;x&gt;"}) {
    EXPECT_NE(page.find(escaped), std::string::npos) << escaped;
  }
}

TEST(Reports, StandingsRankByTimeWithNoResultLast) {
  const std::string page = HtmlReport({Race("none.zip", "Zero", 0), Race("slow.zip", "Slow", 90000),
                                       Race("fast.zip", "Fast", 60000)});
  const auto fast = page.find("Fast"), slow = page.find("Slow"), zero = page.find("Zero");
  EXPECT_LT(fast, slow);
  EXPECT_LT(slow, zero);
  // Another race length is another table.
  ProofReport other = Race("other.zip", "Other", 1);
  other.lengthValue = 5;
  const std::string two = HtmlReport({Race("a.zip", "A", 2), other});
  EXPECT_NE(two.find("\\Hills\\Oakfield, 5 laps"), std::string::npos);
  EXPECT_NE(two.find("\\Hills\\Oakfield, 10 laps"), std::string::npos);
}

TEST(Reports, RaceTableIsTitledWithTheSpellingMostProofsUse) {
  // Each later proof is faster. The fastest spells the track otherwise
  // than the two others; at equal counts the first proof given wins.
  const std::vector<std::pair<std::vector<const char*>, std::string>> rows = {
      {{"\\Hills\\Oakfield", "\\Hills\\Oakfield", "\\HILLS\\OAKFIELD"}, "\\Hills\\Oakfield"},
      {{"\\Hills\\.\\Oakfield", "\\HILLS\\OAKFIELD"}, "\\Hills\\.\\Oakfield"},
  };
  for (const auto& [spellings, title] : rows) {
    std::vector<ProofReport> reports;
    for (const char* spelling : spellings) {
      reports.push_back(Race("x.zip", "X", static_cast<std::int32_t>(90000 - reports.size())));
      reports.back().trackPath = spelling;
    }
    const std::string page = HtmlReport(reports);
    EXPECT_NE(page.find("<h2>" + title + ", 10 laps</h2>"), std::string::npos) << title;
    EXPECT_EQ(page.find("<h2>", page.find("<h2>") + 1), std::string::npos) << title;
  }
}

TEST(Reports, ProofsWithProblemsTakeNoRank) {
  ProofReport negative = Race("neg.zip", "Neg", -1);
  negative.problems = {"race time below zero"};
  ProofReport slow = Race("slow.zip", "Slow", 1900000);
  slow.problems = {"packed as x"};
  const std::string page = HtmlReport({negative, slow, Race("good.zip", "Good", 1850000)});
  const std::string first = "<td class=\"num\">1</td>";
  EXPECT_LT(page.find(first), page.find("Good"));
  EXPECT_LT(page.find("Good"), page.find("Neg"));
  EXPECT_EQ(page.find("<td class=\"num\">2</td>"), std::string::npos) << page;
  EXPECT_EQ(page.find(first, page.find(first) + 1), std::string::npos);
}

TEST(Reports, TiedTimesSharePlaces) {
  ProofReport fault = Race("f.zip", "F", 59000);
  fault.problems = {"packed as x"};
  const std::vector<ProofReport> reports = {Race("b.zip", "B", 60000), Race("c.zip", "C", 60000),
                                            Race("d.zip", "D", 61000), Race("a.zip", "A", 59000),
                                            fault, Race("e.zip", "E", 61000)};
  EXPECT_EQ(Ranks(reports), (std::vector<int>{2, 2, 4, 1, 0, 4}));
  const std::string page = HtmlReport(reports);
  EXPECT_LT(page.find("b.zip"), page.find("c.zip"));
  EXPECT_NE(page.find("<td class=\"num\">4</td>"), std::string::npos);
  EXPECT_EQ(page.find("<td class=\"num\">3</td>"), std::string::npos);
}

TEST(Reports, ProblemNamingAnotherProofLinksItsRow) {
  ProofReport copy = Race("c<1>.zip", "C", 2);
  copy.problems = {"packed as x", "same race as " + platform::DisplayPath("o&.zip")};
  copy.links = {{1, 1}};
  const std::string page = HtmlReport({copy, Race("o&.zip", "O", 1)});
  EXPECT_NE(page.find("<tr id=\"proof-1\">"), std::string::npos) << page;
  EXPECT_NE(page.find("<li>same race as <a href=\"#proof-1\">o&amp;.zip</a></li>"),
            std::string::npos)
      << page;
}

TEST(Reports, JsonHoldsEveryColumnAndThePlace) {
  ProofReport r = Race("q\"\x01.zip", "Ann", 61001);
  r.problems = {"x", "tab\there"};
  r.notes = {"driver absent from the name"};
  ProofReport good = Race("g.zip", "\xC4ke", 61002);
  good.screenWidth = 1024;
  good.screenHeight = 768;
  CheckOptions options;
  options.requireDriver = true;
  options.maxGapSeconds = 5400;
  options.to = {true, 2026, 11, 30, 23, 59, 58};
  const std::string json = JsonReport({r, good}, options);
  for (const char* part :
       {"\"options\": {\"tracks\": null, \"require\": [\"driver\"], \"max_gap_seconds\": 5400, "
        "\"from\": null, \"to\": \"2026-11-30T23:59:58\"}",
        "\"summary\": {\"proofs\": 2, \"ok\": 1, \"with_problems\": 1}",
        "{\"file\": \"q\\\"\\u0001.zip\", \"verdict\": \"problem\", "
        "\"problems\": [\"x\", \"tab\\u0009here\"], \"driver\": \"Ann\", "
        "\"track\": \"\\\\Hills\\\\Oakfield\", \"race_time_ms\": 61001, \"number\": 973, "
        "\"track_name\": \"Oakfield\", \"race_length\": \"10 laps\", "
        "\"screenshot_width\": null, \"screenshot_height\": null, "
        "\"notes\": [\"driver absent from the name\"], \"rank\": null}",
        "\"driver\": \"\xC3\x84ke\"", "\"screenshot_width\": 1024, \"screenshot_height\": 768",
        "\"rank\": 1}"}) {
    EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
  }
}

TEST(Reports, RaceTimeAndNumberFormats) {
  EXPECT_EQ(FormatRaceTime(0), "0:00.000");
  EXPECT_EQ(FormatRaceTime(1850000), "30:50.000");
  EXPECT_EQ(FormatRaceTime(61001), "1:01.001");
  EXPECT_EQ(FormatRaceTime(-1), "-0:00.001");
  EXPECT_EQ(FormatRaceTime(-2147483648LL), "-35791:23.648");
  ProofReport r = Race("a.zip", "A", 1);
  EXPECT_EQ(FormatNumber(r), "97.3 km/h");
  r.blockIndex = 1;
  r.number = 1234;
  EXPECT_EQ(FormatNumber(r), "1234 (record)");
  r.numberKnown = false;
  EXPECT_EQ(FormatNumber(r), "");
}

}  // namespace

TEST(Reports, SpellingsOfOneTrackPathShareOneKey) {
  const std::string key = TrackPathKey("\\Hills\\Oakfield");
  EXPECT_EQ(key, "\\hills\\oakfield");
  for (const char* same : {"\\HILLS\\OAKFIELD", "\\Hills\\.\\Oakfield", "\\Hills\\\\Oakfield",
                           "\\hills\\oakfield\\.", "\\\\Hills\\Oakfield"}) {
    EXPECT_EQ(TrackPathKey(same), key) << same;
  }
  for (const char* other : {"\\Hills\\Oakfield.", "Hills\\Oakfield", "\\Hills\\Oakfield2"}) {
    EXPECT_NE(TrackPathKey(other), key) << other;
  }
  // Accented capitals fold, the multiplication sign does not.
  EXPECT_EQ(TrackPathKey("\\\xC0\xDE\xD7"), "\\\xE0\xFE\xD7");
}
