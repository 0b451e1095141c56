#include "dbf/format.h"
#include "journal/compactor.h"
#include "journal/duplicates.h"
#include "journal/open_table.h"
#include "journal/record_blocks.h"
#include "journal/recovery_log.h"
#include "util/text.h"

namespace dbt {

PackResult PackMarked(TableEngine& engine, const std::string& tablePath, TableHandle table,
                      const Progress& progress) {
  PackResult result;
  if (TrimNulBlank(tablePath).empty() || table == 0) return result;
  journal_detail::ScopedTable scoped(engine, table);
  if (!scoped.OpenExisting(tablePath, OpenAccess::ReadWrite, result)) return result;
  const journal_detail::RecordLayout layout = journal_detail::LayoutOf(engine, table);
  if (layout.recordLength == 0) {
    result.error = TableOpenError::Damaged;
    result.detail = tablePath + ": record length 0";
    return result;
  }
  TableFile& file = scoped.File();
  // The marks that decide what a replayed step moves must be on the disk before any move.
  if (!file.Sync()) {
    journal_detail::SetIoFailure(result, tablePath, "the marks could not be written");
    return result;
  }
  journal_detail::RecoveryLog log(engine.Files(), tablePath,
                                  journal_detail::Compactor::SlotBytes(layout));
  journal_detail::Compactor compactor(engine, table, layout, file, log);

  // Nothing past the old records is touched until every live record has its final slot; the
  // header, written last, still counts the old records until then.
  journal_detail::RecordBlocks blocks(engine, table, layout);
  while (blocks.Advance()) {
    if (!blocks.Read()) {
      journal_detail::SetIoFailure(result, tablePath, "the records could not be read");
      return result;
    }
    for (std::int32_t k = 0; k < blocks.Slots(); ++k) {
      const std::uint8_t* record = blocks.Record(k).data();
      const std::int32_t origin = blocks.First() + k;
      const bool moved =
          record[0] == kDuplicateMark ? compactor.Leave(origin) : compactor.Keep(origin, record);
      if (!moved) {
        journal_detail::SetIoFailure(result, tablePath, "moving a record failed");
        return result;
      }
    }
    if (progress) progress(blocks.End(), layout.count);
  }
  if (!compactor.Flush()) {
    journal_detail::SetIoFailure(result, tablePath, "moving a record failed");
    return result;
  }
  const std::int32_t kept = compactor.Kept();
  if (!journal_detail::WriteCompactedEnd(engine, table, layout, kept, file, log) || !log.Finish()) {
    journal_detail::SetIoFailure(result, tablePath, "the end of the records could not be written");
    return result;
  }
  result.ran = true;
  result.removed = layout.count - kept;
  result.remaining = kept;
  return result;
}

}  // namespace dbt
