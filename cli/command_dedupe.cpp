#include "cli/backup.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/exit_codes.h"
#include "cli/progress_line.h"
#include "cli/table_probe.h"
#include "journal/duplicates.h"

namespace dbt::cli {

int RunDedupe(const Options& options, TableEngine& engine) {
  TableSession session;
  if (const int refused = HoldTable(engine, options.table, session)) return refused;
  TableSummary s;
  if (const int refused = RequireJournal(engine, options.table, s)) return refused;
  if (const int refused = RefuseRecordsPastCount(options, s)) return refused;
  if (options.backup) {
    if (const int refused = BackUpTable(options.table, *session.File())) return refused;
  }
  RecordBuffer buffer;
  DedupeResult result;
  {
    ProgressLine progress(options.table + ": deleting duplicates");
    result = DeleteDuplicates(engine, options.table, kTargetHandle, buffer, progress.Callback());
  }
  if (!result.ok()) return Refuse(options.table, OpenFailureText(result.error, result.reason));
  if (result.removed == 0) {
    Say(options.table + ": no duplicates among " + std::to_string(result.before) +
        " records; every record rewritten once and live");
    return kExitOk;
  }
  Say(options.table + ": " + std::to_string(result.removed) + " duplicates removed, " +
      std::to_string(result.after) + " of " + std::to_string(result.before) +
      " records left (every record live)");
  return kExitOk;
}

}  // namespace dbt::cli
