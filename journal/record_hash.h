#pragma once
// A 64-bit hash of a record's bytes, so that equal records are found by sorting instead of
// comparing every pair. Equal hashes are only candidates: the bytes decide.

#include <cstddef>
#include <cstdint>

namespace dbt::journal_detail {

// Never stored: it may change between builds, unlike the recovery file's checksum.
[[nodiscard]] std::uint64_t RecordHash(const std::uint8_t* data, std::size_t size);

// 16 bytes per record: the whole per-record memory of the search before the bytes are compared.
struct HashedSlot {
  std::uint64_t hash;
  std::int32_t slot;  // 0-based
  bool operator<(const HashedSlot& other) const {
    return hash != other.hash ? hash < other.hash : slot < other.slot;
  }
};

}  // namespace dbt::journal_detail
