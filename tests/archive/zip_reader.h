// A strict reader of the archives the zip writer produces, independent of
// minizip: it walks the file from its first byte and accepts only local
// headers with their data, then central headers, then one end record that
// ends the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ZipLocalEntry {
  std::uint64_t offset = 0;  // of the local header
  std::uint16_t versionNeeded = 0, flags = 0, method = 0, time = 0, date = 0;
  std::uint32_t crc = 0, compressedSize = 0, uncompressedSize = 0;
  std::uint16_t extraLength = 0;
  std::string name;
  std::string data;  // the compressed bytes
};

struct ZipCentralEntry {
  std::uint64_t offset = 0;  // of the central header
  std::uint16_t versionMadeBy = 0, versionNeeded = 0, flags = 0, method = 0, time = 0, date = 0;
  std::uint32_t crc = 0, compressedSize = 0, uncompressedSize = 0;
  std::uint16_t extraLength = 0, commentLength = 0, diskStart = 0, internalAttributes = 0;
  std::uint32_t externalAttributes = 0, localOffset = 0;
  std::string name;
};

struct ZipEndRecord {
  std::uint64_t offset = 0;
  std::uint16_t disk = 0, centralDisk = 0, entriesOnDisk = 0, entriesTotal = 0;
  std::uint32_t centralSize = 0, centralOffset = 0;
  std::uint16_t commentLength = 0;
};

struct ZipArchive {
  std::vector<ZipLocalEntry> locals;
  std::vector<ZipCentralEntry> centrals;
  ZipEndRecord end;
};

// Parses `bytes`. Empty text on success, otherwise what is wrong and where.
std::string ParseZipArchive(std::string_view bytes, ZipArchive* out);

// Inflates a raw deflate stream (no zlib header). False when it is not one
// complete stream using all of `compressed`.
bool InflateRaw(std::string_view compressed, std::string* out);
