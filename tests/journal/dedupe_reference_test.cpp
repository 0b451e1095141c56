// The fast marking and packing against the literal ones, byte for byte, on many tables.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "dbf/engine.h"
#include "journal/duplicates.h"
#include "journal/open_table.h"
#include "reference/reference_dedupe.h"
#include "reference/reference_operations.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

struct Shape {
  int records;
  int distinct;  // records are drawn from this many contents
  bool endMarker;
  bool lastIsDuplicate;
};

DbfBuilder RandomTable(std::mt19937& random, const Shape& shape) {
  const char flags[] = {' ', ' ', ' ', '*', ':'};
  DbfBuilder table = NumberedJournalLayout();
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < shape.records; ++i) {
    const int content = static_cast<int>(random() % static_cast<unsigned>(shape.distinct));
    // Some dates stored as zero bytes, some paths and errors with OEM umlauts after them.
    const std::string date =
        content % 5 == 0 ? std::string(8, '\0') : "2026" + std::to_string(1000 + content % 7);
    std::vector<std::string> row =
        JournalRow(date, "C:\\\x8E\\" + std::to_string(content), std::to_string(content % 3),
                   content % 2 ? "\x94\r\n" : "\x94");
    if (shape.lastIsDuplicate && i == shape.records - 1 && !rows.empty()) row = rows.front();
    rows.push_back(row);
    table.Record(row, flags[random() % 5]);
  }
  return table.EndMarker(shape.endMarker);
}

// The whole deletion of ours and the literal one on two copies of table: the same bytes and
// the same count; the count comes back.
std::int32_t ExpectTheLiteralDeletion(const DbfBuilder& table, const std::string& label) {
  TempDir dir;
  const std::string fast = dir.File("fast.dbf");
  const std::string literal = dir.File("literal.dbf");
  table.WriteTo(fast);
  table.WriteTo(literal);
  TableEngine fastEngine(PlatformFileSystem(), FixedToday);
  RecordBuffer fastBuffer;
  const DedupeResult result = DeleteDuplicates(fastEngine, fast, 2, fastBuffer);
  EXPECT_TRUE(result.ok()) << label << ": " << result.detail;
  TableEngine literalEngine(PlatformFileSystem(), FixedToday);
  EXPECT_EQ(result.removed, reference::DeleteDuplicates(literalEngine, literal, 2)) << label;
  EXPECT_EQ(ReadFileBytes(fast), ReadFileBytes(literal)) << label;
  return result.removed;
}

TEST(DedupeAgainstReference, SameBytesOnManyTables) {
  std::mt19937 random(20261207);
  std::vector<Shape> shapes = {
      {0, 1, true, false},   {1, 1, true, false},      {1, 1, false, false}, {40, 1, true, false},
      {40, 40, true, false}, {30, 1000, false, false}, {25, 5, false, true}, {60, 10, true, true}};
  for (int i = 0; i < 60; ++i) {
    shapes.push_back({1 + static_cast<int>(random() % 80), 1 + static_cast<int>(random() % 30),
                      random() % 2 == 0, random() % 3 == 0});
  }
  for (const Shape& shape : shapes) {
    ExpectTheLiteralDeletion(
        RandomTable(random, shape),
        std::to_string(shape.records) + " records of " + std::to_string(shape.distinct));
  }
}

TEST(DedupeAgainstReference, WholeDeletionMatchesTheLiteralOne) {
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    const DbfBuilder table = RandomTable(random, {50, 8, round % 2 == 0, round % 3 == 0});
    ExpectTheLiteralDeletion(table, "round " + std::to_string(round));
  }
}

// A table whose records are the flag alone: each equals the first, whatever its flag, in blocks
// of one byte as in blocks of many records.
TEST(DedupeAgainstReference, RecordsOfTheFlagAloneAreAllDuplicatesOfTheFirst) {
  DbfBuilder table;
  table.Field("DATUM", 'D', 0).Field("DATEI", 'C', 0);
  for (const char flag : {' ', '*', ' ', '\0', ' '}) table.RawRecord(std::string(1, flag));
  journal_detail::SetBlockBytes(1);
  EXPECT_EQ(ExpectTheLiteralDeletion(table, "one byte a block"), 4);
  journal_detail::SetBlockBytes(journal_detail::kBlockBytes);
  EXPECT_EQ(ExpectTheLiteralDeletion(table, "whole blocks"), 4);
}

}  // namespace
}  // namespace dbt::test
