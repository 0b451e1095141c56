#include "journal/found_paths.h"

#include "dbf/format.h"
#include "journal/open_table.h"
#include "journal/record_pass.h"
#include "util/text.h"

namespace dbt {

FoundPathsResult StoreFoundPaths(TableEngine& engine, const std::string& tablePath,
                                 TableHandle table, const std::vector<FoundPath>& paths,
                                 RecordBuffer& buffer, const Progress& progress) {
  FoundPathsResult result;
  journal_detail::ScopedTable scoped(engine, table);
  if (!scoped.OpenExisting(tablePath, OpenAccess::ReadWrite, result)) return result;
  buffer.ClearValues();
  result.records = engine.StoredRecordCount(table);
  const int pathField = engine.FieldIndex(table, "DATEI");
  if (pathField == 0 || paths.empty()) return result;
  const std::size_t fieldLength = static_cast<std::size_t>(engine.FieldLength(table, pathField));

  // The same in-place pass as the tree move: records not named are not stored again and keep
  // their bytes, and a pass cut between two steps leaves every record whole. A second run finds
  // the moved documents present and changes nothing.
  std::size_t next = 0;
  const auto rewrite = [&](std::int32_t record) {
    while (next < paths.size() && paths[next].record < record) ++next;
    if (next >= paths.size() || paths[next].record != record) return false;
    const FoundPath& found = paths[next];
    // The plan was read from this open's table; a path that differs now was not planned for.
    if (TrimTrailingNulBlank(buffer.FieldValues[pathField]) != found.oldPath) {
      ++result.stale;
      return false;
    }
    if (found.newPath.size() > fieldLength) {
      result.tooLong.push_back(record);
      return false;
    }
    buffer.FieldValues[pathField] = found.newPath;
    buffer.DeletionFlag.assign(1, static_cast<char>(kLiveFlag));
    ++result.changed;
    return true;
  };
  journal_detail::RewriteRecordsThenHeader(engine, table, tablePath, buffer, rewrite, progress,
                                           scoped.File(), result.changed, result);
  return result;
}

}  // namespace dbt
