// The one-pass removal where the hash cannot tell records apart, where the first records of the
// groups do not fit in memory and where steps are a few records long: the records it compares
// with are then waiting in the compaction or already moved, and it must still leave exactly the
// bytes of the literal marking and packing.

#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "journal/duplicate_groups.h"
#include "journal/duplicates.h"
#include "journal/open_table.h"
#include "reference/reference_dedupe.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

// A numbered journal of that many records, each one of `distinct` paths.
DbfBuilder RandomJournal(std::mt19937& random, int records, int distinct) {
  DbfBuilder table = NumberedJournalLayout();
  for (int i = 0; i < records; ++i) {
    const int content = static_cast<int>(random() % static_cast<unsigned>(distinct));
    table.Record(JournalRow("20260101", "C:\\F\\" + std::to_string(content), "1", "x"));
  }
  return table;
}

// A hash that equal records share but many different ones too: the sum of the bytes after the
// flag, modulo groups.
RecordHashes WeakHashes(const std::string& path, int groups) {
  TableEngine engine(PlatformFileSystem(), FixedToday);
  journal_detail::ScopedTable scoped(engine, 1);
  EXPECT_TRUE(scoped.Open(path, OpenAccess::Read).ok());
  const journal_detail::RecordLayout layout = journal_detail::LayoutOf(engine, 1);
  RecordHashes hashes;
  for (std::int32_t slot = 0; slot < layout.count; ++slot) {
    std::uint64_t sum = 0;
    for (const std::uint8_t b :
         engine.ReadAt(1, layout.SlotOffset(slot) + 1, layout.recordLength - 1))
      sum += b;
    hashes.push_back({sum % static_cast<std::uint64_t>(groups), slot});
  }
  return hashes;
}

// The removal's result on fast against the literal marking and packing of literal, a copy of the
// same table: that many marks, and the same bytes.
void ExpectTheLiteralMarkingAndPacking(const RemovalResult& result, const std::string& fast,
                                       const std::string& literal, std::int32_t marks) {
  ASSERT_TRUE(result.ok()) << result.detail;
  TableEngine other(PlatformFileSystem(), FixedToday);
  const std::int32_t marked = reference::ReferenceMarkDuplicates(other, literal, 2);
  ASSERT_EQ(marked, marks);
  reference::ReferencePackMarked(other, literal, 2);
  EXPECT_EQ(result.removed, marked);
  EXPECT_EQ(ReadFileBytes(fast), ReadFileBytes(literal));
}

class RemoveDuplicatesTest : public ::testing::Test {
 protected:
  void TearDown() override {
    journal_detail::SetBlockBytes(journal_detail::kBlockBytes);
    journal_detail::SetBlocksPerStep(journal_detail::kBlocksPerStep);
    journal_detail::SetKeptRecordBytes(journal_detail::kKeptRecordBytes);
  }
};

TEST_F(RemoveDuplicatesTest, CollidingHashesShortMemoryAndShortStepsGiveTheLiteralBytes) {
  TempDir dir;
  const std::string fast = dir.File("fast.dbf");
  const std::string literal = dir.File("literal.dbf");
  std::mt19937 random(11);
  int removed = 0;
  for (int t = 0; t < 60; ++t) {
    const int records = 2 + static_cast<int>(random() % 80);
    const int distinct = 1 + static_cast<int>(random() % 15);
    const int groups = 1 + static_cast<int>(random() % 4);
    // No room at all, room for two first records, and plenty; steps of two to nine records.
    journal_detail::SetKeptRecordBytes(
        std::vector<std::size_t>{0, 2 * (kNumberedJournalRecord - 1), 1 << 20}[t % 3]);
    journal_detail::SetBlockBytes((1 + t % 3) * kNumberedJournalRecord);
    journal_detail::SetBlocksPerStep(2 + t % 2);
    const DbfBuilder table = RandomJournal(random, records, distinct);
    table.WriteTo(fast);
    table.WriteTo(literal);

    RecordHashes hashes = WeakHashes(fast, groups);
    TableEngine engine(PlatformFileSystem(), FixedToday);
    const RemovalResult result = RemoveDuplicates(engine, fast, 1, {}, &hashes);
    ASSERT_TRUE(result.ok()) << result.detail;
    TableEngine other(PlatformFileSystem(), FixedToday);
    const std::int32_t marked = reference::ReferenceMarkDuplicates(other, literal, 2);
    if (marked > 0) reference::ReferencePackMarked(other, literal, 2);
    ASSERT_EQ(result.removed, marked) << "table " << t;
    ASSERT_EQ(result.remaining, records - marked) << "table " << t;
    ASSERT_EQ(ReadFileBytes(fast), ReadFileBytes(literal)) << "table " << t;
    EXPECT_FALSE(PlatformFileSystem().Exists(fast + ".dbasetool-recovery"));
    removed += result.removed;
  }
  EXPECT_GT(removed, 500);
}

// A step that ends before it reaches the first record it moves logs only where its records lie;
// once the gap allows such steps, the log must stay small beside the records moved.
TEST_F(RemoveDuplicatesTest, OnceTheGapIsAQuarterStepNoStepLogsItsBytes) {
  TempDir dir;
  const std::string path = dir.File("gap.dbf");
  DbfBuilder table = NumberedJournalLayout();
  for (int i = 0; i < 11; ++i) table.Record(JournalRow("20260101", "C:\\F\\same", "1", "x"));
  constexpr int kMoved = 200;
  for (int i = 0; i < kMoved; ++i) {
    table.Record(JournalRow("20260101", "C:\\F\\" + std::to_string(i), "1", "x"));
  }
  table.WriteTo(path);
  // Steps of sixteen records: the ten left out make a gap of more than a quarter step.
  journal_detail::SetBlockBytes(4 * kNumberedJournalRecord);
  journal_detail::SetBlocksPerStep(4);

  FaultyFileSystem files;
  TableEngine engine(files, FixedToday);
  RecordBuffer buffer;
  RecordHashes hashes;
  ASSERT_TRUE(NormalizeRecords(engine, path, 1, buffer, {}, &hashes).ok());
  const int normalizeWrites = files.WriteCount();
  const RemovalResult result = RemoveDuplicates(engine, path, 1, {}, &hashes);
  ASSERT_TRUE(result.ok()) << result.detail;
  EXPECT_EQ(result.removed, 10);
  std::size_t written = 0;
  for (int k = normalizeWrites + 1; k <= files.WriteCount(); ++k) written += files.WriteSize(k);
  const std::size_t movedBytes = std::size_t{kMoved} * kNumberedJournalRecord;
  EXPECT_GE(written, movedBytes);
  // Each step logs its range, its list and the bytes it writes over (as many as it moves), about
  // 150 bytes besides; a step that logged its 16 records too would add 896 more.
  EXPECT_LT(written, 2 * movedBytes + movedBytes / 3);
}

// A group whose first record found the store full may take a place freed later, but only with
// the bytes of a member equal to that first record: a member that merely shares the hash must
// not stand in for it, or a later copy of the first record would be kept.
TEST_F(RemoveDuplicatesTest, APlaceFreedLaterHoldsTheFirstRecordsBytesOnly) {
  TempDir dir;
  const std::string fast = dir.File("fast.dbf");
  const std::string literal = dir.File("literal.dbf");
  DbfBuilder table = NumberedJournalLayout();
  for (const char* path : {"A", "B", "A", "C", "B", "B"}) {
    table.Record(JournalRow("20260101", std::string("C:\\F\\") + path, "1", "x"));
  }
  table.WriteTo(fast);
  table.WriteTo(literal);
  // Room for one record: A's group holds it until its last member frees it; B and C share a
  // hash, and C comes first after the place is free.
  journal_detail::SetKeptRecordBytes(kNumberedJournalRecord - 1);
  RecordHashes hashes = {{1, 0}, {2, 1}, {1, 2}, {2, 3}, {2, 4}, {2, 5}};
  TableEngine engine(PlatformFileSystem(), FixedToday);
  const RemovalResult result = RemoveDuplicates(engine, fast, 1, {}, &hashes);
  ExpectTheLiteralMarkingAndPacking(result, fast, literal, 3);
}

// Run alone, the removal hashes the records itself: records whose bytes after the flag are equal
// are duplicates whatever their flags, as the literal marking has it.
TEST_F(RemoveDuplicatesTest, RecordsThatDifferOnlyInTheirFlagAreDuplicates) {
  TempDir dir;
  const std::string fast = dir.File("fast.dbf");
  const std::string literal = dir.File("literal.dbf");
  DbfBuilder table = NumberedJournalLayout();
  const std::pair<const char*, char> records[] = {{"A", ' '}, {"B", '*'}, {"A", '*'},
                                                  {"B", ':'}, {"C", ' '}, {"A", ' '}};
  for (const auto& [path, flag] : records) {
    table.Record(JournalRow("20260101", std::string("C:\\F\\") + path, "1", "x"), flag);
  }
  table.WriteTo(fast);
  table.WriteTo(literal);
  TableEngine engine(PlatformFileSystem(), FixedToday);
  const RemovalResult result = RemoveDuplicates(engine, fast, 1);
  ExpectTheLiteralMarkingAndPacking(result, fast, literal, 3);
}

}  // namespace
}  // namespace dbt::test
