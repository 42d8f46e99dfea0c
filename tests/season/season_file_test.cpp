// The season file: one whole file read, and a table of bad ones, each
// refused with its message and position.
#include <gtest/gtest.h>

#include <string>

#include "season/season.h"

namespace {

const char kGood[] = R"(name = "Winter Cup 2026"
tracks = "Tracks"
max_gap = "90m"
points = [25, 18, 18, 0]
count_best = 4
attempts = "last"

[[round]]
name = "Oakfield"
folder = "round-1"
track = '\Hills\Oakfield'
length = "1 lap"
from = "2026-11-01"
to = "2026-11-07"
final = true

[[round]]
name = "Elm"
folder = "/races/elm"
track = '\Elm'
length = "12 km"

[[driver]]
name = "Ann Lee"
class = "Pro"
team = "Red Arrows"
aliases = ["A. Lee", "Ännchen"]

[[penalty]]
round = "Elm"
driver = "a. lee"
time = 5.0005
reason = "cut"

[[penalty]]
round = "Oakfield"
driver = "Ann Lee"
disqualified = true

[[accept]]
round = "Oakfield"
file = "sub/oakfield_Cy Orr_1000.zip"
reason = "clock"
)";

TEST(SeasonFile, ReadsEveryKey) {
  season::Season s;
  std::string error;
  ASSERT_TRUE(season::ParseSeason(kGood, "\\cups\\", &s, &error)) << error;
  EXPECT_EQ(s.name, "Winter Cup 2026");
  EXPECT_EQ(s.tracksDir, "\\cups\\Tracks");
  EXPECT_EQ(s.maxGapSeconds, 90 * 60);
  EXPECT_EQ(s.points, (std::vector<std::int64_t>{25, 18, 18, 0}));
  EXPECT_EQ(s.countBest, 4);
  EXPECT_TRUE(s.lastAttempt);
  ASSERT_EQ(s.rounds.size(), 2u);
  EXPECT_EQ(s.rounds[0].folder, "\\cups\\round-1");
  EXPECT_EQ(s.rounds[1].folder, "\\races\\elm");
  EXPECT_EQ(s.rounds[0].track, "\\Hills\\Oakfield");
  EXPECT_EQ(s.rounds[0].lengthMode * 100 + s.rounds[0].lengthValue, 1);
  EXPECT_EQ(s.rounds[1].lengthMode * 100 + s.rounds[1].lengthValue, 112);
  EXPECT_EQ(s.rounds[0].from.day * 100 + s.rounds[0].from.hour, 100);
  EXPECT_EQ(s.rounds[0].to.day * 100 + s.rounds[0].to.hour, 723);
  EXPECT_TRUE(s.rounds[0].final);
  EXPECT_FALSE(s.rounds[1].final);
  ASSERT_EQ(s.drivers.size(), 1u);
  EXPECT_EQ(s.drivers[0].className, "Pro");
  EXPECT_EQ(s.drivers[0].team, "Red Arrows");
  EXPECT_EQ(s.drivers[0].aliases, (std::vector<std::string>{"A. Lee", "\xC4nnchen"}));
  ASSERT_EQ(s.penalties.size(), 2u);
  EXPECT_EQ(s.penalties[0].kind, season::PenaltyKind::kTime);
  EXPECT_EQ(s.penalties[0].timeMs, 5001);
  EXPECT_EQ(s.penalties[1].kind, season::PenaltyKind::kDisqualified);
  ASSERT_EQ(s.accepts.size(), 1u);
  EXPECT_EQ(s.accepts[0].file, "sub\\oakfield_Cy Orr_1000.zip");
}

// A season's head and one round, then the text of the row.
const char kHead[] =
    "name = \"Cup\"\npoints = [3, 1]\n[[round]]\nname = \"R1\"\nfolder = \"r1\"\ntrack = 'T'\n";

// A season of `count` rounds.
std::string Rounds(int count) {
  std::string text = "name = \"Cup\"\npoints = [1]\n";
  for (int n = 0; n < count; ++n) {
    text += "[[round]]\nname = \"R" + std::to_string(n) + "\"\nfolder = \"r\"\ntrack = 'T'\n";
  }
  return text;
}

struct Bad {
  std::string text;
  const char* error;
};

const Bad kBad[] = {
    {"name = \"Cup\"\npoint = [1]\n", "2:1: unknown key point"},
    {std::string(kHead) + "lenght = \"5 laps\"\n", "7:1: unknown key lenght"},
    {"name = 5\n", "1:8: name must be a text"},
    {"name = \"Cup\"\npoints = [3, \"1\"]\n", "2:10: points must be a list of whole numbers"},
    {"name = \"Cup\"\npoints = [3]\nround = 1\n", "3:9: round must be a list of [[round]] tables"},
    {"points = [1]\n[[round]]\nname = \"R\"\nfolder = \"r\"\ntrack = 'T'\n",
     "1:1: missing key name"},
    {"name = \"Cup\"\n[[round]]\nname = \"R\"\nfolder = \"r\"\ntrack = 'T'\n",
     "1:1: missing key points"},
    {"name = \"Cup\"\npoints = [1]\n", "1:1: missing key round"},
    {"name = \"Cup\"\npoints = [1]\n[[round]]\nname = \"R\"\ntrack = 'T'\n",
     "3:1: missing key folder"},
    {"name = \"Cup\"\npoints = [1]\n[[round]]\nfolder = \"r\"\ntrack = 'T'\n",
     "3:1: missing key name"},
    {"name = \"Cup\"\npoints = [1]\n[[round]]\nname = \"R\"\nfolder = \"r\"\n",
     "3:1: missing key track"},
    {std::string(kHead) + "[[round]]\nname = \"R1\"\nfolder = \"r2\"\ntrack = 'T'\n",
     "8:8: round R1 is named twice"},
    {std::string(kHead) +
         "[[driver]]\nname = \"Ann\"\n[[driver]]\nname = \"Bo\"\naliases = [\" ANN \"]\n",
     "11:12: driver  ANN  is named twice"},
    {std::string(kHead) + "[[driver]]\nname = \"\xC3\x84nn Lee\"\naliases = [\"Annabel Leeds\"]\n",
     "9:12: driver name Annabel Leeds is longer than a saved game holds (12 bytes)"},
    {std::string(kHead) + "[[penalty]]\nround = \"R2\"\ndriver = \"Ann\"\npoints = 1\n",
     "8:9: no round is named R2"},
    {std::string(kHead) +
         "[[driver]]\nname = \"Ann\"\n[[penalty]]\nround = \"R1\"\ndriver = \"Bo\"\npoints = 1\n",
     "11:10: driver Bo is not on the roster"},
    {std::string(kHead) + "[[accept]]\nround = \"R0\"\nfile = \"a.zip\"\n",
     "8:9: no round is named R0"},
    {std::string(kHead) + "[[penalty]]\nround = \"R1\"\ndriver = \"Ann\"\n",
     "7:1: a penalty needs exactly one of time, points and disqualified"},
    {std::string(kHead) + "[[penalty]]\nround = \"R1\"\ndriver = \"Ann\"\ntime = 1\npoints = 1\n",
     "7:1: a penalty needs exactly one of time, points and disqualified"},
    {std::string(kHead) + "[[penalty]]\nround = \"R1\"\ndriver = \"Ann\"\ntime = 0.0\n",
     "10:8: time must be above 0 (and at most 1000000 seconds)"},
    {std::string(kHead) + "[[penalty]]\nround = \"R1\"\ndriver = \"Ann\"\npoints = 0\n",
     "10:10: points must be above 0 (and at most 1000000)"},
    {"name = \"Cup\"\npoints = [3, -1]\n", "2:14: points must be from 0 to 1000000"},
    {"name = \"Cup\"\npoints = [3, 1, 2]\n", "2:17: points must not rise with the place"},
    {"name = \"Cup\"\npoints = [3]\ncount_best = 0\n", "3:14: count_best must be 1 or more"},
    {"name = \"Cup\"\npoints = [3]\nattempts = \"first\"\n",
     "3:12: attempts must be \"best\" or \"last\""},
    {std::string(kHead) + "from = \"2026-11-08\"\nto = \"2026-11-07\"\n",
     "7:8: from is later than to"},
    {std::string(kHead) + "length = \"5 lap\"\n",
     "7:10: length must be like \"5 laps\" or \"12 km\""},
    {Rounds(101), "3:1: more than 100 [[round]] tables"},
    {"name = \"Cup\n",
     "1:12: Error while parsing string: unescaped control characters other than TAB (U+0009) are "
     "explicitly prohibited"},
};

TEST(SeasonFile, RefusesBadFilesAtTheirPosition) {
  for (const Bad& bad : kBad) {
    SCOPED_TRACE(bad.text);
    season::Season s;
    std::string error;
    EXPECT_FALSE(season::ParseSeason(bad.text, "", &s, &error));
    EXPECT_EQ(error, bad.error);
  }
}

}  // namespace
