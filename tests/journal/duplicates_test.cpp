#include "journal/duplicates.h"

#include <gtest/gtest.h>

#include "dbf/engine.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

class DuplicatesTest : public ::testing::Test {
 protected:
  void Write(const DbfBuilder& builder) {
    builder.WriteTo(path_);
    before_ = ReadFileBytes(path_);
  }
  DedupeResult Run() { return DeleteDuplicates(engine_, path_, 3, buffer_); }

  TempDir dir_;
  std::string path_ = dir_.File("journal.dbf");
  std::vector<std::uint8_t> before_;
  TableEngine engine_{PlatformFileSystem(), FixedToday};
  RecordBuffer buffer_;
};

std::vector<std::string> Row(int i) {
  return JournalRow("20260101", "C:\\Fax\\" + std::to_string(i) + ".pdf", std::to_string(i), "");
}

TEST_F(DuplicatesTest, LaterEqualsAreRemovedAndTheOthersKeepTheirOrder) {
  DbfBuilder table = NumberedJournalLayout();
  for (int i = 1; i <= 11; ++i) table.Record(i == 2 || i == 5 || i == 9 ? Row(2) : Row(i));
  Write(table);
  const DedupeResult result = Run();
  ASSERT_TRUE(result.ok()) << result.detail;
  EXPECT_EQ(result.before, 11);
  EXPECT_EQ(result.removed, 2);
  EXPECT_EQ(result.after, 9);
  const std::vector<std::uint8_t> after = ReadFileBytes(path_);
  ASSERT_EQ(after.size(), kNumberedJournalHeader + 9 * kNumberedJournalRecord + 1);
  EXPECT_EQ(HeaderRecordCount(after), 9u);
  EXPECT_EQ(after.back(), 0x1A);
  const std::size_t kept[] = {1, 2, 3, 4, 6, 7, 8, 10, 11};
  for (std::size_t k = 0; k < 9; ++k)
    EXPECT_EQ(RecordBytes(after, k + 1), RecordBytes(before_, kept[k]));
}

// The normalising pass rewrites ERROR; a zero byte in the date before it must not leave its umlaut
// unconverted on the way in and converted again on the way out.
TEST_F(DuplicatesTest, AZeroByteInTheDateChangesNoUmlautOfPathOrError) {
  const std::string zeroDate(8, '\0');
  const std::string oemPath =
      "C:\\Fax\\\x8Erzte\\\x9A"
      "bersicht.pdf    ";  // OEM 850, 30 bytes
  DbfBuilder table = NumberedJournalLayout();
  table.RawRecord(" " + zeroDate + oemPath + "    1" + "St\x94rung\r\n   ")
      .RawRecord("*" + zeroDate + oemPath + "    1" + "St\x94rung     ");
  Write(table);
  const DedupeResult result = Run();
  ASSERT_TRUE(result.ok()) << result.detail;
  EXPECT_EQ(result.removed, 1);
  const std::vector<std::uint8_t> after = ReadFileBytes(path_);
  EXPECT_EQ(HeaderRecordCount(after), 1u);
  EXPECT_EQ(RecordBytes(after, 1), " " + zeroDate + oemPath + "    1" + "St\x94rung     ");
}

TEST_F(DuplicatesTest, FlagsAndTrailingLineBreaksOfErrorDoNotMakeRecordsDifferent) {
  DbfBuilder table = NumberedJournalLayout();
  table.Record(JournalRow("20260101", "C:\\a.pdf", "1", "Busy"), '*')
      .Record(JournalRow("20260101", "C:\\a.pdf", "1", "Busy\r\n"))
      .Record(JournalRow("20260101", "C:\\A.pdf", "1", "Busy"), ':')
      .EndMarker(false);
  Write(table);
  const DedupeResult result = Run();
  EXPECT_EQ(result.removed, 1);
  const std::vector<std::uint8_t> after = ReadFileBytes(path_);
  ASSERT_EQ(after.size(), kNumberedJournalHeader + 2 * kNumberedJournalRecord + 1);
  std::string first = RecordBytes(before_, 1);
  first[0] = ' ';
  EXPECT_EQ(RecordBytes(after, 1), first);
  std::string third = RecordBytes(before_, 3);
  third[0] = ' ';
  EXPECT_EQ(RecordBytes(after, 2), third);
  EXPECT_EQ(after.back(), 0x1A);
}

TEST_F(DuplicatesTest, NoDuplicatesMeansEveryRecordLiveAndNothingRemoved) {
  DbfBuilder table = NumberedJournalLayout();
  table.Record(Row(1), '*').Record(Row(2)).EndMarker(false);
  Write(table);
  const DedupeResult result = Run();
  EXPECT_EQ(result.removed, 0);
  EXPECT_EQ(result.after, 2);
  std::vector<std::uint8_t> expected = before_;
  expected[1] = 126;
  expected[2] = 12;
  expected[3] = 7;
  expected[kNumberedJournalHeader] = ' ';
  EXPECT_EQ(ReadFileBytes(path_), expected);
}

TEST_F(DuplicatesTest, MissingFileIsASilentNoOpAndRemovalRefusesWithoutPathOrHandle) {
  EXPECT_EQ(Run().error, TableOpenError::Missing);
  EXPECT_EQ(RemoveDuplicates(engine_, path_, 3).removed, 0);
  EXPECT_FALSE(engine_.Files().Exists(path_));

  DbfBuilder table = NumberedJournalLayout();
  table.Record(Row(1), ':').Record(Row(1), ':');
  Write(table);
  EXPECT_FALSE(RemoveDuplicates(engine_, "  ", 3).ok());
  EXPECT_FALSE(RemoveDuplicates(engine_, path_, 0).ok());
  EXPECT_EQ(ReadFileBytes(path_), before_);
}

}  // namespace
}  // namespace dbt::test
