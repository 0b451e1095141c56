// The one-pass removal where the hash cannot tell records apart, where the first records of the
// groups do not fit in memory and where steps are a few records long: the records it compares
// with are then waiting in the compaction or already moved, and it must still leave exactly the
// bytes of the literal marking and packing.

#include <gtest/gtest.h>

#include <map>
#include <random>

#include "journal/duplicate_groups.h"
#include "journal/duplicates.h"
#include "journal/open_table.h"
#include "reference/reference_dedupe.h"
#include "tests/journal/colliding_hashes.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

using journal_detail::HashedSlot;

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

// Only hashes that occur once may go: every member of a group must reach the comparison.
TEST(DropUniqueHashes, KeepsEveryOccurrenceOfARepeatedHash) {
  std::mt19937_64 random(7);
  for (const std::size_t size : {0, 1, 2, 50, 3000, 200000}) {
    RecordHashes hashes;
    for (std::size_t slot = 0; slot < size; ++slot) {
      const bool repeat = slot > 0 && random() % 4 == 0;
      const std::uint64_t hash = repeat ? hashes[random() % slot].hash : random();
      hashes.push_back({hash, static_cast<std::int32_t>(slot)});
    }
    std::map<std::uint64_t, int> occurrences;
    for (const HashedSlot& item : hashes) ++occurrences[item.hash];
    RecordHashes kept = hashes;
    journal_detail::DropUniqueHashes(kept);
    std::size_t repeated = 0;
    for (const HashedSlot& item : hashes) repeated += occurrences[item.hash] > 1 ? 1 : 0;
    std::size_t keptRepeated = 0;
    for (const HashedSlot& item : kept) keptRepeated += occurrences[item.hash] > 1 ? 1 : 0;
    EXPECT_EQ(keptRepeated, repeated) << size;
    // Most unique ones go, or the sort saves nothing.
    EXPECT_LE(kept.size() - keptRepeated, (size - repeated) / 4 + 1) << size;
  }
}

}  // namespace
}  // namespace dbt::test
