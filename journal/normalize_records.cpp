#include "dbf/format.h"
#include "journal/duplicates.h"
#include "journal/open_table.h"
#include "journal/record_pass.h"

namespace dbt {
namespace {

bool IsErrorTail(char c) {
  return c == '\0' || c == '\n' || c == '\r' || c == ' ';
}

void TrimErrorTail(std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && IsErrorTail(text[end - 1])) --end;
  text.resize(end);
}

}  // namespace

NormalizeResult NormalizeRecords(TableEngine& engine, const std::string& tablePath,
                                 TableHandle table, RecordBuffer& buffer,
                                 const Progress& progress) {
  NormalizeResult result;
  journal_detail::ScopedTable scoped(engine, table);
  if (!scoped.OpenExisting(tablePath, OpenAccess::ReadWrite, result)) return result;
  buffer.ClearValues();
  const std::int32_t count = engine.StoredRecordCount(table);
  const int errorField = engine.FieldIndex(table, "ERROR");
  // In place, the header last: a cut run leaves whole records, and since a normalised record
  // normalises to itself, running it again gives the same file.
  const auto rewrite = [&](std::int32_t) {
    if (errorField > 0) TrimErrorTail(buffer.FieldValues[errorField]);
    buffer.DeletionFlag.assign(1, static_cast<char>(kLiveFlag));
    return true;
  };
  journal_detail::RecoveryLog log(engine.Files(), tablePath,
                                  journal_detail::RewriteSlotBytes(engine, table));
  if (!journal_detail::RewriteRecords(engine, table, buffer, rewrite, progress, scoped.File(),
                                      log)) {
    journal_detail::SetIoFailure(result, tablePath, "the records could not be read or written");
    return result;
  }
  result.records = count;
  if (!journal_detail::WriteHeaderLast(engine, table, scoped.File(), log) || !log.Finish()) {
    journal_detail::SetIoFailure(result, tablePath, "the header could not be written");
  }
  return result;
}

}  // namespace dbt
