#include "tests/archive/zip_reader.h"

#include <zlib.h>

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::size_t kLocalFixed = 30;
constexpr std::size_t kCentralFixed = 46;
constexpr std::size_t kEndFixed = 22;

// Little-endian reads at a position that the caller has checked.
struct Bytes {
  std::string_view data;
  std::uint16_t u16(std::size_t at) const {
    return static_cast<std::uint16_t>(byte(at) | byte(at + 1) << 8);
  }
  std::uint32_t u32(std::size_t at) const {
    return static_cast<std::uint32_t>(u16(at)) | static_cast<std::uint32_t>(u16(at + 2)) << 16;
  }
  unsigned byte(std::size_t at) const { return static_cast<unsigned char>(data[at]); }
  bool has(std::size_t at, std::size_t count) const {
    return at <= data.size() && count <= data.size() - at;
  }
};

std::string At(const char* what, std::size_t pos) {
  return std::string(what) + " at offset " + std::to_string(pos);
}

// Reads the fields that the local and the central header share, in the same
// order from `at` on (the central header has them two bytes further in).
// Returns the length of the name.
template <typename Entry>
std::size_t ReadSharedFields(const Bytes& b, std::size_t at, Entry* e) {
  e->versionNeeded = b.u16(at);
  e->flags = b.u16(at + 2);
  e->method = b.u16(at + 4);
  e->time = b.u16(at + 6);
  e->date = b.u16(at + 8);
  e->crc = b.u32(at + 10);
  e->compressedSize = b.u32(at + 14);
  e->uncompressedSize = b.u32(at + 18);
  e->extraLength = b.u16(at + 24);
  return b.u16(at + 22);
}

std::string ReadLocal(const Bytes& b, std::size_t* pos, ZipLocalEntry* e) {
  std::size_t p = *pos;
  if (!b.has(p, kLocalFixed)) return At("truncated local header", p);
  e->offset = p;
  const std::size_t nameLength = ReadSharedFields(b, p + 4, e);
  if ((e->flags & 0x0008) != 0) return At("data descriptor announced", p);
  p += kLocalFixed;
  if (!b.has(p, nameLength + e->extraLength)) return At("truncated local name", p);
  e->name = std::string(b.data.substr(p, nameLength));
  p += nameLength + e->extraLength;
  if (!b.has(p, e->compressedSize)) return At("truncated entry data", p);
  e->data = std::string(b.data.substr(p, e->compressedSize));
  *pos = p + e->compressedSize;
  return {};
}

std::string ReadCentral(const Bytes& b, std::size_t* pos, ZipCentralEntry* e) {
  std::size_t p = *pos;
  if (!b.has(p, kCentralFixed)) return At("truncated central header", p);
  e->offset = p;
  e->versionMadeBy = b.u16(p + 4);
  const std::size_t nameLength = ReadSharedFields(b, p + 6, e);
  e->commentLength = b.u16(p + 32);
  e->diskStart = b.u16(p + 34);
  e->internalAttributes = b.u16(p + 36);
  e->externalAttributes = b.u32(p + 38);
  e->localOffset = b.u32(p + 42);
  p += kCentralFixed;
  std::size_t rest = nameLength + e->extraLength + e->commentLength;
  if (!b.has(p, rest)) return At("truncated central name", p);
  e->name = std::string(b.data.substr(p, nameLength));
  *pos = p + rest;
  return {};
}

}  // namespace

std::string ParseZipArchive(std::string_view bytes, ZipArchive* out) {
  *out = ZipArchive{};
  Bytes b{bytes};
  std::size_t pos = 0;
  while (b.has(pos, 4) && b.u32(pos) == kLocalSignature) {
    out->locals.emplace_back();
    if (std::string error = ReadLocal(b, &pos, &out->locals.back()); !error.empty()) return error;
  }
  while (b.has(pos, 4) && b.u32(pos) == kCentralSignature) {
    out->centrals.emplace_back();
    if (std::string error = ReadCentral(b, &pos, &out->centrals.back()); !error.empty()) {
      return error;
    }
  }
  if (!b.has(pos, kEndFixed) || b.u32(pos) != kEndSignature) return At("no end record", pos);
  ZipEndRecord& end = out->end;
  end.offset = pos;
  end.disk = b.u16(pos + 4);
  end.centralDisk = b.u16(pos + 6);
  end.entriesOnDisk = b.u16(pos + 8);
  end.entriesTotal = b.u16(pos + 10);
  end.centralSize = b.u32(pos + 12);
  end.centralOffset = b.u32(pos + 16);
  end.commentLength = b.u16(pos + 20);
  pos += kEndFixed + end.commentLength;
  if (pos != bytes.size()) return At("bytes after the end record", pos);
  return {};
}

bool InflateRaw(std::string_view compressed, std::string* out) {
  out->clear();
  z_stream stream{};
  if (inflateInit2(&stream, -15) != Z_OK) return false;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
  stream.avail_in = static_cast<uInt>(compressed.size());
  char buffer[65536];
  int status = Z_OK;
  while (status == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(buffer);
    stream.avail_out = sizeof buffer;
    status = inflate(&stream, Z_NO_FLUSH);
    out->append(buffer, sizeof buffer - stream.avail_out);
    if (status == Z_BUF_ERROR && stream.avail_out != 0) break;  // input ran out
    if (status == Z_BUF_ERROR) status = Z_OK;
  }
  bool complete = status == Z_STREAM_END && stream.avail_in == 0;
  inflateEnd(&stream);
  return complete;
}
