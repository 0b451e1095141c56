#pragma once
// A pass over every record of an open table through the record buffer, reading and writing a
// block of records at a time: the record-by-record rewrites of the path change and of the
// normalising pass cost two system calls per block instead of two per record.

#include <cstdint>
#include <functional>

#include "dbf/engine.h"
#include "journal/journal_result.h"
#include "journal/recovery_log.h"

namespace dbt::journal_detail {

// Called with each record decoded into the buffer and its 1-based number; true when the
// buffer, changed, is to be stored over the record.
using RecordRewrite = std::function<bool(std::int32_t record)>;

// Records in ascending order, a step of blocks at a time, each step written back whole after its
// records were rewritten (a step whose bytes did not change is not written). Before a step is
// written, the bytes it changes go to the recovery log, and the table is synced after it: a step
// torn by a crash is finished on the next open, so every record is either as it was or
// rewritten. False when a
// read or write failed; the blocks before it are written, the rest untouched.
bool RewriteRecords(TableEngine& engine, TableHandle table, RecordBuffer& buffer,
                    const RecordRewrite& rewrite, const Progress& progress, TableFile& file,
                    RecoveryLog& log);

// The largest frame RewriteRecords or WriteHeaderLast logs for this table.
std::uint64_t RewriteSlotBytes(TableEngine& engine, TableHandle table);

// Today's header at offset 0, then the table synced. A header that changes more than its date
// goes through the log first: a torn record count would hide or invent records.
bool WriteHeaderLast(TableEngine& engine, TableHandle table, TableFile& file, RecoveryLog& log);

}  // namespace dbt::journal_detail
