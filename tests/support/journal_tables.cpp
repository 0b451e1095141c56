#include "tests/support/journal_tables.h"

#include "tests/support/temp_dir.h"

namespace dbt::test {

DbfBuilder JournalLayout(std::uint8_t pathLength) {
  DbfBuilder b;
  b.Date(2020, 1, 1).Field("DATUM", 'D', 8).Field("DATEI", 'C', pathLength).Field("ERROR", 'C', 10);
  return b;
}

DbfBuilder JournalOfPaths(const std::vector<std::string>& paths) {
  DbfBuilder table = JournalLayout();
  for (const std::string& path : paths) table.Record({"20240105", path, ""});
  return table;
}

DbfBuilder& StampedToday(DbfBuilder& b) {
  const LocalDate today = TodayLocal();
  return b.Date(today.year, today.month, today.day);
}

DbfBuilder NumberedJournalLayout(std::uint8_t pathLength, std::uint8_t numberLength,
                                 std::uint8_t numberDecimals) {
  DbfBuilder builder;
  builder.Field("DATUM", 'D', 8)
      .Field("DATEI", 'C', pathLength)
      .Field("NUMMER", 'N', numberLength, numberDecimals)
      .Field("ERROR", 'C', 12);
  return builder;
}

std::vector<std::string> JournalRow(const std::string& date, const std::string& path,
                                    const std::string& number, const std::string& error) {
  return {date, path, number, error};
}

DbfBuilder ThreeRecordJournal() {
  DbfBuilder table;
  table.Field("DATUM", 'D', 8).Field("DATEI", 'C', 20).Field("NR", 'N', 5);
  table.Record({"20081231", "C:\\FAX\\A.PDF", "    1"});
  table.Record({"20090102", "C:\\FAX\\B.PDF", "    2"}, '*');
  table.Record({"20090203", "C:\\FAX\\C.PDF", "    3"});
  return table;
}

std::string RecordBytes(const std::vector<std::uint8_t>& file, std::size_t n) {
  if (n == 0 || file.size() < 12) return {};
  const std::size_t length = ReadU16(file, 10);
  const std::size_t start = ReadU16(file, 8) + (n - 1) * length;
  if (start + length > file.size()) return {};
  return std::string(file.begin() + static_cast<std::ptrdiff_t>(start),
                     file.begin() + static_cast<std::ptrdiff_t>(start + length));
}

std::string RecordBytes(const std::string& path, std::size_t n) {
  return RecordBytes(ReadFileBytes(path), n);
}

std::uint32_t HeaderRecordCount(std::span<const std::uint8_t> file) {
  return ReadU32(file, 4);
}

std::uint32_t HeaderRecordCount(const std::string& path) {
  return HeaderRecordCount(ReadFileBytes(path));
}

}  // namespace dbt::test
