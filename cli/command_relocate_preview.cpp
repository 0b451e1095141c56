#include <optional>

#include "cli/console.h"
#include "cli/document_report.h"
#include "cli/exit_codes.h"
#include "cli/path_scan.h"
#include "cli/progress_line.h"
#include "cli/relocate_more.h"
#include "journal/path_change.h"
#include "journal/path_prefix.h"

namespace dbt::cli {
namespace {

struct PreviewCounts {
  std::int32_t records = 0;
  std::int32_t change = 0;
  std::int32_t unmatched = 0;
  std::int32_t tooLong = 0;
};

// The path a record would get, or nothing when the rule leaves it alone.
class NewPathRule {
 public:
  explicit NewPathRule(const Options& options)
      : tree_(!options.fromFolder.empty()),
        prefix_(MakePrefixRule(options.fromFolder, options.targetFolder, options.renameToSff)) {
    folder_.targetFolder = options.targetFolder;
    folder_.renameToSff = options.renameToSff;
  }
  std::optional<std::string> Of(const std::string& path) const {
    if (tree_) return MovedPath(path, prefix_);
    return BuildNewPath(path, folder_);
  }
  bool Tree() const { return tree_; }
  std::string From() const { return prefix_.from + "\\"; }

 private:
  bool tree_;
  PrefixRule prefix_;
  PathRule folder_;
};

std::string SummaryLine(const NewPathRule& rule, const PreviewCounts& c) {
  std::string line = "dry run: " + std::to_string(c.change) + " of " + std::to_string(c.records) +
                     " records would change, ";
  if (rule.Tree()) {
    line += std::to_string(c.unmatched) + " did not match, " + std::to_string(c.tooLong) +
            " would not fit";
  } else {
    line += std::to_string(c.tooLong) + " would be left unchanged";
  }
  return line + "; nothing written";
}

}  // namespace

int RunRelocatePreview(const Options& options, const TableSummary& s, TableEngine& engine) {
  const NewPathRule rule(options);
  const int fieldLength = s.fields[s.pathField - 1].length;
  std::optional<DocumentFinder> finder;
  if (options.check) finder.emplace(options.maps);
  DocumentTally tally;
  PreviewCounts counts;
  PathScan scan;
  {
    ProgressLine progress(options.table + ": dry run");
    scan = ScanPaths(
        engine, options.table, options.record,
        [&](std::int32_t record, const std::string& oldPath) {
          ++counts.records;
          const std::optional<std::string> newPath = rule.Of(oldPath);
          const bool fits = newPath && static_cast<int>(newPath->size()) <= fieldLength;
          // Looked up where the document would be named after the run.
          const std::string& after = fits ? *newPath : oldPath;
          const DocumentState state = finder ? finder->Find(after) : DocumentState::NotChecked;
          if (finder) tally.Add(state, record, after);
          const std::string status = finder ? std::string(": ") + StateText(state) : "";
          const std::string head = "record " + std::to_string(record) + ": " + T(oldPath);
          if (!newPath) {
            ++counts.unmatched;
            // Only a user who checks needs to hear of records the move leaves where they are.
            if (state == DocumentState::Missing) {
              progress.BeforeOutput();
              Say(head + " (not under " + T(rule.From()) + ")" + status);
            }
            return;
          }
          if (!fits) {
            ++counts.tooLong;
            progress.BeforeOutput();
            Say(head + " -> " + T(*newPath) + " (too long: " + std::to_string(newPath->size()) +
                " characters, DATEI holds " + std::to_string(fieldLength) +
                "; would be left unchanged)" + status);
            return;
          }
          ++counts.change;
          progress.BeforeOutput();
          Say(head + " -> " + T(*newPath) + status);
        },
        progress.Callback());
  }
  if (!scan.probe.ok()) {
    return Refuse(options.table, OpenFailureText(scan.probe.open.error, scan.probe.open.detail));
  }
  if (!scan.complete) return Refuse(options.table, "the records could not be read to the end");
  Say(SummaryLine(rule, counts));
  if (finder) {
    if (const std::string hint = tally.NotCheckedHint(); !hint.empty()) Say(hint);
    Say("after the change: " + tally.Summary());
  }
  if (counts.tooLong > 0) return kExitTooLong;
  return tally.missing > 0 ? kExitMissing : kExitOk;
}

}  // namespace dbt::cli
