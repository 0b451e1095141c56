#include "journal/record_pass.h"

#include <algorithm>
#include <span>
#include <vector>

#include "journal/open_table.h"

namespace dbt::journal_detail {

bool RewriteRecords(TableEngine& engine, TableHandle table, RecordBuffer& buffer,
                    const RecordRewrite& rewrite, const Progress& progress) {
  const RecordLayout layout = LayoutOf(engine, table);
  if (layout.count <= 0 || layout.recordLength == 0) return true;
  // A small table needs no block larger than itself.
  const std::int32_t perBlock = std::min(layout.SlotsPerBlock(), layout.count);
  const std::size_t recordLength = static_cast<std::size_t>(layout.recordLength);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(perBlock) * recordLength);
  for (std::int32_t first = 0; first < layout.count;) {
    const std::int32_t slots = std::min(perBlock, layout.count - first);
    const std::span<std::uint8_t> bytes(block.data(),
                                        static_cast<std::size_t>(slots) * recordLength);
    if (engine.ReadAt(table, layout.SlotOffset(first), bytes) != bytes.size()) return false;
    bool rewritten = false;
    for (std::int32_t k = 0; k < slots; ++k) {
      const auto record = bytes.subspan(static_cast<std::size_t>(k) * recordLength, recordLength);
      if (!engine.DecodeRecord(table, record, buffer)) return false;
      if (!rewrite(first + k + 1)) continue;
      engine.EncodeRecord(table, buffer, record);
      rewritten = true;
    }
    if (rewritten && !engine.WriteAt(table, layout.SlotOffset(first), bytes)) return false;
    first += slots;
    if (progress) progress(first, layout.count);
  }
  return true;
}

}  // namespace dbt::journal_detail
