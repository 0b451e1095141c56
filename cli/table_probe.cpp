#include "cli/table_probe.h"

#include <algorithm>

#include "cli/console.h"
#include "cli/exit_codes.h"
#include "dbf/format.h"
#include "journal/journal_layout.h"
#include "journal/recovery_log.h"

namespace dbt::cli {
namespace {

TableSummary Summarize(TableEngine& engine, TableHandle handle) {
  TableSummary s;
  s.header = engine.GetStoredHeader(handle);
  s.records = engine.StoredRecordCount(handle);
  s.recordsPastCount = engine.RecordsPastCount(handle);
  const int count = engine.FieldCount(handle);
  for (int k = 1; k <= count; ++k) {
    const DbfField d = engine.FieldDescriptor(handle, k);
    s.fields.push_back(FieldInfo{engine.FieldName(handle, k), d.Type(), d.Length(), d.Decimals()});
  }
  const JournalLayoutCheck layout = CheckJournalLayout(engine, handle);
  s.pathField = layout.pathField;
  s.journal = layout.journal;
  s.notJournal = T(layout.notJournal);
  return s;
}

}  // namespace

ProbeResult ProbeTable(TableEngine& engine, const std::string& path, TableHandle handle,
                       const std::function<void(TableEngine&, TableHandle)>& whileOpen) {
  ProbeResult result;
  // A look never writes, not even to finish a change a crash cut short; it says that what it
  // reports may still change. A writing command has finished that change before it looks.
  // Only a step the table shows (or does not show where it should) is worth a word: a file
  // whose step never reached the table is dropped by the next command without a change.
  const std::string recovery = journal_detail::RecoveryPathOf(engine.Files(), path);
  if (engine.Files().Exists(recovery)) {
    FileOpenResult look = engine.Files().OpenExclusive(path, OpenAccess::Read);
    const journal_detail::PendingCheck pending =
        look.file ? journal_detail::InspectRecovery(engine.Files(), recovery, *look.file)
                  : journal_detail::PendingCheck{journal_detail::PendingStep::Unreadable, {}};
    look.file.reset();
    if (pending.step == journal_detail::PendingStep::Replay ||
        pending.step == journal_detail::PendingStep::Unreadable) {
      Warn(path, "a change to it was cut short and is not finished yet (" + recovery +
                     "); shown as it lies, the next command that writes to it finishes the "
                     "change first");
    } else if (pending.step == journal_detail::PendingStep::Foreign) {
      Warn(path, recovery + " holds a step of a change that was cut short, which the table "
                            "does not show (" + pending.found +
                     "); writing commands refuse the table until a person removes that file");
    }
  }
  std::vector<std::uint8_t> headerBytes;
  std::int64_t fileSize = 0;
  result.open = engine.OpenTable(path, handle, OpenAccess::Read, headerBytes, fileSize);
  if (!result.open.ok()) return result;
  result.summary = Summarize(engine, handle);
  // The count as stored: the engine's own header holds the whole records the file has.
  if (headerBytes.size() >= kHeaderSize) {
    DbfHeader stored;
    std::copy_n(headerBytes.begin(), kHeaderSize, stored.bytes.begin());
    result.summary.headerCount = stored.RecordCount();
  }
  if (whileOpen) whileOpen(engine, handle);
  engine.CloseTable(handle);
  return result;
}

int RequireJournal(TableEngine& engine, const std::string& path, TableSummary& summary) {
  const ProbeResult probe = ProbeTable(engine, path, kTargetHandle);
  if (!probe.ok()) return Refuse(path, OpenFailureText(probe.open.error, probe.open.detail));
  if (!probe.summary.journal) return Refuse(path, "not a journal: " + probe.summary.notJournal);
  summary = probe.summary;
  return kExitOk;
}

int HoldTable(TableEngine& engine, const std::string& path, TableSession& session) {
  const JournalResult held = session.Begin(engine.Files(), path);
  if (!held.ok()) return Refuse(path, OpenFailureText(held.error, held.detail));
  return kExitOk;
}

std::string RecordsPastCountText(const TableSummary& summary) {
  return "the header counts " + std::to_string(summary.records) + " records, but the file holds " +
         std::to_string(summary.records + summary.recordsPastCount) + " whole records";
}

std::string CutShortText(const TableSummary& summary) {
  return "the header counts " + std::to_string(summary.headerCount) +
         " records, but the file holds only " + std::to_string(summary.records) + " whole ones";
}

namespace {

// What going on would do with the records outside the count: for a target, what writing does to
// them; for a source, which of them the append leaves out.
struct OutsideCount {
  std::string cutShort;
  std::string pastCount;
};

int RefuseOutsideCount(const Options& options, const std::string& path, const TableSummary& summary,
                       const OutsideCount& effect) {
  if (options.ignoreExtraRecords || options.dryRun) return kExitOk;
  if (summary.headerCount > static_cast<std::uint32_t>(summary.records)) {
    return Refuse(path, CutShortText(summary) + ": the file was cut short, and " + effect.cutShort +
                            "; --ignore-extra-records goes on anyway, as the window does");
  }
  if (summary.recordsPastCount == 0) return kExitOk;
  return Refuse(path, RecordsPastCountText(summary) + "; the " +
                          std::to_string(summary.recordsPastCount) +
                          " after the count are no part of the table and " + effect.pastCount +
                          "; --ignore-extra-records goes on anyway, as the window does");
}

}  // namespace

int RefuseRecordsPastCount(const Options& options, const TableSummary& summary) {
  // A file cut short (a copy broken off, a disk that filled up): every writing command writes
  // the count of the whole records back, and the deletion cuts off what follows the last one.
  // Records past the count: dBase and the window see only the counted records, an append writes
  // over the others and a deletion of duplicates cuts them off. Whether they are records worth
  // keeping, only the user can tell.
  return RefuseOutsideCount(options, options.table, summary,
                            {"writing would make the count " + std::to_string(summary.records) +
                                 " and drop what is left of the rest",
                             "could be overwritten or cut off"});
}

int RefuseSourceRecordsPastCount(const Options& options, const TableSummary& source) {
  // The source is only read, but an append of part of it would be reported as done: the user
  // would believe the whole journal had been taken over.
  return RefuseOutsideCount(
      options, options.source, source,
      {"only the " + std::to_string(source.records) + " whole ones would be appended",
       "would not be appended"});
}

}  // namespace dbt::cli
