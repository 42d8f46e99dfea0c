// Shared set-up of the race tests: a fresh state record with its file
// buffer, a temporary game folder as the working folder, and UTC local time.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string>

#include "core/app.h"
#include "tests/testing/temp_folder.h"

class RaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC0", 1);
    tzset();
    resetAppState();
    ASSERT_TRUE(allocateFileBuffer());
    app().workDir = folder.program();
  }
  void TearDown() override { resetAppState(); }

  TempFolder folder;
};

// Names a parameterised test after its row's label.
struct RowName {
  template <class Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
    return row.param.label;
  }
};

// A file image built field by field, little-endian.
class RawFile {
 public:
  explicit RawFile(std::size_t size, char fill = '\0') : bytes_(size, fill) {}
  RawFile& put8(std::size_t pos, int v) {
    bytes_.at(pos) = static_cast<char>(v & 0xFF);
    return *this;
  }
  RawFile& put16(std::size_t pos, int v) { return put8(pos, v).put8(pos + 1, v >> 8); }
  RawFile& put32(std::size_t pos, std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) put8(pos + i, static_cast<int>(u >> (8 * i)));
    return *this;
  }
  RawFile& text(std::size_t pos, const std::string& s) {
    for (std::size_t i = 0; i < s.size(); ++i) put8(pos + i, static_cast<unsigned char>(s[i]));
    return *this;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};
