#pragma once
// Journals of about 280 bytes a record as the fax application writes them, generated in bulk.

#include <cstdint>
#include <string>
#include <string_view>

namespace dbt::test {

// DATUM, NUMMER, EMPFAENGER, DATEI, STATUS, ERROR (line breaks in a quarter of the records).
inline constexpr std::size_t kGeneratedHeaderLength = 32 + 32 * 6 + 1;
inline constexpr std::size_t kGeneratedRecordLength = 1 + 8 + 20 + 40 + 150 + 10 + 50;
inline constexpr std::size_t kGeneratedPathOffset = 1 + 8 + 20 + 40;
inline constexpr std::size_t kGeneratedPathLength = 150;
inline constexpr std::size_t kGeneratedErrorOffset = kGeneratedRecordLength - 50;

struct JournalShape {
  std::int64_t records = 0;
  double duplicateShare = 0.1;  // records that repeat an earlier one exactly
  double deletedShare = 0.05;   // records flagged "*"
  std::uint64_t seed = 1;       // journals of different seeds share no record
};

void WriteGeneratedJournal(const std::string& path, const JournalShape& shape);

// What identifies a record whatever a command did to it: the bytes after the flag, with the
// folder and extension of DATEI and trailing line breaks of ERROR left out.
// Its hash is what the tests compare, for speed.
std::string RecordKey(std::string_view record);
std::uint64_t RecordKeyHash(std::string_view record);

}  // namespace dbt::test
