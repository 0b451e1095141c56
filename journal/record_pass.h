#pragma once
// A pass over every record of an open table, reading and writing a block of records at a time:
// the record-by-record rewrites of the path change, the normalising pass and the tree move cost
// two system calls per block instead of two per record.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "dbf/engine.h"
#include "journal/journal_result.h"
#include "journal/recovery_log.h"

namespace dbt::journal_detail {

// Called with each record's bytes as the file holds them and its 1-based number; true when it
// changed a byte of them. It changes no byte outside the flag and its ChangedBytes.
using RecordBytesRewrite = std::function<bool(std::int32_t record, std::span<std::uint8_t> bytes)>;

// Called with each record decoded into the buffer and its 1-based number; true when the
// buffer, changed, is to be stored over the record.
using RecordRewrite = std::function<bool(std::int32_t record)>;

// The bytes after the flag that a rewrite may change, from the record's first byte: one field,
// so that a pass keeps and compares just those for the recovery log.
struct ChangedBytes {
  std::size_t offset = 1;
  std::size_t length = SIZE_MAX;  // to the end of the record
};

// Records in ascending order, a step of blocks at a time, each step written back whole after its
// records were rewritten (a step whose bytes did not change is not written, so a pass run again
// over its own result writes nothing). Before a step is written, the bytes it changes go to the
// recovery log, and the table is synced after it: a step torn by a crash is finished on the next
// open, so every record is either as it was or rewritten. False when a read or write failed;
// the steps before it are written, the rest untouched. With records, only that many from the
// first on.
[[nodiscard]] bool RewriteRecordBytes(TableEngine& engine, TableHandle table,
                                      const RecordBytesRewrite& rewrite, ChangedBytes changes,
                                      const Progress& progress, TableFile& file, RecoveryLog& log,
                                      std::int32_t records = INT32_MAX);

// The same pass through the record buffer: each record decoded, and encoded back when the
// rewrite asks for it. False also when a record cannot be decoded.
[[nodiscard]] bool RewriteRecords(TableEngine& engine, TableHandle table, RecordBuffer& buffer,
                                  const RecordRewrite& rewrite, const Progress& progress,
                                  TableFile& file, RecoveryLog& log);

// A whole pass of a command that stores records through the buffer: RewriteRecords under a log
// of its own, then, once `changed` (counted by the rewrite) says a record changed, the header and
// the end of the log. A failure is set in result; the records written before it are whole.
void RewriteRecordsThenHeader(TableEngine& engine, TableHandle table, const std::string& tablePath,
                              RecordBuffer& buffer, const RecordRewrite& rewrite,
                              const Progress& progress, TableFile& file,
                              const std::int32_t& changed, JournalResult& result);

// The largest frame RewriteRecords or WriteHeaderLast logs for this table.
[[nodiscard]] std::uint64_t RewriteSlotBytes(TableEngine& engine, TableHandle table);

// Today's header at offset 0, then the table synced. A header that changes more than its date
// goes through the log first: a torn record count would hide or invent records.
[[nodiscard]] bool WriteHeaderLast(TableEngine& engine, TableHandle table, TableFile& file,
                                   RecoveryLog& log);

}  // namespace dbt::journal_detail
