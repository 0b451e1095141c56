#pragma once
// A recovery file as a crash leaves it beside a table: for the tests of what the next open, a
// read or an append makes of a change that was cut short.

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dbf/table_file.h"
#include "journal/recovery_frame.h"
#include "journal/recovery_log.h"

namespace dbt::test {

// One logged step that writes bytes at offset into the table, over the bytes it holds now, and
// no more: the change stopped while the step reached the table, of which its first `landed`
// bytes got there. A tableSize other than the table's makes it a step that sets the table's end
// for a table of that length.
[[nodiscard]] inline bool LogCutWrite(FileSystem& files, const std::string& table,
                                      std::uint64_t tableSize, std::uint64_t offset,
                                      std::span<const std::uint8_t> bytes,
                                      std::size_t landed = 0) {
  std::vector<std::uint8_t> whole;
  if (files.ReadWhole(table, whole) != ReadWholeResult::Read) return false;
  std::vector<std::uint8_t> before(bytes.size(), 0);
  for (std::size_t i = 0; i < bytes.size() && offset + i < whole.size(); ++i) {
    before[i] = whole[static_cast<std::size_t>(offset) + i];
  }
  journal_detail::RecoveryLog log(files, table, 4096);
  journal_detail::RecoveryFrame step;
  step.Add(offset, bytes, before);
  if (tableSize != whole.size()) {
    step.cut = true;
    step.sizeLow = step.sizeHigh = step.sizeAfter = tableSize;
  }
  if (!log.Log(step)) return false;
  if (landed == 0) return true;
  FileOpenResult opened = files.OpenExclusive(table, OpenAccess::ReadWrite);
  return opened.file && opened.file->WriteAt(offset, bytes.first(landed)) && opened.file->Sync();
}

}  // namespace dbt::test
