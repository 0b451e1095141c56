#pragma once
// The journal tables the tests build, the day their engines take for today, and readers of a
// written table's records and record count: one set for every test folder.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dbf/local_date.h"
#include "tests/support/dbf_builder.h"

namespace dbt::test {

// The day every test engine takes for today, so that two runs write the same bytes.
inline constexpr LocalDate kFixedToday{2026, 12, 7};
inline LocalDate FixedToday() {
  return kFixedToday;
}

// DATUM D 8, DATEI C pathLength, ERROR C 10, dated 1 January 2020: a journal as the fax
// application writes it.
DbfBuilder JournalLayout(std::uint8_t pathLength = 40);

// That layout (DATEI 40 wide) with one record per path, all of 5 January 2024, no error.
DbfBuilder JournalOfPaths(const std::vector<std::string>& paths);

// The header date a command-line run that changed the table stamps: the system's today, since
// the tool takes no other.
DbfBuilder& StampedToday(DbfBuilder& b);

// DATUM D 8, DATEI C 30, NUMMER N 5, ERROR C 12: record length 56, header length 161. DATEI's
// width and NUMMER's width and decimals can be given, for a table that differs in one of them.
DbfBuilder NumberedJournalLayout(std::uint8_t pathLength = 30, std::uint8_t numberLength = 5,
                                 std::uint8_t numberDecimals = 0);
inline constexpr std::size_t kNumberedJournalHeader = 161;
inline constexpr std::size_t kNumberedJournalRecord = 56;

// One record of that layout; values as stored (date as YYYYMMDD).
std::vector<std::string> JournalRow(const std::string& date, const std::string& path,
                                    const std::string& number, const std::string& error);

// DATUM D 8, DATEI C 20, NR N 5 and three records, the second deleted, the first of
// 31 December 2008: record length 34, header length 129.
DbfBuilder ThreeRecordJournal();

// The bytes of record n (1-based), flag included, where the file's header places them; empty
// when the file ends before the record does.
std::string RecordBytes(const std::vector<std::uint8_t>& file, std::size_t n);
std::string RecordBytes(const std::string& path, std::size_t n);

// The record count the header states.
std::uint32_t HeaderRecordCount(std::span<const std::uint8_t> file);
std::uint32_t HeaderRecordCount(const std::string& path);

}  // namespace dbt::test
