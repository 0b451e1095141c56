#include <optional>

#include "cli/console.h"
#include "cli/exit_codes.h"
#include "cli/path_scan.h"
#include "cli/progress_line.h"
#include "cli/relocate_more.h"
#include "journal/path_change.h"
#include "journal/tree_move.h"

namespace dbt::cli {
namespace {

std::string TooLongText(std::int32_t record, const std::string& newPath, int fieldLength) {
  return "record " + std::to_string(record) + " left unchanged: new path " + T(newPath) + " has " +
         std::to_string(newPath.size()) + " characters, DATEI holds " + std::to_string(fieldLength);
}

std::string SummaryLine(const Options& options, const PrefixRule& rule, std::int32_t changed,
                        std::int32_t records, std::int32_t unmatched, std::size_t tooLong) {
  return options.table + ": " + std::to_string(changed) + " of " + std::to_string(records) +
         " records changed from " + T(rule.from + "\\") + " to " + T(rule.to + "\\") + ", " +
         std::to_string(unmatched) + " did not match, " + std::to_string(tooLong) +
         " did not fit DATEI";
}

int MoveOne(const Options& options, const TableSummary& s, const PrefixRule& rule,
            TableEngine& engine) {
  const int fieldLength = s.fields[s.pathField - 1].length;
  std::optional<std::string> oldPath;
  const PathScan scan = ScanPaths(engine, options.table, options.record,
                                  [&](std::int32_t, const std::string& path) { oldPath = path; });
  if (!scan.probe.ok()) {
    return Refuse(options.table, OpenFailureText(scan.probe.open.error, scan.probe.open.detail));
  }
  if (!oldPath) return Refuse(options.table, "record could not be read");
  const std::string head = "record " + std::to_string(options.record) + ": " + T(*oldPath);
  const std::optional<std::string> newPath = MovedPath(*oldPath, rule);
  if (!newPath) {
    Say(head + " is not under " + T(rule.from + "\\") + "; left unchanged");
    Say(SummaryLine(options, rule, 0, 1, 1, 0));
    return kExitOk;
  }
  RecordBuffer buffer;
  std::int32_t record = options.record;
  const PathStoreResult stored =
      StoreCurrentPath(engine, options.table, kTargetHandle, record, s.pathField, *newPath, buffer);
  if (!stored.ok()) return Refuse(options.table, OpenFailureText(stored.error, stored.reason));
  if (stored.tooLong || !stored.stored) {
    Say(TooLongText(record, *newPath, fieldLength));
    Say(SummaryLine(options, rule, 0, 1, 0, 1));
    return kExitTooLong;
  }
  Say(head + " -> " + T(*newPath));
  Say(SummaryLine(options, rule, 1, 1, 0, 0) + " (and live)");
  return kExitOk;
}

int MoveAll(const Options& options, const TableSummary& s, const PrefixRule& rule,
            TableEngine& engine) {
  const int fieldLength = s.fields[s.pathField - 1].length;
  RecordBuffer buffer;
  TreeMoveResult result;
  {
    ProgressLine progress(options.table + ": moving paths");
    result = MoveTree(engine, options.table, kTargetHandle, rule, buffer, progress.Callback());
  }
  if (!result.ok()) return Refuse(options.table, OpenFailureText(result.error, result.reason));
  // The records left unchanged still hold their old path: read again, they name themselves.
  // The numbers come in ascending order, so one pass finds them all. The change is done
  // whatever this read meets; then the numbers alone must do.
  if (!result.tooLong.empty()) {
    std::size_t next = 0;
    const PathScan listed =
        ScanPaths(engine, options.table, 0, [&](std::int32_t record, const std::string& path) {
          if (next >= result.tooLong.size() || result.tooLong[next] != record) return;
          ++next;
          const std::optional<std::string> newPath = MovedPath(path, rule);
          if (newPath) Say(TooLongText(record, *newPath, fieldLength));
        });
    if (!listed.ok() || next < result.tooLong.size()) {
      for (; next < result.tooLong.size(); ++next) {
        Say("record " + std::to_string(result.tooLong[next]) +
            " left unchanged: its new path does not fit DATEI");
      }
    }
  }
  Say(SummaryLine(options, rule, result.changed, result.records, result.unmatched,
                  result.tooLong.size()) +
      (result.changed > 0 ? " (changed records live)" : ""));
  return result.tooLong.empty() ? kExitOk : kExitTooLong;
}

}  // namespace

int RunRelocateTree(const Options& options, const TableSummary& s, TableEngine& engine) {
  const PrefixRule rule =
      MakePrefixRule(options.fromFolder, options.targetFolder, options.renameToSff);
  if (!rule.valid()) return Refuse(options.table, "--from names no folder");
  return options.record > 0 ? MoveOne(options, s, rule, engine) : MoveAll(options, s, rule, engine);
}

}  // namespace dbt::cli
