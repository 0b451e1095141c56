#include "tests/journal/colliding_hashes.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "dbf/engine.h"
#include "journal/open_table.h"
#include "tests/support/journal_tables.h"

namespace dbt::test {

DbfBuilder RandomJournal(std::mt19937& random, int records, int distinct) {
  DbfBuilder table = NumberedJournalLayout();
  for (int i = 0; i < records; ++i) {
    const int content = static_cast<int>(random() % static_cast<unsigned>(distinct));
    table.Record(JournalRow("20260101", "C:\\F\\" + std::to_string(content), "1", "x"));
  }
  return table;
}

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

}  // namespace dbt::test
