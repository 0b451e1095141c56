#include "tests/journal/journal_fixture.h"

namespace dbt::test {

DbfBuilder JournalLayout() {
  DbfBuilder builder;
  builder.Field("DATUM", 'D', 8)
      .Field("DATEI", 'C', 30)
      .Field("NUMMER", 'N', 5)
      .Field("ERROR", 'C', 12);
  return builder;
}

std::vector<std::string> JournalRow(const std::string& date, const std::string& path,
                                    const std::string& number, const std::string& error) {
  return {date, path, number, error};
}

std::string RecordBytes(const std::vector<std::uint8_t>& file, std::size_t n) {
  const std::size_t at = kJournalHeader + (n - 1) * kJournalRecord;
  if (file.size() < at + kJournalRecord) return {};
  return std::string(file.begin() + static_cast<std::ptrdiff_t>(at),
                     file.begin() + static_cast<std::ptrdiff_t>(at + kJournalRecord));
}

std::uint32_t HeaderCount(const std::vector<std::uint8_t>& file) {
  return ReadU32(file, 4);
}

}  // namespace dbt::test
