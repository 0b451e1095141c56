#include "journal/record_pass.h"

#include <algorithm>
#include <span>
#include <vector>

#include "journal/open_table.h"

namespace dbt::journal_detail {

bool RewriteRecordBytes(TableEngine& engine, TableHandle table, const RecordBytesRewrite& rewrite,
                        const Progress& progress) {
  const RecordLayout layout = LayoutOf(engine, table);
  if (layout.count <= 0 || layout.recordLength == 0) return true;
  const std::int32_t perBlock = layout.SlotsPerBlock();
  const std::size_t recordLength = static_cast<std::size_t>(layout.recordLength);
  std::vector<std::uint8_t> block(static_cast<std::size_t>(perBlock) * recordLength);
  for (std::int32_t first = 0; first < layout.count;) {
    const std::int32_t slots = std::min(perBlock, layout.count - first);
    const std::span<std::uint8_t> bytes(block.data(),
                                        static_cast<std::size_t>(slots) * recordLength);
    if (engine.ReadAt(table, layout.SlotOffset(first), bytes) != bytes.size()) return false;
    bool changed = false;
    for (std::int32_t k = 0; k < slots; ++k) {
      const auto record = bytes.subspan(static_cast<std::size_t>(k) * recordLength, recordLength);
      if (rewrite(first + k + 1, record)) changed = true;
    }
    if (changed && !engine.WriteAt(table, layout.SlotOffset(first), bytes)) return false;
    first += slots;
    if (progress) progress(first, layout.count);
  }
  return true;
}

}  // namespace dbt::journal_detail
