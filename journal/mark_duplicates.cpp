#include <algorithm>
#include <span>
#include <vector>

#include "dbf/format.h"
#include "journal/confirm_duplicates.h"
#include "journal/duplicate_groups.h"
#include "journal/duplicates.h"
#include "journal/open_table.h"
#include "journal/record_hash.h"

namespace dbt {
using journal_detail::HashedSlot;
using journal_detail::RecordLayout;

MarkResult MarkDuplicates(TableEngine& engine, const std::string& tablePath, TableHandle table,
                          const Progress& progress, RecordHashes* given) {
  MarkResult result;
  // Taken whatever happens next, so that no later marking can meet hashes of an older table.
  std::vector<HashedSlot> hashes;
  if (given != nullptr) hashes.swap(*given);
  journal_detail::ScopedTable scoped(engine, table);
  if (!scoped.OpenExisting(tablePath, OpenAccess::ReadWrite, result)) return result;
  const RecordLayout layout = journal_detail::LayoutOf(engine, table);
  if (layout.count < 2 || layout.recordLength == 0) return result;

  if (hashes.size() != static_cast<std::size_t>(layout.count)) {
    hashes.clear();
  } else if (progress) {
    progress(layout.count, layout.count);
  }
  if (hashes.empty() && !journal_detail::HashRecords(engine, table, layout, hashes, progress)) {
    journal_detail::SetIoFailure(result, tablePath, "the records could not be read; none marked");
    return result;
  }
  journal_detail::DropUniqueHashes(hashes);
  journal_detail::SortHashes(hashes);

  // Only the flag bytes change, over the bytes just read: even a write torn anywhere leaves every
  // record whole and each one marked or not, and the next normalising pass makes them live again.
  const journal_detail::ConfirmResult confirmed =
      journal_detail::MarkConfirmedDuplicates(engine, table, layout, hashes);
  result.marked = confirmed.marked;
  if (!confirmed.ok) {
    journal_detail::SetIoFailure(result, tablePath, confirmed.failure);
    return result;
  }
  // The marks decide what the compaction moves, also when a crash makes a later open finish it.
  if (result.marked > 0 && !scoped.File().Sync()) {
    journal_detail::SetIoFailure(result, tablePath, "the duplicate marks could not be written");
  }
  return result;
}

}  // namespace dbt
