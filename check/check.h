// lapbundle-check: reads proof archives in memory and reports whether each
// one is whole and agrees with itself (the saved game's result, the number
// in the archive's name, the name it was packed under, the official track).
//
// Texts are Windows-1252 like the rest of the program, except where a
// function says UTF-8 (the report files and the terminal).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

// The largest entry an archive may hold, checked against the stored size
// before anything is inflated.
//
// Memory per job, as it follows from the caps: the screenshot entry (at
// most 256 MiB) and its decoded pixels (at most 64 Mi pixels of 4 bytes,
// 256 MiB) at once, then only a thumbnail of at most 240 x 960 pixels; of
// the saved game and the track file the first 2,000,000 bytes each; two
// 256 KiB buffers. That is at most about 516 MiB per job. With --tracks the
// packed track file is kept whole (up to 256 MiB, possibly while the
// screenshot is decoded: at most about 770 MiB per job); the official one
// is compared with it chunk by chunk, keeping only its first 2,000,000
// bytes. bench/check_memory.sh measures the worst inputs.
constexpr std::uint64_t kMaxEntryBytes = 256ull * 1024 * 1024;
// The most one archive may inflate: three entries at the cap. Checked
// against the sum of the stored sizes before anything is inflated, and
// against the bytes that come out while inflating.
constexpr std::uint64_t kMaxArchiveBytes = 3 * kMaxEntryBytes;
// The most bytes inflated for one archive: the stored sizes (at most
// kMaxArchiveBytes), plus the one byte per entry (of at most 65,536 read)
// that shows it inflating past its stored size.
constexpr std::uint64_t kMaxInflatedBytes = kMaxArchiveBytes + 0x10000;
// The width of the thumbnails in the HTML report.
constexpr int kThumbnailWidth = 240;

// A local wall-clock time to the second, with no time zone: the entrant's
// clock as an archive's entries carry it, or an organiser's date. Valid
// only for a real date and time from 1980 to 2107, the years an archive's
// entry time can hold.
struct WallTime {
  bool valid = false;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

struct CheckOptions {
  std::string tracksDir;  // program path of the official Tracks folder, or empty
  bool requireTrack = false;
  bool requireDriver = false;
  bool requireNumber = false;
  // The most seconds the screenshot's and the saved game's times may lie
  // apart; 0 turns the check off.
  std::int64_t maxGapSeconds = 2 * 60 * 60;
  // The round's window, both ends inclusive; an end that is not valid is
  // not given and leaves the window open on that side.
  WallTime from, to;
};

// A fingerprint: a 128-bit keyed hash whose key is new in every run, so
// that no archive can be made to share one with another on purpose. Not
// `known`: nothing to compare.
struct Digest {
  bool known = false;
  std::array<std::uint8_t, 16> bytes{};
  bool operator==(const Digest&) const = default;
};

// A problem that names another proof of the run: problems[problem] names
// the file of reports[other] (the HTML page links the two rows).
struct ProofLink {
  std::size_t problem = 0;
  std::size_t other = 0;
};

// What one archive holds and what was found wrong with it.
struct ProofReport {
  std::string file;                 // the path as given or found (program text)
  bool readable = false;            // the archive could be opened as a zip
  std::uint64_t inflatedBytes = 0;  // never more than kMaxInflatedBytes
  std::vector<std::string> problems;
  std::vector<std::string> notes;  // parts of the name found absent, checks not made

  // Contents (entry names as Windows-1252; empty when missing)
  std::string screenshotEntry, saveEntry, trackEntry;
  int screenWidth = 0, screenHeight = 0;
  std::string thumbnailJpeg;

  // Fingerprints for comparing proofs with each other: the saved game as
  // the readers see it (its first 2,000,000 bytes, the zeros it ends in
  // left out, as the readers' zero-filled buffer holds them anyway) with
  // its driver's name field left out, and whole; the screenshot's size and
  // pixels, and a strip of it as the tool's JPEG of it would hold it.
  Digest raceDigest, saveDigest, pixelDigest, stripDigest;
  bool screenshotJpeg = false;    // the screenshot is no BMP (by its bytes)
  std::vector<ProofLink> links;  // problems naming another proof

  // The race (valid when hasRace)
  bool hasRace = false;
  std::string driver, trackPath, trackName;
  // The saved game names no driver: `driver` is the track's record holder.
  bool driverFromTrack = false;
  std::int16_t lengthValue = 0;
  std::int8_t lengthMode = 0;
  std::int8_t blockIndex = 0;
  std::int32_t raceTimeMs = 0;
  bool numberKnown = false;  // a track file (packed or official) was read
  std::int64_t number = 0;
  // The last-write times that the screenshot's and the saved game's entries
  // carry (the entrant's clock); not valid when the entry is missing or its
  // stamp is not a real date and time.
  WallTime screenshotTime, saveTime;

  // For an archive found in a folder: its system path (opened by it), and
  // how the reports show it (UTF-8) where that differs from `file`, whose
  // program text cannot hold every name.
  std::string systemPath = {}, shownFile = {};

  bool ok() const { return problems.empty(); }
};

// The entries of an archive: read from a file or from bytes in memory.
struct ArchiveSource {
  const std::uint8_t* data = nullptr;  // bytes in memory, when path is empty
  std::size_t size = 0;
  std::string path;  // program path of an archive file
  // The system path of an archive file found in a folder, opened instead
  // of `path` when given (its name may have no program text).
  std::string systemPath = {};
};

// Checks one archive. `fileName` is the archive's file name (program text,
// ".zip" included), compared with the name the archive was packed under.
// Never fails: what cannot be read becomes a problem of the report.
ProofReport CheckProof(const ArchiveSource& source, const std::string& fileName,
                       const CheckOptions& options);

// Compares the proofs of one run with each other, adding problems (with
// their links) to both sides of each match:
// - "same race as FILE": the same saved game, its driver's name field left
//   out; "same race as FILE (only the driver differs)" when the names differ;
// - "same screenshot as FILE": the same pixels (BMP and BMP, JPEG and JPEG),
//   or a JPEG that decodes to the pixels of the JPEG the tool makes from a
//   BMP. Only BMPs whose size and strip some JPEG of the run shares are
//   read again (from their archive file, `jobs` at a time) and encoded.
// Each proof lists at most a handful of others per kind, then counts them.
void CompareProofs(std::vector<ProofReport>* reports, int jobs);

// ---------------------------------------------------------------------------
// Name agreement (the parts are compared as whole "_"-separated parts)

struct NameParts {
  std::string trackName;  // the track name in lower case, as names write it
  std::string driver;
  bool numberKnown = false;
  std::int64_t number = 0;
};

// The problems and notes for an archive name (without ".zip") against the
// parts computed from its contents, appended to the report's lists.
void CheckNameParts(const std::string& name, const NameParts& parts, const CheckOptions& options,
                    std::vector<std::string>* problems, std::vector<std::string>* notes);

// True when the archive's name and the name it was packed under are the
// same Windows-1252 text, where "?" or "_" on either side (a character one
// side could not hold) matches any character.
bool SamePackedName(const std::string& fileName, const std::string& packedName);

// An entry name from the archive's OEM code page 850 as Windows-1252; a
// character Windows-1252 lacks becomes "?".
std::string OemToAnsi(const std::string& oem);

// ---------------------------------------------------------------------------
// Presentation (UTF-8)

// "m:ss.mmm" for a time in milliseconds (a leading "-" when negative).
std::string FormatRaceTime(std::int64_t ms);
// The number as the report shows it: "97.3 km/h" for a speed (block > 1),
// "1234 (record)" for a track record, empty when not known.
std::string FormatNumber(const ProofReport& report);
// "10 laps", "50 km", or the raw values for an unknown mode.
std::string FormatRaceLength(const ProofReport& report);
// "ok" or the problems joined by "; ".
std::string Verdict(const ProofReport& report);
// The archive's path as the reports show it (UTF-8).
std::string ShownFile(const ProofReport& report);

// The text with every control character (C0, DEL, C1) shown as a visible
// escape ("\x1B", "\u009B"), so that nothing from an archive can move the
// cursor, redraw the table or cut the output.
std::string TerminalText(const std::string& utf8);
// The terminal table: one aligned line per archive, then the summary line.
std::string TerminalTable(const std::vector<ProofReport>& reports);
// "N proofs: N ok, N with problems"
std::string SummaryLine(const std::vector<ProofReport>& reports);
// The CSV file's text (RFC 4180, CRLF line ends, UTF-8). A cell that a
// spreadsheet would read as a formula (starting with "=", "+", "-", "@",
// TAB or CR, and not a plain number) starts with "'".
std::string CsvReport(const std::vector<ProofReport>& reports);
// The self-contained HTML page: standings per race, problems marked.
std::string HtmlReport(const std::vector<ProofReport>& reports);
// The JSON file's text (UTF-8): the run's options and every proof with the
// CSV's columns under their CSV names, its rank, and its problems and notes
// as arrays. The keys are listed in the manual page and kept stable.
std::string JsonReport(const std::vector<ProofReport>& reports, const CheckOptions& options);

// The form of a track path under which two spellings of one race compare
// equal: letters folded as the system's folder lookup folds them, "."
// segments and doubled separators dropped. Trailing dots stay ("Oakfield."
// names another file than "Oakfield").
std::string TrackPathKey(const std::string& trackPath);

// The standings: the proofs (as indexes) of each race, one track path and
// one race length, races in track path order and proofs without a race
// last. Within a race the ranked proofs come first by race time, then the
// others (marked, without a rank) by race time, no result (0) last.
std::vector<std::vector<std::size_t>> RaceTables(const std::vector<ProofReport>& reports);
// The track path a race table (as RaceTables gives it) is titled with: the
// spelling most of its proofs use; at equal counts, the first in report
// order.
std::string TableTrackPath(const std::vector<ProofReport>& reports,
                           const std::vector<std::size_t>& table);
// Each proof's place in its race, 0 for none: only proofs without problems
// and with a race time other than 0 are ranked; equal times share a place
// and the next place skips (1, 2, 2, 4).
std::vector<int> Ranks(const std::vector<ProofReport>& reports);

// ---------------------------------------------------------------------------
// Race times: when the screenshot was taken and the race saved, by the
// entrant's clock as the archive's entries carry it (no time zone, 2-second
// steps)

// The time an entry's MS-DOS date and time stand for; not valid when they
// name no real moment (month 0 or 13, 30 February, hour 24, 60 seconds).
WallTime FromDosTime(std::uint16_t dosDate, std::uint16_t dosTime);
// Seconds from 1980-01-01 00:00:00 to a valid time.
std::int64_t SecondsOf(const WallTime& time);
// A duration as "--max-gap" takes it: a whole number followed by "m", "h"
// or "d" ("90m", "2h", "1d"), or "0". False for anything else, and for a
// number of seconds that would not fit.
bool ParseDuration(const std::string& text, std::int64_t* seconds);
// A window end as "--from" and "--to" take it: "2026-11-01",
// "2026-11-01T18:00" or "2026-11-01T18:00:30". A date or a minute without
// seconds names its first second, or its last when `last`. False for
// anything else, for a date that does not exist, and outside 1980 to 2107.
bool ParseWindowEnd(const std::string& text, bool last, WallTime* time);
// "3 d 4 h", "2 h 5 min", "7 min" or "42 s" for seconds >= 0 (the smaller
// unit left out when it is 0, smaller ones never shown).
std::string FormatDuration(std::int64_t seconds);
// "2026-11-30 21:14" for a valid time.
std::string FormatWallTime(const WallTime& time);
// The problems and notes of the report's times: the gap between a BMP
// screenshot and the saved game (a JPEG is written when the archive is
// made, so its time tells nothing), and the saved game against the window.
void CheckRaceTimes(const CheckOptions& options, ProofReport* report);

// ---------------------------------------------------------------------------
// The program

// Runs lapbundle-check over the arguments after the program's name
// (program texts). Writes to standard output and error; returns the exit
// status: 0 all ok, 1 any problem, 2 bad arguments. When `explorerDrop`, a
// report page "lapbundle-report.html" is written beside the first argument
// and its path is left in *reportPath.
int RunCheck(const std::vector<std::string>& args, bool explorerDrop, std::string* reportPath);

// ---------------------------------------------------------------------------
// The run's parts that a season shares

namespace check {

// An archive named or found, by its program path. A name found in a folder
// that holds "\" (which some systems allow in names) has no program path
// that reaches it: it is not `reachable` by `path`, which would name
// another file. An archive found in a folder is opened by its system path,
// which reaches every name.
struct FoundArchive {
  std::string path;
  bool reachable = true;
  // Found in a folder: the system path it is opened by, and how the
  // reports show it (UTF-8).
  std::string systemPath = {}, shown = {};
};
// The archives (".zip" in any case) of a folder and its subfolders, in name
// order per folder, appended to *out. Links to folders inside it are not
// followed. For each folder left unsearched (unreadable, or too deep) the
// problem line "folder not searched: PATH (REASON)" (UTF-8) appended to
// *unsearched.
void CollectArchives(const std::string& folder, std::vector<FoundArchive>* out,
                     std::vector<std::string>* unsearched);
// A program path as one text per file: doubled and final separators and
// "." parts dropped; with `foldCase`, ASCII letters in one case (as Windows
// compares names; two names that differ in case may still be two files).
std::string SamePathKey(const std::string& path, bool foldCase);
// True when two program paths name one file: by the file both reach where
// both exist, otherwise by their absolute form, "." and ".." resolved by
// their text, letters compared without regard to case.
bool SameFile(const std::string& a, const std::string& b);
// An empty text when a report (option `option`) may be written to `report`,
// otherwise why not (UTF-8): it names one of `files`, or an existing zip
// archive (by its name or its first bytes).
std::string RefuseReport(const std::string& option, const std::string& report,
                         const std::vector<FoundArchive>& files);
// The same for every report of a run (option and path; an empty path is no
// report), and two reports on one file refused first.
std::string RefuseReports(const std::vector<std::pair<std::string, std::string>>& reports,
                          const std::vector<FoundArchive>& files);

// Runs work(i) for every i below `count` on up to `jobs` threads, and
// returns when all are done. With `progress`, "checked N of COUNT" is shown
// meanwhile on standard error when it is a terminal and the work takes
// more than a second.
void InParallel(std::size_t count, int jobs, const std::function<void(std::size_t)>& work,
                bool progress);

// Checks every archive with `jobs` threads, archive i with optionsOf(i);
// the reports in the order given. An archive that is not `reachable` gets
// the problem "cannot be opened by its name" and is not opened.
std::vector<ProofReport> CheckArchives(
    const std::vector<FoundArchive>& files,
    const std::function<const CheckOptions&(std::size_t)>& optionsOf, int jobs);
// The --jobs value as a number of threads in *jobs; otherwise the usage
// problem ("--jobs needs a number from 1 to 64").
std::string SetJobs(const std::string& value, int* jobs);
// The threads to use: those asked for, or one per core when none (0).
int JobCount(int asked);
// The list of --require ("track,driver,number") set in the options; false
// for a part it does not know.
bool SetRequire(const std::string& list, CheckOptions* options);
// Writes a report under a new temporary name beside it, then renames it
// into place: a failed run never leaves half a report. False on failure.
bool WriteText(const std::string& path, const std::string& text);
// WriteText, and on failure "cannot write PATH" on standard error; false then.
bool WriteReport(const std::string& path, const std::string& text);

// Pieces of the report files: a CSV cell (quoted, a formula made text), a
// JSON string, a window end as the JSON report writes it, a proof's JSON
// keys before its place (each followed by ", "), an HTML text, the HTML
// page's style sheet, and a proof's row of the HTML page (its id
// "proof-INDEX", with its place when above 0). All UTF-8.
std::string CsvCell(const std::string& utf8);
// Terminal rows (UTF-8) as lines whose columns line up, two spaces apart.
std::string AlignedRows(const std::vector<std::vector<std::string>>& rows);
std::string JsonString(const std::string& utf8);
std::string JsonWindowEnd(const WallTime& time);
std::string JsonProofKeys(const ProofReport& report);
std::string HtmlText(const std::string& utf8);
std::string HtmlStyle();
std::string HtmlProofRow(const std::vector<ProofReport>& reports, std::size_t index, int place);

}  // namespace check
