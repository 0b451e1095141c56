#pragma once
// Giving each record its own new path in DATEI, as found elsewhere: the pass of
// "relocate --find".

#include <cstdint>
#include <string>
#include <vector>

#include "dbf/engine.h"
#include "journal/journal_result.h"

namespace dbt {

struct FoundPath {
  std::int32_t record = 0;
  std::string oldPath;  // DATEI as planned from, trailing NUL and blanks removed
  std::string newPath;
};

struct FoundPathsResult : JournalResult {
  std::int32_t records = 0;           // records in the table
  std::int32_t changed = 0;           // records given their new path, now live
  std::vector<std::int32_t> tooLong;  // records left as they were: new path too long
  std::int32_t stale = 0;             // records left as they were: DATEI no longer the old path
};

// paths in ascending record order. Each named record whose DATEI still holds its old path gets
// the new one and is made live; every other record keeps its bytes. The header is stamped only
// when a record changed. Nothing happens when the table file does not exist or has no DATEI.
[[nodiscard]] FoundPathsResult StoreFoundPaths(TableEngine& engine, const std::string& tablePath,
                                               TableHandle table,
                                               const std::vector<FoundPath>& paths,
                                               RecordBuffer& buffer,
                                               const Progress& progress = {});

}  // namespace dbt
