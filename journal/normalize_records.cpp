#include <algorithm>

#include "dbf/format.h"
#include "journal/duplicates.h"
#include "journal/open_table.h"
#include "journal/record_hash.h"
#include "journal/record_pass.h"
#include "journal/record_rewrites.h"

namespace dbt {
NormalizeResult NormalizeRecords(TableEngine& engine, const std::string& tablePath,
                                 TableHandle table, RecordBuffer& buffer, const Progress& progress,
                                 RecordHashes* hashes, NormalizedTail* tail) {
  NormalizeResult result;
  // Emptied first: hashes of an older table must never reach the removal.
  if (hashes != nullptr) hashes->clear();
  RecordHashes tailHashes;
  std::int32_t tailFirst = -1;
  if (tail != nullptr) {
    tailHashes.swap(tail->hashes);
    tailFirst = tail->first;
    tail->Clear();
  }
  journal_detail::ScopedTable scoped(engine, table);
  if (!scoped.OpenExisting(tablePath, OpenAccess::ReadWrite, result)) return result;
  buffer.ClearValues();
  const std::int32_t count = engine.StoredRecordCount(table);
  // Only a tail that ends with the table describes its last records.
  const bool tailFits = tailFirst >= 0 && tailFirst <= count &&
                        tailHashes.size() == static_cast<std::size_t>(count - tailFirst);
  const std::int32_t passEnd = tailFits ? tailFirst : count;
  if (!tailFits) RecordHashes().swap(tailHashes);
  // In place, the header last: a cut run leaves whole records, and since a normalised record
  // normalises to itself, running it again gives the same file.
  const auto normalize = journal_detail::NormalizeRecordRewrite::Of(engine, table);
  if (hashes != nullptr) {
    hashes->reserve(static_cast<std::size_t>(std::max(count, 0)));
  }
  const auto rewrite = [&](std::int32_t record, std::span<std::uint8_t> bytes) {
    const bool changed = normalize.Apply(bytes);
    // The hash of the bytes as they are written, while they are in memory.
    if (hashes != nullptr) {
      hashes->push_back(journal_detail::HashAfterFlag(bytes, record - 1));
    }
    return changed;
  };
  journal_detail::RecoveryLog log(engine.Files(), tablePath,
                                  journal_detail::RewriteSlotBytes(engine, table));
  if (!journal_detail::RewriteRecordBytes(engine, table, rewrite,
                                          {normalize.Changes().offset, normalize.Changes().length},
                                          progress, scoped.File(), log, passEnd)) {
    if (hashes != nullptr) hashes->clear();
    journal_detail::SetIoFailure(result, tablePath, log, "the records could not be read or written");
    return result;
  }
  if (hashes != nullptr) hashes->insert(hashes->end(), tailHashes.begin(), tailHashes.end());
  result.records = count;
  if (!journal_detail::WriteHeaderLast(engine, table, scoped.File(), log) || !log.Finish()) {
    journal_detail::SetIoFailure(result, tablePath, log, "the header could not be written");
  }
  return result;
}

}  // namespace dbt
