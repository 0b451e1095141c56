#pragma once
// Many records of an open table read a block at a time: the one loop behind every pass over all
// records, so that each costs a system call per block instead of one per record.

#include <cstdint>
#include <span>
#include <vector>

#include "dbf/engine.h"
#include "journal/open_table.h"

namespace dbt::journal_detail {

// Reads slots [first, first + slots) into out (slots whole records long), a block per read.
[[nodiscard]] bool ReadSlots(TableEngine& engine, TableHandle table, const RecordLayout& layout,
                             std::int32_t first, std::int32_t slots, std::span<std::uint8_t> out);

// The records from slot `from` to the last one, perRead slots at a time, in ascending order:
//   RecordBlocks blocks(engine, table, layout);
//   while (blocks.Advance()) { if (!blocks.Read()) ...; for k < blocks.Slots(): blocks.Record(k) }
class RecordBlocks {
 public:
  RecordBlocks(TableEngine& engine, TableHandle table, const RecordLayout& layout,
               std::int32_t from = 0, std::int32_t perRead = 0);

  // The next range of slots; false after the last. Nothing is read yet, so a pass may skip it.
  [[nodiscard]] bool Advance();
  // The range's records into the block; false when the read failed.
  [[nodiscard]] bool Read();

  std::int32_t First() const { return first_; }  // 0-based slot of the range's first record
  std::int32_t Slots() const { return slots_; }
  std::int32_t End() const { return first_ + slots_; }
  std::span<std::uint8_t> Bytes() {
    return std::span(block_).first(static_cast<std::size_t>(slots_) * recordLength_);
  }
  std::span<std::uint8_t> Record(std::int32_t k) {
    return std::span(block_).subspan(static_cast<std::size_t>(k) * recordLength_, recordLength_);
  }

 private:
  TableEngine& engine_;
  TableHandle table_;
  RecordLayout layout_;
  std::size_t recordLength_;
  std::int32_t perRead_;
  std::int32_t next_;
  std::int32_t first_ = 0;
  std::int32_t slots_ = 0;
  std::vector<std::uint8_t> block_;
};

}  // namespace dbt::journal_detail
