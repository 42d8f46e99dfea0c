// One proof archive: its contents, its screenshot, the race its saved game
// holds, and whether its name and its track file agree with that race.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "archive/zip_writer.h"
#include "check/check_internal.h"
#include "core/app.h"
#include "imaging/bmp_decoder.h"
#include "platform/platform.h"

namespace check {
namespace {

// What the tool itself reads of a game file: the size of its file buffer.
constexpr std::int64_t kGameFileMax = kFileBufferSize;

enum class Kind { kScreenshot, kSave, kTrack, kOther };

Kind KindOf(const std::string& entryName) {
  const std::string ext = Extension(entryName);
  if (ext == "bmp" || ext == "jpg" || ext == "jpeg") return Kind::kScreenshot;
  if (ext == "gam") return Kind::kSave;
  if (ext == "trk") return Kind::kTrack;
  return Kind::kOther;
}

// The entries of one archive as they are read.
struct Contents {
  std::string save, track;  // bytes of the first saved game and track file
  int unexpected = 0;
};

void TakeScreenshot(const EntryRecord& entry, std::string& bytes, ProofReport* report) {
  report->screenshotEntry = OemToAnsi(entry.name);
  report->screenshotJpeg = bytes.rfind("BM", 0) != 0;
  report->screenshotTime = FromDosTime(entry.dosDate, entry.dosTime);
  PictureSummary summary;
  PictureFingerprints prints(!report->screenshotJpeg);
  if (SummarisePicture(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(),
                       kThumbnailWidth, &summary, prints.Rows())) {
    report->screenWidth = summary.width;
    report->screenHeight = summary.height;
    report->thumbnailJpeg = std::move(summary.thumbnailJpeg);
    report->pixelDigest = prints.Pixels();
    report->stripDigest = prints.Strip();
  } else {
    report->problems.push_back("screenshot \"" + report->screenshotEntry + "\" does not decode");
  }
  std::string().swap(bytes);  // one full-size screenshot at a time
}

// The length of the bytes without the zeros they end in.
std::size_t WithoutTrailingZeros(const char* bytes, std::size_t size) {
  while (size > 0 && bytes[size - 1] == '\0') --size;
  return size;
}

// The saved game's fingerprints, over what the readers load (its first
// bytes into a zero-filled buffer, so zeros at its end count for nothing):
// whole, and with its driver's name field left out, so that a copy with
// another name still matches.
void DigestSave(const std::string& save, ProofReport* report) {
  SipHash whole;
  whole.Add(save.data(), WithoutTrailingZeros(save.data(), save.size()));
  report->saveDigest = whole.Fingerprint();
  const ByteSpan driver =
      driverNameField(reinterpret_cast<const std::uint8_t*>(save.data()), std::ssize(save));
  const auto at = static_cast<std::size_t>(driver.at);
  const auto after = static_cast<std::size_t>(driver.at + driver.count);
  // A field that the bytes end in, or that lies past them, holds zeros in
  // the buffer whatever its length here.
  const std::size_t tail = WithoutTrailingZeros(save.data() + after, save.size() - after);
  SipHash race;
  race.Add(save.data(), tail > 0 ? at : WithoutTrailingZeros(save.data(), at));
  race.Add(save.data() + after, tail);
  report->raceDigest = race.Fingerprint();
}

// Of a saved game only what the readers use is kept; of a track file too,
// unless it is compared with the official one.
void ReadContents(const ArchiveSource& source, const CheckOptions& options, ProofReport* report,
                  Contents* contents) {
  const std::uint64_t readerBytes = static_cast<std::uint64_t>(kGameFileMax);
  const auto want = [&](const EntryRecord& entry, std::uint64_t* keep) {
    switch (KindOf(entry.name)) {
      case Kind::kScreenshot:
        return report->screenshotEntry.empty();
      case Kind::kSave:
        *keep = std::min(*keep, readerBytes);
        return report->saveEntry.empty();
      case Kind::kTrack:
        if (options.tracksDir.empty()) *keep = std::min(*keep, readerBytes);
        return report->trackEntry.empty();
      case Kind::kOther:
        break;
    }
    return false;
  };
  const auto take = [&](const EntryRecord& entry, std::string& bytes) {
    switch (KindOf(entry.name)) {
      case Kind::kScreenshot:
        TakeScreenshot(entry, bytes, report);
        break;
      case Kind::kSave:
        report->saveEntry = OemToAnsi(entry.name);
        report->saveTime = FromDosTime(entry.dosDate, entry.dosTime);
        contents->save = std::move(bytes);
        DigestSave(contents->save, report);
        break;
      case Kind::kTrack:
        report->trackEntry = OemToAnsi(entry.name);
        contents->track = std::move(bytes);
        break;
      case Kind::kOther:
        break;
    }
  };
  // Entries that are not the first of their kind are listed.
  const auto wantOrList = [&](const EntryRecord& entry, std::uint64_t* keep) {
    const bool wanted = want(entry, keep);
    if (!wanted) {
      AddCounted(&report->problems, "unexpected entry \"" + OemToAnsi(entry.name) + "\"",
                 &contents->unexpected);
    }
    return wanted;
  };
  report->readable =
      ReadEntries(source, wantOrList, take, &report->problems, &report->inflatedBytes);
  FinishCounted(&report->problems, "unexpected entries", contents->unexpected);
}

// The official track file as far as it is read: its first bytes (what the
// readers use), its size, and where it first differs from the packed one.
struct Official {
  std::string head;
  std::uint64_t size = 0;
  bool same = false;
  std::uint64_t firstDifference = 0;
};

// Reads the official track file for a track path chunk by chunk, up to the
// entry cap (one byte more shows that it is larger), comparing it with the
// packed one when there is one. False when there is none.
bool ReadOfficialTrack(const std::string& tracksDir, const std::string& trackPath,
                       const std::string* packed, Official* out) {
  if (trackPath.empty() || !staysInsideTracks(trackPath)) return false;
  std::string dir = tracksDir;
  while (!dir.empty() && dir.back() == '\\') dir.pop_back();
  // Through the C library: this runs on several threads at once, and the
  // platform's own file calls keep counts for tests. Only a regular file is
  // read: a pipe would wait for a writer.
  bool notRegular = false;
  std::FILE* file =
      platform::OpenFoundFile(platform::SystemPathOf(dir + trackPath + ".trk"), &notRegular);
  if (file == nullptr) return false;
  std::string chunk(1 << 20, '\0');
  bool differs = false;
  while (out->size <= kMaxEntryBytes) {
    const std::size_t room = static_cast<std::size_t>(
        std::min<std::uint64_t>(chunk.size(), kMaxEntryBytes + 1 - out->size));
    const std::size_t got = std::fread(chunk.data(), 1, room, file);
    const std::size_t head = static_cast<std::size_t>(
        std::min<std::uint64_t>(got, static_cast<std::uint64_t>(kGameFileMax) - out->head.size()));
    out->head.append(chunk.data(), head);
    if (packed != nullptr && !differs) {
      const std::uint64_t left = packed->size() > out->size ? packed->size() - out->size : 0;
      const std::size_t both = static_cast<std::size_t>(std::min<std::uint64_t>(got, left));
      const char* mine = packed->data() + out->size;
      const auto diff = std::mismatch(chunk.data(), chunk.data() + both, mine);
      if (diff.first != chunk.data() + both || both < got) {
        differs = true;
        out->firstDifference = out->size + static_cast<std::uint64_t>(diff.first - chunk.data());
      }
    }
    out->size += got;
    if (got < room) break;
  }
  const bool failed = std::ferror(file) != 0;  // a folder, for one
  std::fclose(file);
  if (packed != nullptr && !differs && out->size != packed->size()) {
    differs = true;
    out->firstDifference = out->size;
  }
  out->same = packed != nullptr && !differs;
  return !failed;
}

std::string Differences(const std::string& packed, const Official& official,
                        std::int8_t blockIndex) {
  const auto bytesOf = [](const std::string& s) {
    return reinterpret_cast<const std::uint8_t*>(s.data());
  };
  const TrackRecord a = parseTrackFile(bytesOf(packed), std::ssize(packed), blockIndex);
  const TrackRecord b =
      parseTrackFile(bytesOf(official.head), std::ssize(official.head), blockIndex);
  std::string how = "track file differs from the official one";
  if (a.trackLength != b.trackLength) {
    return how + ": track length " + std::to_string(a.trackLength) + ", official " +
           std::to_string(b.trackLength);
  }
  if (a.recordValue != b.recordValue) {
    return how + ": record " + std::to_string(a.recordValue) + ", official " +
           std::to_string(b.recordValue);
  }
  if (packed.size() != official.size) {
    return how + ": " + std::to_string(packed.size()) + " bytes, official " +
           std::to_string(official.size);
  }
  return how + " from byte " + std::to_string(official.firstDifference);
}

// The race from the saved game, the number from the track file (the packed
// one, or the official one when none is packed and --tracks is given).
void CheckRace(const Contents& contents, const CheckOptions& options, ProofReport* report) {
  const auto* saveBytes = reinterpret_cast<const std::uint8_t*>(contents.save.data());
  const std::int64_t saveSize = std::min<std::int64_t>(std::ssize(contents.save), kGameFileMax);
  const SaveGameRecord save = parseSaveGame(saveBytes, saveSize);
  report->hasRace = true;
  report->driver = save.driverName;
  report->driverFromTrack = save.driverName.empty();
  report->trackPath = save.trackPath;
  report->trackName = trackNameOf(save.trackPath);
  report->lengthValue = save.lengthValue;
  report->lengthMode = save.lengthMode;
  report->blockIndex = save.blockIndex;
  report->raceTimeMs = save.resultTime;
  // The game never writes a time below zero.
  if (save.resultTime < 0) report->problems.push_back("race time below zero");

  Official official;
  const bool haveOfficial =
      !options.tracksDir.empty() &&
      ReadOfficialTrack(options.tracksDir, save.trackPath,
                        report->trackEntry.empty() ? nullptr : &contents.track, &official);
  if (!options.tracksDir.empty() && !haveOfficial) {
    report->problems.push_back("no official track file for \"" + save.trackPath + "\"");
  }
  const std::string* track = nullptr;
  if (!report->trackEntry.empty()) {
    track = &contents.track;
    if (!SameEntryName(lowerTrackName(report->trackName), lowerTrackName(Stem(report->trackEntry)),
                       true)) {
      report->problems.push_back("track file \"" + report->trackEntry +
                                 "\" is not the saved game's track \"" + report->trackName + "\"");
    }
    if (haveOfficial && !official.same) {
      report->problems.push_back(Differences(contents.track, official, save.blockIndex));
    }
  } else if (haveOfficial) {
    track = &official.head;
  } else {
    report->problems.push_back("number not checked: no track file");
  }
  if (track == nullptr) return;
  const TrackRecord record =
      parseTrackFile(reinterpret_cast<const std::uint8_t*>(track->data()),
                     std::min<std::int64_t>(std::ssize(*track), kGameFileMax), save.blockIndex);
  if (report->driver.empty()) report->driver = record.recordName;
  report->numberKnown = true;
  report->number = timeOrSpeedOf(save, record.trackLength, record.recordValue);
}

// The name the archive was packed under: the saved game's entry, else the
// screenshot's, without its extension.
void CheckPackedName(const std::string& fileName, ProofReport* report) {
  const std::string& staged =
      !report->saveEntry.empty() ? report->saveEntry : report->screenshotEntry;
  if (staged.empty()) return;
  const std::string packed = Stem(staged);
  if (!SamePackedName(Stem(fileName), packed)) {
    report->problems.push_back("packed as " + packed);
  }
}

}  // namespace
}  // namespace check

ProofReport CheckProof(const ArchiveSource& source, const std::string& fileName,
                       const CheckOptions& options) {
  using namespace check;
  ProofReport report;
  report.file = source.path;
  report.systemPath = source.systemPath;
  Contents contents;
  ReadContents(source, options, &report, &contents);
  if (!report.readable && report.saveEntry.empty()) return report;
  if (report.screenshotEntry.empty()) report.problems.push_back("no screenshot");
  if (report.saveEntry.empty()) {
    report.problems.push_back("no saved game: there is no race to check");
  } else {
    CheckRace(contents, options, &report);
    CheckRaceTimes(options, &report);
  }
  CheckPackedName(fileName, &report);
  if (report.hasRace) {
    NameParts parts;
    parts.trackName = lowerTrackName(report.trackName);
    parts.driver = report.driver;
    parts.numberKnown = report.numberKnown;
    parts.number = report.number;
    CheckNameParts(Stem(fileName), parts, options, &report.problems, &report.notes);
  }
  return report;
}
