#include <cstdio>
#include <functional>
#include <span>
#include <vector>

#include "cli/backup.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/exit_codes.h"
#include "cli/progress_line.h"
#include "cli/relocate_more.h"
#include "cli/table_probe.h"
#include "journal/path_change.h"
#include "util/text.h"

namespace dbt::cli {
namespace {

struct PathPlan {
  std::int32_t record = 0;
  std::string oldPath;  // ANSI, trailing NUL and blanks removed
  std::string newPath;  // ANSI
  bool fits = true;
};

PathRule RuleOf(const Options& options) {
  PathRule rule;
  rule.targetFolder = options.targetFolder;
  rule.renameToSff = options.renameToSff;
  return rule;
}

using PlanSink = std::function<void(const PathPlan&)>;

// Old and new path of the records named, in their order, read through one read-only open: what
// --dry-run shows and what names the records that a real run leaves unchanged.
ProbeResult PlanPaths(TableEngine& engine, const Options& options,
                      std::span<const std::int32_t> records, RecordBuffer& buffer,
                      const PlanSink& sink) {
  const PathRule rule = RuleOf(options);
  return ProbeTable(engine, options.table, kTargetHandle, [&](TableEngine& e, TableHandle h) {
    const int pathField = e.FieldIndex(h, "DATEI");
    if (pathField == 0) return;
    const int limit = e.FieldLength(h, pathField);
    for (const std::int32_t wanted : records) {
      if (wanted < 1 || wanted > e.StoredRecordCount(h)) continue;
      std::int32_t n = wanted;
      e.LoadRecord(h, n, buffer);
      PathPlan plan;
      plan.record = n;
      plan.oldPath = TrimTrailingNulBlank(buffer.FieldValues[pathField]);
      plan.newPath = BuildNewPath(plan.oldPath, rule);
      plan.fits = static_cast<int>(plan.newPath.size()) <= limit;
      sink(plan);
    }
  });
}

std::vector<std::int32_t> RecordRange(std::int32_t first, std::int32_t last) {
  std::vector<std::int32_t> records;
  for (std::int32_t i = first; i <= last; ++i) records.push_back(i);
  return records;
}

std::string TooLongText(const PathPlan& plan, int fieldLength) {
  return "record " + std::to_string(plan.record) + " left unchanged: new path " + T(plan.newPath) +
         " has " + std::to_string(plan.newPath.size()) + " characters, DATEI holds " +
         std::to_string(fieldLength);
}

int FieldLengthOf(const TableSummary& s) {
  return s.fields[s.pathField - 1].length;
}

int DryRun(const Options& options, const TableSummary& s, std::int32_t first, std::int32_t last,
           TableEngine& engine) {
  RecordBuffer buffer;
  std::int32_t planned = 0;
  std::int32_t unchanged = 0;
  const ProbeResult probe =
      PlanPaths(engine, options, RecordRange(first, last), buffer, [&](const PathPlan& plan) {
        ++planned;
        std::string line = "record " + std::to_string(plan.record) + ": " + T(plan.oldPath) +
                           " -> " + T(plan.newPath);
        if (!plan.fits) {
          ++unchanged;
          line += " (too long: " + std::to_string(plan.newPath.size()) +
                  " characters, DATEI holds " + std::to_string(FieldLengthOf(s)) +
                  "; would be left unchanged)";
        }
        Say(line);
      });
  if (!probe.ok()) {
    return Refuse(options.table, OpenFailureText(probe.open.error, probe.open.detail));
  }
  Say("dry run: " + std::to_string(planned - unchanged) + " of " + std::to_string(planned) +
      " records would change, " + std::to_string(unchanged) +
      " would be left unchanged; nothing written");
  return unchanged > 0 ? kExitTooLong : kExitOk;
}

int RelocateOne(const Options& options, const TableSummary& s, TableEngine& engine) {
  RecordBuffer buffer;
  std::vector<PathPlan> plans;
  const std::int32_t wanted[] = {options.record};
  const ProbeResult probe = PlanPaths(engine, options, wanted, buffer,
                                      [&plans](const PathPlan& plan) { plans.push_back(plan); });
  if (!probe.ok()) {
    return Refuse(options.table, OpenFailureText(probe.open.error, probe.open.detail));
  }
  if (plans.size() != 1) return Refuse(options.table, "record could not be read");
  const PathPlan& plan = plans.front();
  std::int32_t record = plan.record;
  const PathStoreResult stored = StoreCurrentPath(engine, options.table, kTargetHandle, record,
                                                  s.pathField, plan.newPath, buffer);
  if (!stored.ok()) return Refuse(options.table, OpenFailureText(stored.error, stored.reason));
  if (stored.tooLong || !stored.stored) {
    Say(TooLongText(plan, FieldLengthOf(s)));
    return kExitTooLong;
  }
  Say("record " + std::to_string(record) + ": " + T(plan.oldPath) + " -> " + T(plan.newPath));
  Say(options.table + ": 1 record changed (and live)");
  return kExitOk;
}

int RelocateAll(const Options& options, const TableSummary& s, TableEngine& engine) {
  RecordBuffer buffer;
  int pathField = 0;
  PathChangeResult result;
  {
    ProgressLine progress(options.table + ": changing paths");
    result = ChangeAllPaths(engine, options.table, kTargetHandle, RuleOf(options), buffer,
                            pathField, progress.Callback());
  }
  if (!result.ok()) return Refuse(options.table, OpenFailureText(result.error, result.reason));
  // The records left unchanged still hold their old path: read again, they name themselves.
  // The change is done whatever this read meets; then the numbers alone must do.
  if (!result.tooLong.empty()) {
    const ProbeResult listed =
        PlanPaths(engine, options, result.tooLong, buffer,
                  [&s](const PathPlan& plan) { Say(TooLongText(plan, FieldLengthOf(s))); });
    if (!listed.ok()) {
      for (const std::int32_t record : result.tooLong) {
        Say("record " + std::to_string(record) +
            " left unchanged: its new path does not fit DATEI");
      }
    }
  }
  std::string summary = options.table + ": " + std::to_string(result.changed) + " of " +
                        std::to_string(result.records) + " records changed to folder " +
                        T(options.targetFolder);
  if (!result.tooLong.empty()) {
    summary += ", " + std::to_string(result.tooLong.size()) +
               " left unchanged because the new path does not fit DATEI";
  }
  Say(summary);
  return result.tooLong.empty() ? kExitOk : kExitTooLong;
}

}  // namespace

int RunRelocate(const Options& options, TableEngine& engine) {
  TableSession session;
  if (!options.dryRun) {
    if (const int refused = HoldTable(engine, options.table, session)) return refused;
  }
  TableSummary s;
  if (const int refused = RequireJournal(engine, options.table, s)) return refused;
  if (const int refused = RefuseRecordsPastCount(options, s)) return refused;
  const bool one = options.record > 0;
  if (one && options.record > s.records) {
    return Refuse(options.table, "no record " + std::to_string(options.record) +
                                     " (the table holds " + std::to_string(s.records) + ")");
  }
  // The trees are read before the backup, so that a folder that cannot be read leaves nothing.
  if (!options.findFolders.empty()) return RunRelocateFind(options, s, engine, session.File());
  if (options.dryRun && (options.check || !options.fromFolder.empty())) {
    return RunRelocatePreview(options, s, engine);
  }
  if (options.dryRun) {
    return DryRun(options, s, one ? options.record : 1, one ? options.record : s.records, engine);
  }
  if (options.backup) {
    if (const int refused = BackUpTable(options.table, *session.File())) return refused;
  }
  if (!options.fromFolder.empty()) return RunRelocateTree(options, s, engine);
  return one ? RelocateOne(options, s, engine) : RelocateAll(options, s, engine);
}

}  // namespace dbt::cli
