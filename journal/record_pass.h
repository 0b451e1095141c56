#pragma once
// A pass over every record of an open table through the record buffer, reading and writing a
// block of records at a time: the record-by-record rewrites of the path change and of the
// normalising pass cost two system calls per block instead of two per record.

#include <cstdint>
#include <functional>

#include "dbf/engine.h"
#include "journal/journal_result.h"

namespace dbt::journal_detail {

// Called with each record decoded into the buffer and its 1-based number; true when the
// buffer, changed, is to be stored over the record.
using RecordRewrite = std::function<bool(std::int32_t record)>;

// Records in ascending order, each block written back whole after its records were rewritten
// (a block without a rewritten record is not written). Records are rewritten in place, so a pass
// cut between two writes leaves every record whole, either as it was or rewritten. False when
// a read or write failed; the blocks before it are written, the rest untouched.
bool RewriteRecords(TableEngine& engine, TableHandle table, RecordBuffer& buffer,
                    const RecordRewrite& rewrite, const Progress& progress);

}  // namespace dbt::journal_detail
