#pragma once
// A 64-bit hash of a record's bytes, so that equal records are found by sorting instead of
// comparing every pair. Equal hashes are only candidates: the bytes decide.

#include <cstddef>
#include <cstdint>
#include <span>

namespace dbt::journal_detail {

// Never stored: it may change between builds, unlike the recovery file's checksum.
[[nodiscard]] std::uint64_t RecordHash(const std::uint8_t* data, std::size_t size);

// A record's hash and its slot in one word, 8 bytes per record: the whole per-record memory of
// the search before the bytes are compared. The hash's low 33 bits lie above the slot's 31, so
// that the words' order is the order by hash, then slot; a table's slots are below 2^31. Fewer
// hash bits make a few more records meet by chance, which only costs their comparison.
class HashedSlot {
 public:
  static constexpr int kSlotBits = 31;

  HashedSlot() = default;
  HashedSlot(std::uint64_t hash, std::int32_t slot)
      : word_(hash << kSlotBits | static_cast<std::uint32_t>(slot)) {}

  std::uint64_t Hash() const { return word_ >> kSlotBits; }
  std::int32_t Slot() const {
    return static_cast<std::int32_t>(word_ & ((std::uint64_t{1} << kSlotBits) - 1));
  }
  // The hash's bits from its 33rd down, then the slot's: what sorting and distributing look at.
  std::uint64_t Word() const { return word_; }
  bool operator<(const HashedSlot& other) const { return word_ < other.word_; }

 private:
  std::uint64_t word_ = 0;
};

// A record's hash, of its bytes after the deletion flag (the flag never decides equality), with
// its slot. Every pass that hashes records for the removal goes through here: hashes of the same
// bytes made two ways would not meet.
inline HashedSlot HashAfterFlag(std::span<const std::uint8_t> record, std::int32_t slot) {
  return {RecordHash(record.data() + 1, record.size() - 1), slot};
}

}  // namespace dbt::journal_detail
