#include "journal/checksum.h"

#include <cstring>

namespace dbt::journal_detail {
namespace {

// The multipliers and the final mix of xxHash64, eight bytes per step of a lane.
constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t kPrime3 = 0x165667B19E3779F9ull;

std::uint64_t RotateLeft(std::uint64_t value, int bits) {
  return (value << bits) | (value >> (64 - bits));
}

std::uint64_t Mix(std::uint64_t hash, std::uint64_t word) {
  hash ^= RotateLeft(word * kPrime2, 31) * kPrime1;
  return RotateLeft(hash, 27) * kPrime1 + kPrime3;
}

std::uint64_t Load(const std::uint8_t* data) {
  std::uint64_t word = 0;
  std::memcpy(&word, data, 8);
  return word;
}

}  // namespace

std::uint64_t Checksum(const std::uint8_t* data, std::size_t size) {
  std::uint64_t hash = kPrime3 + static_cast<std::uint64_t>(size) * kPrime2;
  std::size_t at = 0;
  // Four independent lanes over 32 bytes a step, so that the multiplications of one step do
  // not wait for each other.
  if (size >= 32) {
    std::uint64_t lanes[4] = {hash + kPrime1, hash ^ kPrime2, hash - kPrime1, hash ^ kPrime3};
    for (; at + 32 <= size; at += 32) {
      for (int lane = 0; lane < 4; ++lane)
        lanes[lane] = Mix(lanes[lane], Load(data + at + 8 * lane));
    }
    hash = RotateLeft(lanes[0], 1) + RotateLeft(lanes[1], 7) + RotateLeft(lanes[2], 12) +
           RotateLeft(lanes[3], 18);
    for (const std::uint64_t lane : lanes) hash = Mix(hash, lane);
  }
  for (; at + 8 <= size; at += 8) hash = Mix(hash, Load(data + at));
  if (at < size) {
    std::uint64_t word = 0;
    std::memcpy(&word, data + at, size - at);
    hash = Mix(hash, word ^ (static_cast<std::uint64_t>(size - at) << 56));
  }
  hash ^= hash >> 33;
  hash *= kPrime2;
  hash ^= hash >> 29;
  hash *= kPrime3;
  hash ^= hash >> 32;
  return hash;
}

}  // namespace dbt::journal_detail
