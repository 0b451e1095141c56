// The fast marking and packing against the literal ones, byte for byte, on many tables.

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <random>

#include "dbf/engine.h"
#include "journal/append.h"
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

// One table written twice, into a folder of its own: ours works on one copy, the literal
// reference (or a second run of ours) on the other.
struct TwoCopies {
  TwoCopies(const DbfBuilder& table, const char* firstName, const char* secondName)
      : first(dir.File(firstName)), second(dir.File(secondName)) {
    table.WriteTo(first);
    table.WriteTo(second);
  }
  TempDir dir;
  std::string first;
  std::string second;
};

// The whole deletion of ours and the literal one on two copies of table: the same bytes and
// the same count; the count comes back.
std::int32_t ExpectTheLiteralDeletion(const DbfBuilder& table, const std::string& label) {
  const TwoCopies copies(table, "fast.dbf", "literal.dbf");
  const std::string& fast = copies.first;
  const std::string& literal = copies.second;
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

// The command-line tool's and the window's append: the copies written normalised and hashed on
// the way, the normalising pass over the table's own records only. Against the literal append and
// deletion, on tables that share contents, the copies spread over many blocks or in one.
TEST(DedupeAgainstReference, AppendWithNormalisedCopiesMatchesTheLiteralAppendAndDeletion) {
  std::mt19937 random(20261209);
  for (int round = 0; round < 40; ++round) {
    const int distinct = 1 + static_cast<int>(random() % 20);
    const DbfBuilder target =
        RandomTable(random, {static_cast<int>(random() % 40), distinct, round % 2 == 0, false});
    const DbfBuilder source = RandomTable(
        random, {1 + static_cast<int>(random() % 40), distinct, round % 3 == 0, round % 4 == 0});
    const std::string label = "round " + std::to_string(round);
    journal_detail::SetBlockBytes(round % 2 == 0 ? 3 * kNumberedJournalRecord
                                                 : journal_detail::kBlockBytes);
    const TwoCopies copies(target, "fast.dbf", "literal.dbf");
    const std::string& fast = copies.first;
    const std::string& literal = copies.second;
    const std::string other = copies.dir.File("other.dbf");
    source.WriteTo(other);

    TableEngine fastEngine(PlatformFileSystem(), FixedToday);
    NormalizedTail tail;
    const AppendResult appended = AppendTable(fastEngine, fast, 1, other, 2, {}, &tail);
    ASSERT_TRUE(appended.ok()) << label << ": " << appended.detail;
    EXPECT_EQ(tail.hashes.size(), static_cast<std::size_t>(appended.appended)) << label;
    RecordBuffer buffer;
    const DedupeResult result = DeleteDuplicates(fastEngine, fast, 1, buffer, {}, &tail);
    EXPECT_TRUE(result.ok()) << label << ": " << result.detail;
    EXPECT_TRUE(tail.hashes.empty()) << label;

    TableEngine literalEngine(PlatformFileSystem(), FixedToday);
    EXPECT_EQ(reference::AppendTable(literalEngine, literal, 1, other, 2), appended.Code())
        << label;
    EXPECT_EQ(reference::DeleteDuplicates(literalEngine, literal, 1), result.removed) << label;
    EXPECT_EQ(ReadFileBytes(fast), ReadFileBytes(literal)) << label;
  }
  journal_detail::SetBlockBytes(journal_detail::kBlockBytes);
}

// Records a tail does not describe are normalised like every other; the tail is used up either way.
TEST(DedupeAgainstReference, ATailThatDoesNotEndWithTheTableIsIgnored) {
  std::mt19937 random(11);
  const DbfBuilder table = RandomTable(random, {30, 6, true, true});
  const TwoCopies copies(table, "plain.dbf", "tailed.dbf");
  const std::string& plain = copies.first;
  const std::string& tailed = copies.second;
  TableEngine engine(PlatformFileSystem(), FixedToday);
  RecordBuffer buffer;
  RecordHashes plainHashes;
  ASSERT_TRUE(NormalizeRecords(engine, plain, 1, buffer, {}, &plainHashes).ok());
  for (const std::int32_t first : {-1, 0, 5, 29, 31}) {
    NormalizedTail tail;
    tail.first = first;
    tail.hashes.assign(first == 0 ? 29 : 3, journal_detail::HashedSlot(1, 0));
    RecordHashes hashes;
    ASSERT_TRUE(NormalizeRecords(engine, tailed, 1, buffer, {}, &hashes, &tail).ok());
    EXPECT_TRUE(tail.hashes.empty()) << first;
    EXPECT_EQ(ReadFileBytes(tailed), ReadFileBytes(plain)) << first;
    ASSERT_EQ(hashes.size(), plainHashes.size()) << first;
    for (std::size_t i = 0; i < hashes.size(); ++i) {
      EXPECT_EQ(hashes[i].Word(), plainHashes[i].Word()) << first << " " << i;
    }
    table.WriteTo(tailed);
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
