#pragma once
// Appending the records of a second journal of the same layout.

#include <cstdint>
#include <string>

#include "dbf/engine.h"
#include "journal/duplicates.h"
#include "journal/journal_result.h"

namespace dbt {

// Whether the source's records can be copied byte for byte into the target.
[[nodiscard]] bool TablesCompatible(TableEngine& engine, const std::string& targetPath,
                                    TableHandle target, const std::string& sourcePath,
                                    TableHandle source);

struct AppendResult : JournalResult {
  bool compatible = false;
  bool sameTable = false;  // the source is the target itself: refused before any open
  bool diskFull = false;   // no room for the records: nothing appended, the target as it was
  std::int32_t appended = 0;
  // The window's numbered actions report appended (or nothing to append) as 1, else 0.
  int Code() const { return compatible && !sameTable && ok() ? 1 : 0; }
};

// With normalized, each record is written as the normalising pass would leave it and hashed on
// the way, for the duplicate deletion that follows; normalized then describes the appended
// records, or nothing when none were appended.
[[nodiscard]] AppendResult AppendTable(TableEngine& engine, const std::string& targetPath,
                                       TableHandle target, const std::string& sourcePath,
                                       TableHandle source, const Progress& progress = {},
                                       NormalizedTail* normalized = nullptr);

}  // namespace dbt
