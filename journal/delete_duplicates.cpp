#include "journal/duplicates.h"
#include "journal/table_session.h"

namespace dbt {
namespace {

void TakeFailure(JournalResult& into, const JournalResult& from) {
  into.error = from.error;
  into.detail = from.detail;
  into.reason = from.reason;
}

}  // namespace

// The steps share one exclusive open. A run cut in any step is repaired by running the whole
// deletion again: normalising makes every left-over mark live, and every record that a cut
// compaction left behind its write position is either copied further up or an equal of an
// earlier record, so removing again removes exactly those.
DedupeResult DeleteDuplicates(TableEngine& engine, const std::string& tablePath, TableHandle table,
                              RecordBuffer& buffer, const Progress& progress,
                              NormalizedTail* tail) {
  DedupeResult result;
  TableSession session;
  if (engine.Files().Exists(tablePath)) {
    const JournalResult held = session.Begin(engine.Files(), tablePath);
    if (!held.ok()) {
      if (tail != nullptr) tail->Clear();
      TakeFailure(result, held);
      if (result.detail.empty()) result.detail = tablePath;
      return result;
    }
  }
  RecordHashes hashes;
  const NormalizeResult normalized =
      NormalizeRecords(engine, tablePath, table, buffer, progress, &hashes, tail);
  if (!normalized.ok()) {
    TakeFailure(result, normalized);
    return result;
  }
  result.before = normalized.records;
  result.after = normalized.records;
  const RemovalResult removed = RemoveDuplicates(engine, tablePath, table, progress, &hashes);
  if (!removed.ok()) {
    TakeFailure(result, removed);
    return result;
  }
  result.removed = removed.removed;
  result.after = removed.remaining;
  return result;
}
}  // namespace dbt
