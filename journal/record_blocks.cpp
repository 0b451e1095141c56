#include "journal/record_blocks.h"

#include <algorithm>

namespace dbt::journal_detail {

bool ReadSlots(TableEngine& engine, TableHandle table, const RecordLayout& layout,
               std::int32_t first, std::int32_t slots, std::span<std::uint8_t> out) {
  const std::int32_t perBlock = layout.SlotsPerBlock();
  const std::size_t recordLength = static_cast<std::size_t>(layout.recordLength);
  for (std::int32_t done = 0; done < slots;) {
    const std::int32_t now = std::min(perBlock, slots - done);
    const auto bytes = out.subspan(static_cast<std::size_t>(done) * recordLength,
                                   static_cast<std::size_t>(now) * recordLength);
    if (engine.ReadAt(table, layout.SlotOffset(first + done), bytes) != bytes.size()) return false;
    done += now;
  }
  return true;
}

RecordBlocks::RecordBlocks(TableEngine& engine, TableHandle table, const RecordLayout& layout,
                           std::int32_t from, std::int32_t perRead)
    : engine_(engine),
      table_(table),
      layout_(layout),
      recordLength_(static_cast<std::size_t>(layout.recordLength)),
      perRead_(perRead > 0 ? perRead : layout.SlotsPerBlock()),
      next_(std::max(from, 0)),
      block_(static_cast<std::size_t>(std::min(perRead_, std::max(layout.count, 1))) *
             recordLength_) {}

bool RecordBlocks::Advance() {
  if (recordLength_ == 0 || next_ >= layout_.count) return false;
  first_ = next_;
  slots_ = std::min(perRead_, layout_.count - first_);
  next_ = first_ + slots_;
  return true;
}

bool RecordBlocks::Read() {
  return ReadSlots(engine_, table_, layout_, first_, slots_, Bytes());
}

}  // namespace dbt::journal_detail
