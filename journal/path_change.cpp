#include "journal/path_change.h"

#include "dbf/format.h"
#include "journal/open_table.h"
#include "util/text.h"

namespace dbt {
namespace {

using journal_detail::ScopedTable;

bool FitsField(const std::string& value, int fieldLength) {
  return value.size() <= static_cast<std::size_t>(fieldLength);
}

}  // namespace

std::string BuildNewPath(std::string_view source, const PathRule& rule) {
  std::string name = FileNameOf(source);
  // Only the file name's own extension is replaced: a dot in a folder name is no extension, and a
  // name without one (the empty name of an empty DATEI included) keeps its name rather than
  // becoming ".sff" or a bare "sff".
  if (rule.renameToSff) name = ReplaceExtension(name, rule.newExtension);
  return TrimTrailingNulBlank(rule.targetFolder + name);
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
  engine.LoadRecord(table, currentRecord, buffer);
  buffer.DeletionFlag.assign(1, static_cast<char>(kLiveFlag));
  buffer.FieldValues[pathField] = newPath;
  engine.StoreRecord(table, currentRecord, buffer);
  if (!journal_detail::WriteHeader(engine, table)) {
    journal_detail::SetIoFailure(result, tablePath, "the header could not be written");
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
  const int fieldLength = engine.FieldLength(table, pathField);

  // Records are rewritten in place and the header last: a run cut anywhere leaves every record
  // whole, and running it again gives the same file, since the new path of a new path is the
  // same path.
  for (std::int32_t i = 1; i <= count; ++i) {
    std::int32_t record = i;
    engine.LoadRecord(table, record, buffer);
    std::string newPath = BuildNewPath(TrimTrailingNulBlank(buffer.FieldValues[pathField]), rule);
    if (!FitsField(newPath, fieldLength)) {
      // Left completely as it was: a cut path would name another document, and the record's
      // old path is still the one the user can look up.
      result.tooLong.push_back(record);
    } else {
      buffer.FieldValues[pathField] = std::move(newPath);
      buffer.DeletionFlag.assign(1, static_cast<char>(kLiveFlag));
      engine.StoreRecord(table, record, buffer);
      ++result.changed;
    }
    journal_detail::ReportProgress(progress, i, count);
  }
  if (!journal_detail::WriteHeader(engine, table)) {
    journal_detail::SetIoFailure(result, tablePath, "the header could not be written");
  }
  return result;
}

}  // namespace dbt
