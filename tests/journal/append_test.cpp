#include "journal/append.h"

#include <gtest/gtest.h>

#include "dbf/engine.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

class AppendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DbfBuilder target = NumberedJournalLayout();
    for (int i = 0; i < 10; ++i) {
      target.Record(
          JournalRow("2026010" + std::to_string(i), "C:\\Fax\\t" + std::to_string(i), "1", ""));
    }
    target.WriteTo(targetPath_);
    targetBefore_ = ReadFileBytes(targetPath_);
  }
  AppendResult Append(TableEngine& engine) {
    return AppendTable(engine, targetPath_, 1, sourcePath_, 2);
  }

  TempDir dir_;
  std::string targetPath_ = dir_.File("journal.dbf");
  std::string sourcePath_ = dir_.File("other.dbf");
  std::vector<std::uint8_t> targetBefore_;
};

TEST_F(AppendTest, RecordsFollowInTheSourcesOrderWithTheirFlagsAndOneEndMarker) {
  DbfBuilder source;
  source.Field("datum", 'D', 8)
      .Field("Datei", 'C', 30)
      .Field("NUMMER", 'N', 5)
      .Field("error", 'C', 12);
  source.Record(JournalRow("20250101", "S:\\a", "7", "e"), '*')
      .Record(JournalRow("20250102", "S:\\b", "8", "e"))
      .Record(JournalRow("20250103", "S:\\c", "9", "e"), ':')
      .EndMarker(false);
  source.WriteTo(sourcePath_);
  const std::vector<std::uint8_t> sourceBytes = ReadFileBytes(sourcePath_);
  TableEngine engine(PlatformFileSystem(), FixedToday);
  EXPECT_TRUE(TablesCompatible(engine, targetPath_, 1, sourcePath_, 2));
  const AppendResult result = Append(engine);
  ASSERT_EQ(result.Code(), 1) << result.detail;
  EXPECT_EQ(result.appended, 3);

  const std::vector<std::uint8_t> after = ReadFileBytes(targetPath_);
  ASSERT_EQ(after.size(), kNumberedJournalHeader + 13 * kNumberedJournalRecord + 1);
  EXPECT_EQ(HeaderRecordCount(after), 13u);
  EXPECT_EQ(after.back(), 0x1A);
  for (std::size_t i = 1; i <= 10; ++i)
    EXPECT_EQ(RecordBytes(after, i), RecordBytes(targetBefore_, i));
  for (std::size_t i = 1; i <= 3; ++i)
    EXPECT_EQ(RecordBytes(after, 10 + i), RecordBytes(sourceBytes, i));
  EXPECT_EQ(after[3], 7);
  EXPECT_EQ(ReadFileBytes(sourcePath_), sourceBytes);
}

TEST_F(AppendTest, IncompatibleOrNoTableOrEmptySourceLeavesTheTargetUnchanged) {
  TableEngine engine(PlatformFileSystem(), FixedToday);
  DbfBuilder reordered;
  reordered.Field("DATEI", 'C', 30)
      .Field("DATUM", 'D', 8)
      .Field("NUMMER", 'N', 5)
      .Field("ERROR", 'C', 12);
  reordered.Record(JournalRow("S:\\a", "20250101", "1", ""));
  reordered.WriteTo(sourcePath_);
  EXPECT_EQ(Append(engine).Code(), 0);

  DbfBuilder wider = NumberedJournalLayout(31, 4);
  wider.Record(JournalRow("20250101", "S:\\a", "1", ""));
  wider.WriteTo(sourcePath_);
  EXPECT_EQ(Append(engine).Code(), 0);

  WriteFileBytes(sourcePath_, std::vector<std::uint8_t>(32, 0x03));
  EXPECT_EQ(Append(engine).Code(), 0);
  WriteFileBytes(sourcePath_, std::vector<std::uint8_t>(200, 0x30));
  EXPECT_EQ(Append(engine).Code(), 0);
  EXPECT_EQ(ReadFileBytes(targetPath_), targetBefore_);

  NumberedJournalLayout().WriteTo(sourcePath_);
  const AppendResult empty = Append(engine);
  EXPECT_EQ(empty.Code(), 1);
  EXPECT_EQ(empty.appended, 0);
  EXPECT_EQ(ReadFileBytes(targetPath_), targetBefore_);
}

TEST_F(AppendTest, TheTableItselfIsRefusedBeforeAnythingIsOpened) {
  FaultyFileSystem files;
  TableEngine engine(files, FixedToday);
  const std::string otherSpelling = dir_.File(".") + "/journal.dbf";
  const AppendResult result = AppendTable(engine, targetPath_, 1, otherSpelling, 2);
  EXPECT_TRUE(result.sameTable);
  EXPECT_EQ(result.Code(), 0);
  EXPECT_EQ(files.WriteCount(), 0);
  EXPECT_EQ(ReadFileBytes(targetPath_), targetBefore_);
}

TEST_F(AppendTest, LockedTargetIsReportedAndNothingWritten) {
  NumberedJournalLayout().Record(JournalRow("20250101", "S:\\a", "1", "")).WriteTo(sourcePath_);
  FaultyFileSystem files;
  files.FailOpen(targetPath_, FileOpenError::Locked);
  TableEngine engine(files, FixedToday);
  const AppendResult result = Append(engine);
  EXPECT_EQ(result.error, TableOpenError::Locked);
  EXPECT_NE(result.detail.find(targetPath_), std::string::npos);
  EXPECT_EQ(result.Code(), 0);
  EXPECT_EQ(files.WriteCount(), 0);
  EXPECT_EQ(ReadFileBytes(targetPath_), targetBefore_);
}

TEST_F(AppendTest, SourceDifferingOnlyInDecimalsOrRecordLengthIsRefused) {
  TableEngine engine(PlatformFileSystem(), FixedToday);
  DbfBuilder decimals = NumberedJournalLayout(30, 5, 2);
  decimals.Record(JournalRow("20250101", "S:\\a", "1.00", ""));
  decimals.WriteTo(sourcePath_);
  EXPECT_FALSE(TablesCompatible(engine, targetPath_, 1, sourcePath_, 2));
  EXPECT_EQ(Append(engine).appended, 0);

  // One byte more per record behind the same fields: the copies would shift every later field.
  DbfBuilder longer = NumberedJournalLayout();
  longer.RecordLength(kNumberedJournalRecord + 1);
  longer.RawRecord(" 20250101S:\\a" + std::string(26, ' ') + "    1" + std::string(13, ' '));
  longer.WriteTo(sourcePath_);
  EXPECT_FALSE(TablesCompatible(engine, targetPath_, 1, sourcePath_, 2));
  EXPECT_EQ(Append(engine).appended, 0);
  EXPECT_EQ(ReadFileBytes(targetPath_), targetBefore_);
}

// A name has at most ten characters; the eleventh byte of its area is the terminator's place.
// A writer that put a letter there made no other field: the window and the tool show the same
// name for both, and the records line up byte for byte.
TEST_F(AppendTest, FieldNamesAreComparedByTheirFirstTenCharacters) {
  const auto layout = [](const std::string& thirdName) {
    DbfBuilder table;
    table.Field("DATUM", 'D', 8)
        .Field("DATEI", 'C', 30)
        .Field(thirdName, 'N', 5)
        .Field("ERROR", 'C', 12);
    return table;
  };
  layout("LAUFNUMMER").Record(JournalRow("20260101", "C:\\Fax\\t", "1", "")).WriteTo(targetPath_);
  const std::vector<std::uint8_t> before = ReadFileBytes(targetPath_);
  TableEngine engine(PlatformFileSystem(), FixedToday);

  layout("LAUFNUMMEX").Record(JournalRow("20250101", "S:\\a", "2", "")).WriteTo(sourcePath_);
  EXPECT_FALSE(TablesCompatible(engine, targetPath_, 1, sourcePath_, 2));
  EXPECT_EQ(Append(engine).appended, 0);
  EXPECT_EQ(ReadFileBytes(targetPath_), before);

  layout("laufnummerX").Record(JournalRow("20250101", "S:\\a", "2", "")).WriteTo(sourcePath_);
  EXPECT_TRUE(TablesCompatible(engine, targetPath_, 1, sourcePath_, 2));
  const AppendResult result = Append(engine);
  EXPECT_EQ(result.appended, 1) << result.detail;
  EXPECT_EQ(HeaderRecordCount(ReadFileBytes(targetPath_)), 2u);
}

}  // namespace
}  // namespace dbt::test
