#include "cli/path_scan.h"

#include "journal/record_scan.h"
#include "util/text.h"

namespace dbt::cli {

PathScan ScanPaths(TableEngine& engine, const std::string& table, std::int32_t onlyRecord,
                   const PathVisit& visit, const Progress& progress) {
  PathScan scan;
  RecordBuffer buffer;
  scan.probe = ProbeTable(engine, table, kTargetHandle, [&](TableEngine& e, TableHandle h) {
    const int pathField = e.FieldIndex(h, "DATEI");
    if (pathField == 0) return;
    if (onlyRecord > 0) {
      if (onlyRecord > e.StoredRecordCount(h)) return;
      std::int32_t n = onlyRecord;
      e.LoadRecord(h, n, buffer);
      visit(n, TrimTrailingNulBlank(buffer.FieldValues[pathField]));
      return;
    }
    scan.complete = journal_detail::ScanRecords(
        e, h, buffer,
        [&](std::int32_t record) {
          visit(record, TrimTrailingNulBlank(buffer.FieldValues[pathField]));
        },
        progress);
  });
  return scan;
}

}  // namespace dbt::cli
