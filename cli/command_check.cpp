#include "cli/commands.h"
#include "cli/console.h"
#include "cli/document_report.h"
#include "cli/exit_codes.h"
#include "cli/path_scan.h"
#include "cli/progress_line.h"

namespace dbt::cli {

// Read-only: the table is opened for reading, and no file is written anywhere.
int RunCheck(const Options& options, TableEngine& engine) {
  TableSummary s;
  if (const int refused = RequireJournal(engine, options.table, s)) return refused;
  DocumentFinder finder(options.maps);
  DocumentTally tally;
  PathScan scan;
  {
    ProgressLine progress(options.table + ": looking up documents");
    scan = ScanPaths(
        engine, options.table, 0,
        [&](std::int32_t record, const std::string& path) {
          const DocumentState state = finder.Find(path);
          tally.Add(state, record, path);
          if (state == DocumentState::Missing) {
            progress.BeforeOutput();
            Say("record " + std::to_string(record) + ": " + T(path) + ": missing");
          }
        },
        progress.Callback());
  }
  if (!scan.probe.ok()) {
    return Refuse(options.table, OpenFailureText(scan.probe.open.error, scan.probe.open.detail));
  }
  if (!scan.complete) return Refuse(options.table, "the records could not be read to the end");
  if (const std::string hint = tally.NotCheckedHint(); !hint.empty()) Say(hint);
  Say(options.table + ": " + tally.Summary());
  return tally.missing > 0 ? kExitMissing : kExitOk;
}

}  // namespace dbt::cli
