#include "journal/record_scan.h"

#include "journal/open_table.h"
#include "journal/record_blocks.h"

namespace dbt::journal_detail {

bool ScanRecords(TableEngine& engine, TableHandle table, RecordBuffer& buffer,
                 const RecordVisit& visit, const Progress& progress) {
  const RecordLayout layout = LayoutOf(engine, table);
  RecordBlocks blocks(engine, table, layout);
  while (blocks.Advance()) {
    if (!blocks.Read()) return false;
    for (std::int32_t k = 0; k < blocks.Slots(); ++k) {
      if (!engine.DecodeRecord(table, blocks.Record(k), buffer)) return false;
      visit(blocks.First() + k + 1);
    }
    if (progress) progress(blocks.End(), layout.count);
  }
  return true;
}

}  // namespace dbt::journal_detail
