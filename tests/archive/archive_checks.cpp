#include "tests/archive/archive_checks.h"

#include <sys/wait.h>
#include <zlib.h>

#include <cstdlib>
#include <ctime>

#include "archive/zip_writer.h"
#include "platform/platform.h"

void ZipWriterTest::SetUp() {
  InitZipWriter();
  platform::ResetFaults();
  platform::SetPausesEnabled(false);
}

void ZipWriterTest::TearDown() {
  CloseArchive();
  platform::ResetFaults();
  platform::SetPausesEnabled(true);
}

namespace {

void ExpectEntryHeaders(const ZipLocalEntry& local, const ZipCentralEntry& central) {
  SCOPED_TRACE("entry " + central.name);
  EXPECT_EQ(central.localOffset, local.offset);
  EXPECT_EQ(central.name, local.name);
  EXPECT_EQ(central.versionMadeBy, 0);
  EXPECT_EQ(local.versionNeeded, 20);
  EXPECT_EQ(central.versionNeeded, 20);
  EXPECT_EQ(local.flags, 0x0002);
  EXPECT_EQ(central.flags, 0x0002);
  EXPECT_EQ(local.method, 8);
  EXPECT_EQ(central.method, 8);
  EXPECT_EQ(central.time, local.time);
  EXPECT_EQ(central.date, local.date);
  EXPECT_EQ(central.crc, local.crc);
  EXPECT_EQ(central.compressedSize, local.compressedSize);
  EXPECT_EQ(central.uncompressedSize, local.uncompressedSize);
  EXPECT_EQ(local.extraLength, 0);
  EXPECT_EQ(central.extraLength, 0);
  EXPECT_EQ(central.commentLength, 0);
  EXPECT_EQ(central.diskStart, 0);
  EXPECT_LE(central.internalAttributes, 1);
  EXPECT_FALSE(local.name.empty());
  EXPECT_NE(local.name.back(), '/') << "no folder entries";
}

std::string ReadHostFile(const std::string& hostPath) {
  std::string bytes;
  if (std::FILE* f = std::fopen(hostPath.c_str(), "rb")) {
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
  }
  return bytes;
}

}  // namespace

ZipArchive ExpectWellFormed(const std::string& hostPath) {
  SCOPED_TRACE(hostPath);
  ZipArchive zip;
  std::string bytes = ReadHostFile(hostPath);
  std::string error = ParseZipArchive(bytes, &zip);
  EXPECT_EQ(error, "");
  if (!error.empty()) return zip;
  EXPECT_EQ(zip.locals.size(), zip.centrals.size());
  for (std::size_t i = 0; i < zip.locals.size() && i < zip.centrals.size(); ++i) {
    ExpectEntryHeaders(zip.locals[i], zip.centrals[i]);
    EntryData(zip.locals[i]);
  }
  const ZipEndRecord& end = zip.end;
  EXPECT_EQ(end.disk, 0);
  EXPECT_EQ(end.centralDisk, 0);
  EXPECT_EQ(end.entriesOnDisk, zip.centrals.size());
  EXPECT_EQ(end.entriesTotal, zip.centrals.size());
  std::uint64_t centralStart = zip.centrals.empty() ? end.offset : zip.centrals.front().offset;
  EXPECT_EQ(end.centralOffset, centralStart);
  EXPECT_EQ(end.centralSize, end.offset - centralStart);
  EXPECT_EQ(end.commentLength, 0);
  // unzip calls an archive without entries "empty" and fails on it.
  if (!zip.centrals.empty()) {
    EXPECT_TRUE(UnzipAccepts(hostPath));
  }
  return zip;
}

std::string EntryData(const ZipLocalEntry& entry) {
  std::string data;
  EXPECT_TRUE(InflateRaw(entry.data, &data)) << entry.name;
  EXPECT_EQ(data.size(), entry.uncompressedSize) << entry.name;
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
  EXPECT_EQ(crc, entry.crc) << entry.name;
  return data;
}

bool UnzipAccepts(const std::string& hostPath) {
  std::string command = "unzip -tqq '" + hostPath + "' >/dev/null 2>&1";
  int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string NoisyBytes(std::size_t count, std::uint32_t seed) {
  std::string bytes(count, '\0');
  std::uint32_t x = seed | 1;
  for (std::size_t i = 0; i < count; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    // A slow gradient with a little noise on top.
    bytes[i] = static_cast<char>((i / 64) % 256 + (x & 7));
  }
  return bytes;
}

std::string RandomBytes(std::size_t count, std::uint32_t seed) {
  std::string bytes(count, '\0');
  std::uint32_t x = seed;
  for (char& c : bytes) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 24);
  }
  return bytes;
}

ScopedTimeZone::ScopedTimeZone(const char* zone) {
  if (const char* old = std::getenv("TZ")) {
    had_ = true;
    previous_ = old;
  }
  setenv("TZ", zone, 1);
  tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
  if (had_) {
    setenv("TZ", previous_.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}
