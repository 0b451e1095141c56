#pragma once
// A pass over every record of an open table, reading and writing a block of records at a time:
// the record-by-record rewrites of the path change and of the normalising pass cost two system
// calls per block instead of two per record.

#include <cstdint>
#include <functional>
#include <span>

#include "dbf/engine.h"
#include "journal/journal_result.h"

namespace dbt::journal_detail {

// Called with each record's bytes as the file holds them and its 1-based number; true when it
// changed a byte of them.
using RecordBytesRewrite = std::function<bool(std::int32_t record, std::span<std::uint8_t> bytes)>;

// Records in ascending order, each block written back whole after its records were rewritten;
// a block in which no byte changed is not written, so a pass run again over its own result
// writes nothing. Records are rewritten in place, so a pass cut between two writes leaves every
// record whole, either as it was or rewritten. False when a read or write failed; the blocks
// before it are written, the rest untouched.
bool RewriteRecordBytes(TableEngine& engine, TableHandle table, const RecordBytesRewrite& rewrite,
                        const Progress& progress);

}  // namespace dbt::journal_detail
