#pragma once
// Journals of about 280 bytes a record as the fax application writes them, generated in bulk:
// for the benchmark, and for the tests that kill the command-line tool during its runs.

#include <cstddef>
#include <cstdint>
#include <string>

namespace dbt::bench {

// DATUM, NUMMER, EMPFAENGER, DATEI, STATUS, ERROR (line breaks in a quarter of the records).
inline constexpr std::size_t kGeneratedHeaderLength = 32 + 32 * 6 + 1;
inline constexpr std::size_t kGeneratedRecordLength = 1 + 8 + 20 + 40 + 150 + 10 + 50;
inline constexpr std::size_t kGeneratedPathOffset = 1 + 8 + 20 + 40;
inline constexpr std::size_t kGeneratedPathLength = 150;
inline constexpr std::size_t kGeneratedErrorOffset = kGeneratedRecordLength - 50;

struct JournalShape {
  std::int64_t records = 0;
  double duplicateShare = 0.1;  // records that repeat an earlier one exactly
  // Records flagged "*". At 0 no random draw is spent on it, so that the journals of the
  // benchmark stay the ones its earlier figures were measured on.
  double deletedShare = 0.05;
  std::uint64_t seed = 1;         // journals of different seeds share no record
  bool umlautInRecipient = true;  // "Empfänger" in OEM bytes, else spelt "Empfaenger"
};

void WriteGeneratedJournal(const std::string& path, const JournalShape& shape);

}  // namespace dbt::bench
