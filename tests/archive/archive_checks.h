// Shared fixture and checks for the zip writer tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "tests/archive/zip_reader.h"
#include "tests/testing/temp_folder.h"

// A fresh writer and fault table per test, pauses counted but not slept.
class ZipWriterTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  TempFolder folder_;
};

// Reads the archive at a host path and checks every property that all
// archives of the writer share; the parsed archive for further checks.
ZipArchive ExpectWellFormed(const std::string& hostPath);
// The inflated data of an entry (checked against its CRC-32 and size).
std::string EntryData(const ZipLocalEntry& entry);
// True when the system's unzip tests the archive without complaint.
bool UnzipAccepts(const std::string& hostPath);
// Deterministic bytes that compress somewhat, like a screenshot with noise.
std::string NoisyBytes(std::size_t count, std::uint32_t seed);
// Deterministic bytes that hardly compress at all.
std::string RandomBytes(std::size_t count, std::uint32_t seed);
// Sets TZ for the lifetime of the object.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone);
  ~ScopedTimeZone();
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  bool had_ = false;
  std::string previous_;
};
