// Files the store was never meant to see: binary garbage, NUL runs and a
// settings file of 50 MB.
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>

#include "tests/support_settings/settings_fixture.h"

namespace {

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
  return bytes;
}

// Opens, reads the nine keys of the program, writes one and closes, then
// checks that the written key reads back from the file on disk.
void RunProgramRound(const std::string& path) {
  program_keys::ReadAll();
  SettingsFile::writeInt("fresh-key", 4242);
  SettingsFile::close();
  ASSERT_NE(SettingsFile::open(path), 0);
  EXPECT_EQ(SettingsFile::readInt("fresh-key", 0), 4242);
  SettingsFile::close();
}

TEST_F(SettingsTest, BinaryGarbageAndNulRunsAreHandled) {
  const std::string inputs[] = {
      RandomBytes(1 << 20, 1),         "\xEF\xBB\xBF" + RandomBytes(1 << 16, 2),
      std::string(1 << 16, '\0'),      "\xEF\xBB\xBF" + std::string(100, '\0'),
      "[" + std::string(1000, '\xFF'),
  };
  for (std::size_t i = 0; i < std::size(inputs); ++i) {
    SCOPED_TRACE(i);
    ASSERT_NE(openWith(inputs[i]), 0);
    RunProgramRound(path());
  }
}

TEST_F(SettingsTest, FiftyMegabyteFileIsReadAndWrittenInLinearTime) {
  std::string bytes;
  bytes.reserve(51u << 20);
  char line[80];
  for (int n = 0; bytes.size() < (50u << 20); ++n) {
    const int length =
        std::snprintf(line, sizeof line, "key%d=%07d a value of some length\n", n, n);
    bytes.append(line, static_cast<std::size_t>(length));
  }
  bytes += "Track = 7\n[group]\n";
  const std::size_t groupAt = bytes.size();
  for (int n = 0; n < 1000; ++n) bytes += "hidden" + std::to_string(n) + "=1\n";
  dir.write(kName, bytes);

  // Processor time, which a busy machine does not lengthen.
  const std::clock_t start = std::clock();
  ASSERT_NE(SettingsFile::open(path()), 0);
  EXPECT_EQ(SettingsFile::readInt("track", 0), 7);
  EXPECT_EQ(SettingsFile::readInt("key12345", -1), 12345);
  EXPECT_EQ(SettingsFile::readInt("hidden5", -1), -1);
  for (int n = 0; n < 5; ++n) SettingsFile::writeInt("new" + std::to_string(n), n);
  SettingsFile::close();
  EXPECT_LT(double(std::clock() - start) / CLOCKS_PER_SEC, 20.0);

  const std::string written = onDisk();
  const std::string tail = "new4 = 4\r\n[group]\r\nhidden0 = 1\r\n";
  EXPECT_NE(written.find(tail), std::string::npos);
  EXPECT_EQ(written.substr(0, 37), "key0 = 0000000 a value of some length");
  EXPECT_GT(written.size(), groupAt);
}

}  // namespace
