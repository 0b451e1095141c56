#include <vector>

#include "cli/backup.h"
#include "cli/console.h"
#include "cli/document_index.h"
#include "cli/document_report.h"
#include "cli/exit_codes.h"
#include "cli/path_scan.h"
#include "cli/progress_line.h"
#include "cli/relocate_more.h"
#include "journal/found_paths.h"
#include "journal/path_change.h"
#include "util/text.h"

namespace dbt::cli {
namespace {

struct FindPlan {
  std::vector<FoundPath> found;    // ascending, each fitting DATEI
  std::vector<std::string> lines;  // one or more per record whose document is missing
  std::int32_t ambiguous = 0;
  std::int32_t notFound = 0;
  std::int32_t tooLong = 0;
  DocumentTally tally;  // present and not checked
};

std::string Candidate(const FoundDocument& document) {
  return document.journalPath.empty() ? document.hostPath : T(document.journalPath);
}

// What becomes of one record whose document is not where DATEI says.
void PlanMissing(std::int32_t record, const std::string& path, const DocumentIndex& index,
                 const Options& options, int fieldLength, FindPlan& plan) {
  const std::string head = "record " + std::to_string(record) + ": " + T(path);
  const std::vector<const FoundDocument*> named =
      index.Named(FileNamePart(path), options.renameToSff);
  if (named.empty()) {
    ++plan.notFound;
    plan.lines.push_back(head + ": not found");
    return;
  }
  if (named.size() > 1) {
    ++plan.ambiguous;
    plan.lines.push_back(head + ": ambiguous, " + std::to_string(named.size()) +
                         " documents of this name; left unchanged:");
    for (const FoundDocument* document : named) plan.lines.push_back("    " + Candidate(*document));
    return;
  }
  const FoundDocument& document = *named.front();
  if (document.journalPath.empty()) {
    // The fax application could not open it by any path this tool could write.
    ++plan.notFound;
    plan.lines.push_back(head + ": not found where the fax application can name it (" +
                         document.hostPath + " lies " +
                         (JournalPathsAreNative() ? "on no drive or share)" : "under no --map prefix)"));
    return;
  }
  const std::string& newPath = document.journalPath;
  if (static_cast<int>(newPath.size()) > fieldLength) {
    ++plan.tooLong;
    plan.lines.push_back(head + " -> " + T(newPath) + " (too long: " +
                         std::to_string(newPath.size()) + " characters, DATEI holds " +
                         std::to_string(fieldLength) + "; left unchanged)");
    return;
  }
  plan.lines.push_back(head + " -> " + T(newPath));
  plan.found.push_back(FoundPath{record, path, newPath});
}

std::string Counts(const FindPlan& plan, std::int64_t found) {
  std::string text = std::to_string(found) + " found, " + std::to_string(plan.ambiguous) +
                     " ambiguous, " + std::to_string(plan.notFound) + " not found, " +
                     std::to_string(plan.tally.present) + " already present";
  if (plan.tally.notChecked > 0) text += ", " + std::to_string(plan.tally.notChecked) + " not checked";
  if (plan.tooLong > 0) text += ", " + std::to_string(plan.tooLong) + " did not fit DATEI";
  return text;
}

int ExitOf(const FindPlan& plan) {
  if (plan.tooLong > 0) return kExitTooLong;
  return plan.ambiguous + plan.notFound > 0 ? kExitMissing : kExitOk;
}

// Every tree read before the table is touched: a folder that cannot be read refuses the whole
// command, since a document in it could make a single find ambiguous.
int WalkTrees(const Options& options, DocumentIndex& index) {
  for (const std::string& folder : options.findFolders) {
    TreeWalk walk;
    {
      ProgressLine progress(folder + ": reading folders");
      walk = index.AddTree(folder, progress.Callback());
    }
    if (!walk.ok()) return Refuse(folder, walk.error + "; nothing written");
    for (const std::string& unreadable : walk.unreadable) {
      Warn(unreadable, "cannot be read; the documents in it are not looked for");
    }
  }
  return kExitOk;
}

// The found paths written: one record in one logged step, all in the in-place pass.
int Store(const Options& options, const TableSummary& s, TableEngine& engine, FindPlan& plan) {
  RecordBuffer buffer;
  if (options.record > 0) {
    std::int32_t record = options.record;
    const PathStoreResult stored = StoreCurrentPath(engine, options.table, kTargetHandle, record,
                                                    s.pathField, plan.found.front().newPath,
                                                    buffer);
    if (!stored.ok()) return Refuse(options.table, OpenFailureText(stored.error, stored.reason));
    return stored.stored ? kExitOk : Refuse(options.table, "the record could not be written");
  }
  FoundPathsResult result;
  {
    ProgressLine progress(options.table + ": writing the paths found");
    result = StoreFoundPaths(engine, options.table, kTargetHandle, plan.found, buffer,
                             progress.Callback());
  }
  if (!result.ok()) return Refuse(options.table, OpenFailureText(result.error, result.reason));
  const std::size_t left = result.tooLong.size() + static_cast<std::size_t>(result.stale);
  if (left > 0) {
    // The plan was read through this command's own hold on the table; nothing should differ.
    Warn(options.table, std::to_string(left) + " of the records found were left unchanged: " +
                            "their DATEI changed while this command ran");
  }
  return kExitOk;
}

}  // namespace

int RunRelocateFind(const Options& options, const TableSummary& s, TableEngine& engine,
                    TableFile* held) {
  DocumentIndex index(options.maps);
  if (const int refused = WalkTrees(options, index)) return refused;
  const int fieldLength = s.fields[s.pathField - 1].length;
  DocumentFinder finder(options.maps);
  FindPlan plan;
  PathScan scan;
  {
    ProgressLine progress(options.table + ": looking up documents");
    scan = ScanPaths(
        engine, options.table, options.record,
        [&](std::int32_t record, const std::string& path) {
          const DocumentState state = finder.Find(path);
          if (state != DocumentState::Missing) {
            plan.tally.Add(state, record, path);
            return;
          }
          PlanMissing(record, path, index, options, fieldLength, plan);
        },
        progress.Callback());
  }
  if (!scan.probe.ok()) {
    return Refuse(options.table, OpenFailureText(scan.probe.open.error, scan.probe.open.detail));
  }
  if (!scan.complete) return Refuse(options.table, "the records could not be read to the end");
  if (!options.dryRun && !plan.found.empty()) {
    if (options.backup && held != nullptr) {
      if (const int refused = BackUpTable(options.table, *held)) return refused;
    }
    if (const int refused = Store(options, s, engine, plan)) return refused;
  }
  if (options.backup && !options.dryRun && plan.found.empty()) {
    Say("no backup made: nothing to write");
  }
  for (const std::string& line : plan.lines) Say(line);
  if (const std::string hint = plan.tally.NotCheckedHint(); !hint.empty()) Say(hint);
  const auto found = static_cast<std::int64_t>(plan.found.size());
  if (options.dryRun) {
    Say("dry run: " + Counts(plan, found) + "; nothing written");
  } else {
    Say(options.table + ": " + Counts(plan, found) +
        (found > 0 ? " (changed records live)" : ""));
  }
  return ExitOf(plan);
}

}  // namespace dbt::cli
