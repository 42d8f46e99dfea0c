// list-entries ARCHIVE: "ok" on the first line when the checker finds
// nothing wrong with the archive's structure and entries (which every proof
// it calls ok satisfies; the name and the race are not looked at), otherwise
// "problem"; then each entry it read intact as "NAME-IN-HEX SIZE CRC-32",
// for comparison with other readers.
#include <zlib.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "check/check_internal.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: list-entries ARCHIVE\n", stderr);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return 2;
  ArchiveSource source;
  source.data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  source.size = bytes.size();
  std::vector<std::string> problems;
  std::uint64_t inflated = 0;
  std::string listed;
  const bool read = check::ReadEntries(
      source, [](const check::EntryRecord&, std::uint64_t*) { return true; },
      [&](const check::EntryRecord& entry, std::string& data) {
        char hex[3];
        for (unsigned char c : entry.name) {
          std::snprintf(hex, sizeof hex, "%02x", c);
          listed += hex;
        }
        const uLong crc =
            crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
        char numbers[48];
        std::snprintf(numbers, sizeof numbers, " %zu %lu\n", data.size(),
                      static_cast<unsigned long>(crc));
        listed += numbers;
      },
      &problems, &inflated);
  std::printf("%s\n%s", read && problems.empty() ? "ok" : "problem", listed.c_str());
  return 0;
}
