#pragma once
// A read-only pass over every record of an open table, a block of records per read.

#include <cstdint>
#include <functional>

#include "dbf/engine.h"
#include "journal/journal_result.h"

namespace dbt::journal_detail {

// Called with each record decoded into the buffer and its 1-based number.
using RecordVisit = std::function<void(std::int32_t record)>;

// Records in ascending order; false when a read failed (the records before it were visited).
[[nodiscard]] bool ScanRecords(TableEngine& engine, TableHandle table, RecordBuffer& buffer,
                               const RecordVisit& visit, const Progress& progress);

}  // namespace dbt::journal_detail
