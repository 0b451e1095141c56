#pragma once
// Small journals for the tests, and a fixed date, so that two runs give the same bytes.

#include <cstdint>
#include <string>
#include <vector>

#include "dbf/engine.h"
#include "tests/support/dbf_builder.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {

inline LocalDate FixedDate() {
  return {2026, 12, 7};
}

// DATUM D 8, DATEI C 30, NUMMER N 5, ERROR C 12: record length 56, header length 161.
DbfBuilder JournalLayout();
inline constexpr std::size_t kJournalHeader = 161;
inline constexpr std::size_t kJournalRecord = 56;

// One record of that layout; values as stored (date as YYYYMMDD).
std::vector<std::string> JournalRow(const std::string& date, const std::string& path,
                                    const std::string& number, const std::string& error);

// The bytes of record n (1-based) of a file of that layout.
std::string RecordBytes(const std::vector<std::uint8_t>& file, std::size_t n);
std::uint32_t HeaderCount(const std::vector<std::uint8_t>& file);

}  // namespace dbt::test
