#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dbf/engine.h"
#include "tests/dbf/engine_test_support.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

// Writes and reads at a 64-bit offset through the standard library, apart from the engine.
void PutAt(const std::string& path, std::uint64_t offset, const std::string& bytes) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  file.seekp(static_cast<std::streamoff>(offset));
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(file.good()) << offset;
}

std::string GetAt(const std::string& path, std::uint64_t offset, std::size_t count) {
  std::ifstream file(path, std::ios::binary);
  file.seekg(static_cast<std::streamoff>(offset));
  std::string bytes(count, '\0');
  file.read(bytes.data(), static_cast<std::streamsize>(count));
  return file.good() ? bytes : std::string();
}

// A sparse table of 50,000,000 records of 100 bytes: 5 GB, with records beyond 2 GiB and 4 GiB.
TEST(LargeTable, LoadsAndStoresRecordsBeyondTwoAndFourGibibytes) {
  TempDir dir;
  const std::string path = dir.File("large.dbf");
  constexpr std::uint32_t kCount = 50'000'000;
  DbfBuilder table;
  table.Field("DATEI", 'C', 99).RecordCount(kCount).EndMarker(false);
  table.WriteTo(path);
  constexpr std::uint64_t kFirst = 65;
  constexpr std::uint64_t kLength = 100;
  std::error_code error;
  std::filesystem::resize_file(path, kFirst + kLength * kCount + 1, error);
  if (error) GTEST_SKIP() << "no sparse file of 5 GB here: " << error.message();

  const std::int32_t beyond2 = 21'474'837;  // starts at 2,147,483,665
  const std::int32_t beyond4 = 45'000'000;  // starts at 4,499,999,965
  for (const std::int32_t n : {beyond2 - 1, beyond2, beyond4 - 1, beyond4, std::int32_t{kCount}}) {
    std::string record = " record " + std::to_string(n);
    record.resize(kLength, ' ');
    PutAt(path, kFirst + kLength * static_cast<std::uint64_t>(n - 1), record);
  }

  TableEngine engine(PlatformFileSystem(), FixedToday);
  std::vector<std::uint8_t> header;
  std::int64_t size = 0;
  const TableOpenResult opened = engine.OpenTable(path, 1, OpenAccess::ReadWrite, header, size);
  ASSERT_TRUE(opened.ok()) << opened.detail;
  EXPECT_EQ(size, static_cast<std::int64_t>(kFirst + kLength * kCount + 1));
  EXPECT_EQ(engine.StoredRecordCount(1), static_cast<std::int32_t>(kCount));

  std::int32_t n = beyond2;
  EXPECT_EQ(engine.RecordPosition(1, n), kFirst + kLength * (beyond2 - 1ull));
  RecordBuffer buffer;
  for (const std::int32_t wanted : {beyond2, beyond4}) {
    n = wanted;
    engine.LoadRecord(1, n, buffer);
    std::string expected = "record " + std::to_string(wanted);
    expected.resize(99, ' ');
    EXPECT_EQ(buffer.FieldValues[1], expected);
    buffer.FieldValues[1] = "changed " + std::to_string(wanted);
    engine.StoreRecord(1, n, buffer);
  }
  n = kCount + 10;
  engine.LoadRecord(1, n, buffer);
  EXPECT_EQ(n, static_cast<std::int32_t>(kCount));
  EXPECT_EQ(buffer.FieldValues[1].substr(0, 16), "record 50000000 ");
  engine.CloseTable(1);

  for (const std::int32_t wanted : {beyond2, beyond4}) {
    const std::uint64_t at = kFirst + kLength * static_cast<std::uint64_t>(wanted - 1);
    std::string expected = " changed " + std::to_string(wanted);
    expected.resize(kLength, ' ');
    EXPECT_EQ(GetAt(path, at, kLength), expected);
    std::string neighbour = " record " + std::to_string(wanted - 1);
    neighbour.resize(kLength, ' ');
    EXPECT_EQ(GetAt(path, at - kLength, kLength), neighbour);
  }
  EXPECT_EQ(std::filesystem::file_size(path), kFirst + kLength * kCount + 1);
}

}  // namespace
}  // namespace dbt::test
