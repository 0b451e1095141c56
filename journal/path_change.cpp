#include "journal/path_change.h"

#include <array>

#include "dbf/format.h"
#include "journal/open_table.h"
#include "journal/record_pass.h"
#include "journal/record_rewrites.h"
#include "journal/recovery_log.h"
#include "util/text.h"

namespace dbt {
namespace {

using journal_detail::RecordLayout;
using journal_detail::RecoveryFrame;
using journal_detail::ScopedTable;

bool FitsField(const std::string& value, int fieldLength) {
  return value.size() <= static_cast<std::size_t>(fieldLength);
}

}  // namespace

std::string BuildNewPath(std::string_view source, const PathRule& rule) {
  std::string_view name = FileNamePart(source);
  std::string_view extension;
  if (rule.renameToSff) {
    const std::size_t dot = ExtensionDot(name);
    if (dot != std::string_view::npos) {
      name = name.substr(0, dot + 1);
      extension = rule.newExtension;
    }
  }
  // Built in one piece: the pass over all records calls this once per record.
  std::string path;
  path.reserve(rule.targetFolder.size() + name.size() + extension.size());
  path.append(rule.targetFolder).append(name).append(extension);
  while (!path.empty() && (path.back() == ' ' || path.back() == '\0')) path.pop_back();
  return path;
}

PathStoreResult StoreCurrentPath(TableEngine& engine, const std::string& tablePath,
                                 TableHandle table, std::int32_t& currentRecord, int pathField,
                                 const std::string& newPath, RecordBuffer& buffer) {
  PathStoreResult result;
  ScopedTable scoped(engine, table);
  if (!scoped.OpenExisting(tablePath, OpenAccess::ReadWrite, result)) return result;
  if (pathField < 1 || pathField > engine.FieldCount(table)) return result;
  if (engine.StoredRecordCount(table) <= 0) return result;
  // Cutting the path would store the name of a document that does not exist.
  if (!FitsField(newPath, engine.FieldLength(table, pathField))) {
    result.tooLong = true;
    return result;
  }
  // The record is read again inside this open, so that whatever it holds now, every field but
  // DATEI keeps its stored bytes; the buffer of the display may be older than the file.
  const std::uint64_t offset = engine.RecordPosition(table, currentRecord);
  const RecordLayout layout = journal_detail::LayoutOf(engine, table);
  std::vector<std::uint8_t> record = engine.ReadAt(table, offset, layout.recordLength);
  if (record.size() != layout.recordLength || !engine.DecodeRecord(table, record, buffer)) {
    journal_detail::SetIoFailure(result, tablePath, "the record could not be read");
    return result;
  }
  buffer.DeletionFlag.assign(1, static_cast<char>(kLiveFlag));
  buffer.FieldValues[pathField] = newPath;
  (void)engine.EncodeRecord(table, buffer, record);  // the decode above checked the size
  // Record and header in one logged step: a torn record would mix the old and the new path.
  TableFile& file = scoped.File();
  std::vector<std::uint8_t> storedRecord(record.size());
  std::array<std::uint8_t, kHeaderSize> storedHeader{};
  if (file.ReadAt(offset, storedRecord) != storedRecord.size() ||
      file.ReadAt(0, storedHeader) != storedHeader.size()) {
    journal_detail::SetIoFailure(result, tablePath, "the record could not be read");
    return result;
  }
  RecoveryFrame frame;
  frame.Add(offset, record, storedRecord);
  frame.Add(0, engine.BuildHeaderBytes(table), storedHeader);
  journal_detail::RecoveryLog log(
      engine.Files(), tablePath,
      journal_detail::FrameOverhead(2) + 2 * (record.size() + kHeaderSize));
  if (!log.Commit(frame, file) || !log.Finish()) {
    journal_detail::SetIoFailure(result, tablePath, log, "the record could not be written");
    return result;
  }
  result.stored = true;
  return result;
}

PathChangeResult ChangeAllPaths(TableEngine& engine, const std::string& tablePath,
                                TableHandle table, const PathRule& rule, RecordBuffer& buffer,
                                int& pathField, const Progress& progress) {
  PathChangeResult result;
  ScopedTable scoped(engine, table);
  if (!scoped.OpenExisting(tablePath, OpenAccess::ReadWrite, result)) return result;
  buffer.ClearValues();
  const std::int32_t count = engine.StoredRecordCount(table);
  result.records = count;
  pathField = engine.FieldIndex(table, "DATEI");
  // Without DATEI there is no path to change, and making records live alone is not asked for.
  if (pathField == 0) return result;

  // Records are rewritten in place and the header last: a run cut anywhere leaves every record
  // whole, and running it again gives the same file, since the new path of a new path is the
  // same path. A new path longer than the field leaves its record completely as it was: a cut
  // path would name another document, and the old one is still the one the user can look up.
  journal_detail::PathRecordRewrite change(engine, table, pathField, rule);
  const auto rewrite = [&](std::int32_t record, std::span<std::uint8_t> bytes) {
    const journal_detail::RecordChange outcome = change.Apply(bytes);
    if (outcome == journal_detail::RecordChange::TooLong) {
      result.tooLong.push_back(record);
      return false;
    }
    ++result.changed;
    return outcome == journal_detail::RecordChange::Changed;
  };
  journal_detail::RecoveryLog log(engine.Files(), tablePath,
                                  journal_detail::RewriteSlotBytes(engine, table));
  if (!journal_detail::RewriteRecordBytes(engine, table, rewrite,
                                          {change.Changes().offset, change.Changes().length},
                                          progress, scoped.File(), log)) {
    // The header is not stamped: the records written so far are whole, and a new run redoes
    // the rest.
    journal_detail::SetIoFailure(result, tablePath, log, "the records could not be read or written");
    return result;
  }
  if (!journal_detail::WriteHeaderLast(engine, table, scoped.File(), log) || !log.Finish()) {
    journal_detail::SetIoFailure(result, tablePath, log, "the header could not be written");
  }
  return result;
}

}  // namespace dbt
