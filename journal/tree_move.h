#pragma once
// Moving a folder tree in the DATEI field of every record: the pass of "relocate --from".

#include <cstdint>
#include <string>
#include <vector>

#include "dbf/engine.h"
#include "journal/journal_result.h"
#include "journal/path_prefix.h"

namespace dbt {

struct TreeMoveResult : JournalResult {
  std::int32_t records = 0;           // records in the table
  std::int32_t changed = 0;           // records moved, now live
  std::int32_t unmatched = 0;         // records outside the folder: their bytes are untouched
  std::vector<std::int32_t> tooLong;  // records left as they were: moved path too long
};

// Every record under the rule's folder gets its moved path and is made live; every other
// record keeps its bytes. The header is stamped only when a record changed. Nothing happens
// when the table file does not exist or has no field DATEI.
[[nodiscard]] TreeMoveResult MoveTree(TableEngine& engine, const std::string& tablePath,
                                      TableHandle table, const PrefixRule& rule,
                                      RecordBuffer& buffer, const Progress& progress = {});

}  // namespace dbt
