#include "journal/tree_move.h"

#include "dbf/format.h"
#include "journal/open_table.h"
#include "journal/record_pass.h"

namespace dbt {

TreeMoveResult MoveTree(TableEngine& engine, const std::string& tablePath, TableHandle table,
                        const PrefixRule& rule, RecordBuffer& buffer, const Progress& progress) {
  TreeMoveResult result;
  journal_detail::ScopedTable scoped(engine, table);
  if (!scoped.OpenExisting(tablePath, OpenAccess::ReadWrite, result)) return result;
  buffer.ClearValues();
  result.records = engine.StoredRecordCount(table);
  const int pathField = engine.FieldIndex(table, "DATEI");
  if (pathField == 0 || !rule.valid()) return result;
  const std::size_t fieldLength = static_cast<std::size_t>(engine.FieldLength(table, pathField));

  // A record that is not stored again keeps its bytes, so records outside the folder are not
  // even normalised; a pass cut between two blocks leaves every record whole, and a second run
  // moves nothing twice unless the new folder lies inside the old one.
  const auto rewrite = [&](std::int32_t record) {
    std::optional<std::string> moved = MovedPath(buffer.FieldValues[pathField], rule);
    if (!moved) {
      ++result.unmatched;
      return false;
    }
    if (moved->size() > fieldLength) {
      // A cut path would name another document; the old one can still be looked up.
      result.tooLong.push_back(record);
      return false;
    }
    buffer.FieldValues[pathField] = std::move(*moved);
    buffer.DeletionFlag.assign(1, static_cast<char>(kLiveFlag));
    ++result.changed;
    return true;
  };
  journal_detail::RewriteRecordsThenHeader(engine, table, tablePath, buffer, rewrite, progress,
                                           scoped.File(), result.changed, result);
  return result;
}

}  // namespace dbt
