#include <cstdio>

#include "cli/backup.h"
#include "cli/commands.h"
#include "cli/console.h"
#include "cli/exit_codes.h"
#include "cli/progress_line.h"
#include "cli/table_probe.h"
#include "journal/append.h"
#include "journal/duplicates.h"
#include "util/text.h"

namespace dbt::cli {
namespace {

std::string FieldText(const FieldInfo& f) {
  char layout[32];
  std::snprintf(layout, sizeof layout, " %c %d.%d", f.type, f.length, f.decimals);
  return T(f.name) + layout;
}

// The first difference that makes the layouts incompatible, for the message only:
// TablesCompatible decides.
std::string LayoutDifference(const TableSummary& target, const TableSummary& source) {
  if (target.fields.size() != source.fields.size()) {
    return std::to_string(source.fields.size()) + " fields against " +
           std::to_string(target.fields.size());
  }
  for (std::size_t k = 0; k < target.fields.size(); ++k) {
    const FieldInfo& t = target.fields[k];
    const FieldInfo& s = source.fields[k];
    if (UpperAnsi(t.name) != UpperAnsi(s.name) || t.type != s.type || t.length != s.length ||
        t.decimals != s.decimals) {
      return "field " + std::to_string(k + 1) + " is " + FieldText(s) + " against " + FieldText(t);
    }
  }
  if (target.header.HeaderLength() != source.header.HeaderLength()) {
    return "header length " + std::to_string(source.header.HeaderLength()) + " against " +
           std::to_string(target.header.HeaderLength());
  }
  if (target.header.RecordLength() != source.header.RecordLength()) {
    return "record length " + std::to_string(source.header.RecordLength()) + " against " +
           std::to_string(target.header.RecordLength());
  }
  return "another layout";
}

}  // namespace

// Unlike the window, which goes on to delete duplicates after a refused append, nothing is
// written unless the append itself can go ahead.
int RunAppend(const Options& options, TableEngine& engine) {
  TableSession session;
  if (const int refused = HoldTable(engine, options.table, session)) return refused;
  TableSummary target;
  if (const int refused = RequireJournal(engine, options.table, target)) return refused;
  if (const int refused = RefuseRecordsPastCount(options, target)) return refused;
  if (engine.Files().SameFile(options.table, options.source)) {
    return Refuse(options.source, "is the table itself; choose another journal to append");
  }
  // Before the source is looked at: a step a crash cut short would show it half changed.
  if (const JournalResult finished = FinishCutChange(engine.Files(), options.source);
      !finished.ok()) {
    return Refuse(options.source, "a change to it was cut short and could not be finished (" +
                                      OpenFailureText(finished.error, finished.detail) +
                                      "); nothing appended");
  }
  const ProbeResult source = ProbeTable(engine, options.source, kSourceHandle);
  if (!source.ok()) {
    return Refuse(options.source, OpenFailureText(source.open.error, source.open.detail));
  }
  if (const int refused = RefuseSourceRecordsPastCount(options, source.summary)) return refused;
  if (!TablesCompatible(engine, options.table, kTargetHandle, options.source, kSourceHandle)) {
    return Refuse(options.source, "not compatible with " + options.table + ": " +
                                      LayoutDifference(target, source.summary));
  }
  if (options.backup) {
    if (const int refused = BackUpTable(options.table, *session.File())) return refused;
  }
  AppendResult appended;
  // The appended records are written as the deletion's normalising pass would leave them, so
  // that the pass need not read and write them again.
  NormalizedTail normalized;
  {
    ProgressLine progress(options.table + ": appending");
    appended = AppendTable(engine, options.table, kTargetHandle, options.source, kSourceHandle,
                           progress.Callback(), &normalized);
  }
  if (appended.diskFull) {
    return Refuse(options.table, "disk full: nothing appended, the table is as it was");
  }
  if (!appended.ok()) {
    return Refuse(options.table, OpenFailureText(appended.error, appended.reason));
  }
  if (appended.Code() != 1) return Refuse(options.source, "nothing appended");
  Say(options.table + ": " + std::to_string(appended.appended) + " records appended from " +
      options.source);
  RecordBuffer buffer;
  DedupeResult dedupe;
  {
    ProgressLine progress(options.table + ": deleting duplicates");
    dedupe = DeleteDuplicates(engine, options.table, kTargetHandle, buffer, progress.Callback(),
                              &normalized);
  }
  if (!dedupe.ok()) {
    return Refuse(options.table, "records appended, but duplicates not deleted: " +
                                     OpenFailureText(dedupe.error, dedupe.reason));
  }
  Say(options.table + ": " + std::to_string(dedupe.removed) + " duplicates removed, " +
      std::to_string(dedupe.after) + " records now (every record live)");
  return kExitOk;
}

}  // namespace dbt::cli
