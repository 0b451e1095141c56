#pragma once
// Shared pieces of the engine tests: an engine whose today is fixed, and a journal-like table.

#include <string>
#include <vector>

#include "dbf/engine.h"
#include "tests/support/dbf_builder.h"

namespace dbt::test {

inline LocalDate SeventhDecember2026() {
  return {2026, 12, 7};
}

// DATUM D 8, DATEI C 20, NR N 5: record length 34, header length 129.
inline DbfBuilder JournalTable() {
  DbfBuilder table;
  table.Field("DATUM", 'D', 8).Field("DATEI", 'C', 20).Field("NR", 'N', 5);
  table.Record({"20081231", "C:\\FAX\\A.PDF", "    1"});
  table.Record({"20090102", "C:\\FAX\\B.PDF", "    2"}, '*');
  table.Record({"20090203", "C:\\FAX\\C.PDF", "    3"});
  return table;
}

inline std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::size_t from,
                                       std::size_t count) {
  return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
          bytes.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

inline std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

}  // namespace dbt::test
