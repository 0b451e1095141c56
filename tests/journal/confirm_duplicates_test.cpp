// The confirmation of equal hashes on the records' bytes, where the hash cannot tell records
// apart and where the first records of the groups do not all fit in memory: the same marks as
// the literal marking, which compares every pair.

#include "journal/confirm_duplicates.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "dbf/engine.h"
#include "journal/open_table.h"
#include "reference/reference_dedupe.h"
#include "tests/journal/colliding_hashes.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

using journal_detail::HashedSlot;

// Marks with hashes that cannot tell many records apart.
std::int32_t MarkWithWeakHash(const std::string& path, int groups, std::size_t keptBytes) {
  std::vector<HashedSlot> hashes = WeakHashes(path, groups);
  std::sort(hashes.begin(), hashes.end());
  TableEngine engine(PlatformFileSystem(), FixedToday);
  journal_detail::ScopedTable scoped(engine, 1);
  EXPECT_TRUE(scoped.Open(path, OpenAccess::ReadWrite).ok());
  const journal_detail::RecordLayout layout = journal_detail::LayoutOf(engine, 1);
  const journal_detail::ConfirmResult result =
      journal_detail::MarkConfirmedDuplicates(engine, 1, layout, hashes, keptBytes);
  EXPECT_TRUE(result.ok) << result.failure;
  return result.marked;
}

TEST(ConfirmDuplicates, CollidingHashesAndAShortMemoryGiveTheLiteralMarks) {
  TempDir dir;
  const std::string fast = dir.File("fast.dbf");
  const std::string literal = dir.File("literal.dbf");
  std::mt19937 random(5);
  int marked = 0;
  for (int t = 0; t < 40; ++t) {
    const int records = 2 + static_cast<int>(random() % 60);
    const int distinct = 1 + static_cast<int>(random() % 12);
    const int groups = 1 + static_cast<int>(random() % 4);
    // No room at all, room for two first records, and plenty.
    const std::size_t kept =
        std::vector<std::size_t>{0, 2 * (kNumberedJournalRecord - 1), 1 << 20}[t % 3];
    const DbfBuilder table = RandomJournal(random, records, distinct);
    table.WriteTo(fast);
    table.WriteTo(literal);
    const std::int32_t count = MarkWithWeakHash(fast, groups, kept);
    TableEngine engine(PlatformFileSystem(), FixedToday);
    ASSERT_EQ(count, reference::ReferenceMarkDuplicates(engine, literal, 2)) << "table " << t;
    ASSERT_EQ(ReadFileBytes(fast), ReadFileBytes(literal)) << "table " << t;
    marked += count;
  }
  EXPECT_GT(marked, 200);
}

TEST(ConfirmDuplicates, SortingByBucketsGivesTheOrderOfAComparisonSort) {
  std::mt19937_64 random(3);
  for (const std::size_t size : {0, 1, 2, 9, 100, 5000, 70000}) {
    std::vector<HashedSlot> hashes;
    for (std::size_t slot = 0; slot < size; ++slot) {
      // Full-width hashes, and runs of equal ones whose slots must stay ascending.
      const std::uint64_t hash = random() % 3 == 0 ? random() % 5 << 60 : random();
      hashes.push_back({hash, static_cast<std::int32_t>(slot)});
    }
    std::vector<HashedSlot> expected = hashes;
    std::sort(expected.begin(), expected.end());
    journal_detail::SortHashes(hashes);
    ASSERT_EQ(hashes.size(), expected.size());
    for (std::size_t i = 0; i < size; ++i) {
      ASSERT_EQ(hashes[i].hash, expected[i].hash) << size << " at " << i;
      ASSERT_EQ(hashes[i].slot, expected[i].slot) << size << " at " << i;
    }
  }
}

}  // namespace
}  // namespace dbt::test
