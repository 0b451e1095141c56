#pragma once
// A recovery file as a crash leaves it beside a table: for the tests of what the next open, a
// read or an append makes of a change that was cut short.

#include <cstdint>
#include <span>
#include <string>

#include "dbf/table_file.h"
#include "journal/recovery_frame.h"
#include "journal/recovery_log.h"

namespace dbt::test {

// One logged step that writes bytes at offset into a table of tableSize bytes, and no more:
// the change stopped before (or while) the step reached the table.
[[nodiscard]] inline bool LogCutWrite(FileSystem& files, const std::string& table,
                                      std::uint64_t tableSize, std::uint64_t offset,
                                      std::span<const std::uint8_t> bytes) {
  journal_detail::RecoveryLog log(files, table, 4096);
  journal_detail::RecoveryFrame step = journal_detail::RecoveryFrame::InPlace(tableSize);
  step.Add(offset, bytes);
  return log.Log(step);
}

}  // namespace dbt::test
