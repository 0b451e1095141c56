#pragma once
// Rewriting the folder part of the DATEI field, for one record or for all.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/engine.h"
#include "journal/journal_result.h"

namespace dbt {

struct PathRule {
  std::string targetFolder;  // ends in "\" or is empty
  bool renameToSff = false;  // the document name gets newExtension in place of its own
  std::string newExtension = "sff";
};

// TargetFolder + FileNameOf(source); with the rename option the extension of the file name is
// replaced (a file name without "." keeps its name); trailing NUL and blanks removed.
[[nodiscard]] std::string BuildNewPath(std::string_view source, const PathRule& rule);

struct PathStoreResult : JournalResult {
  bool stored = false;
  bool tooLong = false;  // newPath is longer than the DATEI field: nothing was written
};

// The store step of "Pfad ändern": the current record, read again from the file, gets newPath
// in its path field and becomes live, and the header today's date; only when the table file
// exists and the new path fits its field, since a cut path would name another document.
[[nodiscard]] PathStoreResult StoreCurrentPath(TableEngine& engine, const std::string& tablePath,
                                               TableHandle table, std::int32_t& currentRecord,
                                               int pathField, const std::string& newPath,
                                               RecordBuffer& buffer);

struct PathChangeResult : JournalResult {
  std::int32_t records = 0;           // records in the table
  std::int32_t changed = 0;           // records whose DATEI now holds the new path
  std::vector<std::int32_t> tooLong;  // records left as they were: new path too long
};

// "Pfad ändern -> alle Datensätze": every record rewritten with its new path and made live;
// pathField comes back as the number of DATEI, which the display needs next. Nothing happens
// when the table file does not exist.
[[nodiscard]] PathChangeResult ChangeAllPaths(TableEngine& engine, const std::string& tablePath,
                                              TableHandle table, const PathRule& rule,
                                              RecordBuffer& buffer, int& pathField,
                                              const Progress& progress = {});

}  // namespace dbt
