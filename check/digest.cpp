// SipHash-2-4 with a 128-bit result, keyed with a random key per run: fast
// enough to run over every pixel of every screenshot, and no archive can be
// made to share a fingerprint with another on purpose, since its author
// never learns the key.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <exception>
#include <random>

#include "check/check_internal.h"

namespace check {
namespace {

std::uint64_t Rotate(std::uint64_t x, int n) { return (x << n) | (x >> (64 - n)); }

std::uint64_t Word(const std::uint8_t* p) {
  std::uint64_t w = 0;
  for (int i = 7; i >= 0; --i) w = (w << 8) | p[i];
  return w;
}

SipHash::Key RunKey() {
  static const SipHash::Key key = [] {
    SipHash::Key k{};
    try {
      std::random_device random;
      for (std::uint64_t& half : k) half = (std::uint64_t{random()} << 32) ^ random();
    } catch (const std::exception&) {
      // No source of randomness: the clock and where this run's code lies.
      k[0] = static_cast<std::uint64_t>(
          std::chrono::high_resolution_clock::now().time_since_epoch().count());
      k[1] = reinterpret_cast<std::uintptr_t>(&k) ^ (k[0] >> 17);
    }
    return k;
  }();
  return key;
}

}  // namespace

SipHash::SipHash() : SipHash(RunKey()) {}

SipHash::SipHash(const Key& key)
    : v_{0x736f6d6570736575ull ^ key[0], 0x646f72616e646f6dull ^ key[1] ^ 0xee,
         0x6c7967656e657261ull ^ key[0], 0x7465646279746573ull ^ key[1]} {}

void SipHash::Rounds(int count) {
  for (int i = 0; i < count; ++i) {
    v_[0] += v_[1];
    v_[1] = Rotate(v_[1], 13) ^ v_[0];
    v_[0] = Rotate(v_[0], 32);
    v_[2] += v_[3];
    v_[3] = Rotate(v_[3], 16) ^ v_[2];
    v_[0] += v_[3];
    v_[3] = Rotate(v_[3], 21) ^ v_[0];
    v_[2] += v_[1];
    v_[1] = Rotate(v_[1], 17) ^ v_[2];
    v_[2] = Rotate(v_[2], 32);
  }
}

void SipHash::Compress(std::uint64_t word) {
  v_[3] ^= word;
  Rounds(2);
  v_[0] ^= word;
}

void SipHash::Add(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  length_ += size;
  if (used_ > 0) {
    const std::size_t take = std::min(size, sizeof buffer_ - used_);
    std::memcpy(buffer_ + used_, p, take);
    used_ += take;
    p += take;
    size -= take;
    if (used_ < sizeof buffer_) return;
    Compress(Word(buffer_));
    used_ = 0;
  }
  for (; size >= 8; p += 8, size -= 8) Compress(Word(p));
  std::memcpy(buffer_, p, size);
  used_ = size;
}

std::array<std::uint8_t, 16> SipHash::Finish() {
  std::uint64_t last = length_ << 56;
  for (std::size_t i = 0; i < used_; ++i) last |= std::uint64_t{buffer_[i]} << (8 * i);
  Compress(last);
  std::array<std::uint8_t, 16> out{};
  v_[2] ^= 0xee;
  Rounds(4);
  std::uint64_t half = v_[0] ^ v_[1] ^ v_[2] ^ v_[3];
  for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(half >> (8 * i));
  v_[1] ^= 0xdd;
  Rounds(4);
  half = v_[0] ^ v_[1] ^ v_[2] ^ v_[3];
  for (int i = 0; i < 8; ++i) out[8 + i] = static_cast<std::uint8_t>(half >> (8 * i));
  return out;
}

Digest SipHash::Fingerprint() {
  Digest d;
  d.bytes = Finish();
  d.known = true;
  return d;
}

}  // namespace check
