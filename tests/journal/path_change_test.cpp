#include "journal/path_change.h"

#include <gtest/gtest.h>

#include "dbf/engine.h"
#include "journal/open_table.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

PathRule Rule(const std::string& folder, bool rename) {
  PathRule rule;
  rule.targetFolder = folder;
  rule.renameToSff = rename;
  return rule;
}

TEST(BuildNewPath, ReplacesFolderAndOptionallyTheFileNamesExtension) {
  EXPECT_EQ(BuildNewPath("D:\\Alt\\Fax\\0001.pdf", Rule("E:\\Neu\\", false)), "E:\\Neu\\0001.pdf");
  EXPECT_EQ(BuildNewPath("D:\\Alt\\Fax\\0001.pdf", Rule("E:\\Neu\\", true)), "E:\\Neu\\0001.sff");
  EXPECT_EQ(BuildNewPath("D:\\x\\fax.0001.PDF", Rule("E:\\", true)), "E:\\fax.0001.sff");
  EXPECT_EQ(BuildNewPath("0002.tif", Rule("F:\\Archiv\\", true)), "F:\\Archiv\\0002.sff");
  EXPECT_EQ(BuildNewPath("D:0003.pdf  ", Rule("", false)), "0003.pdf");
}

TEST(BuildNewPath, NameWithoutExtensionKeepsItsNameWhateverTheFolderHolds) {
  EXPECT_EQ(BuildNewPath("D:\\my.dir\\doc", Rule("E:\\Neu\\", true)), "E:\\Neu\\doc");
  EXPECT_EQ(BuildNewPath("", Rule("E:\\Neu\\", true)), "E:\\Neu\\");
  EXPECT_EQ(BuildNewPath("", Rule("E:\\Neu\\", false)), "E:\\Neu\\");
}

class PathChangeTest : public ::testing::Test {
 protected:
  void Write(const DbfBuilder& builder) {
    builder.WriteTo(path_);
    before_ = ReadFileBytes(path_);
  }
  TempDir dir_;
  std::string path_ = dir_.File("journal.dbf");
  std::vector<std::uint8_t> before_;
  RecordBuffer buffer_;
};

// An empty date stored as zero bytes before DATEI: the document name keeps its OEM umlaut, the
// new folder's umlaut is stored in OEM, and a second run changes nothing.
TEST_F(PathChangeTest, AZeroByteBeforeDateiChangesNoByteOfTheDocumentName) {
  const std::string oemPath =
      "C:\\Fax\\\x8Erzte\\\x9A"
      "bersicht.pdf";  // OEM 850
  DbfBuilder table = NumberedJournalLayout();
  table.RawRecord(std::string(" ") + std::string(8, '\0') + oemPath + std::string(4, ' ') +
                  "   12" + "St\x94rung\r\n   ");
  Write(table);
  TableEngine engine(PlatformFileSystem(), FixedToday);
  int pathField = 0;
  for (int run = 1; run <= 2; ++run) {
    const PathChangeResult result =
        ChangeAllPaths(engine, path_, 7, Rule("X:\\\xC4nderung\\", run == 2), buffer_, pathField);
    ASSERT_TRUE(result.ok()) << result.detail;
    ASSERT_EQ(result.changed, 1);
  }
  std::string expected = RecordBytes(before_, 1);
  expected.replace(9, 30,
                   "X:\\\x8Enderung\\\x9A"
                   "bersicht.sff     ");
  EXPECT_EQ(RecordBytes(ReadFileBytes(path_), 1), expected);
}

TEST_F(PathChangeTest, AllRecordsGetTheNewPathAndBecomeLiveOtherFieldsKeepTheirBytes) {
  DbfBuilder table = NumberedJournalLayout();
  table.Record(JournalRow("20260101", "D:\\Alt\\0001.pdf", "  12", "Fehler\r\n"), '*')
      .Record(JournalRow("20260102", "", "3", ""))
      .Record(JournalRow("20260103", "D:\\Alt\\a_very_long_name_01.pdf", "4", "x"), '*')
      .RawRecord(std::string(" 2026010") + '\0' + "x.pdf" + std::string(25, ' ') +
                 std::string(17, 'z'));
  Write(table);
  TableEngine engine(PlatformFileSystem(), FixedToday);
  int pathField = 0;
  const PathChangeResult result =
      ChangeAllPaths(engine, path_, 7, Rule("E:\\Neu\\Ordner\\", true), buffer_, pathField);
  ASSERT_TRUE(result.ok()) << result.detail;
  EXPECT_EQ(pathField, 2);
  EXPECT_EQ(result.records, 4);
  EXPECT_EQ(result.changed, 3);
  EXPECT_EQ(result.tooLong, std::vector<std::int32_t>{3});

  const std::vector<std::uint8_t> after = ReadFileBytes(path_);
  ASSERT_EQ(after.size(), before_.size());
  std::string expected1 = RecordBytes(before_, 1);
  expected1[0] = ' ';
  expected1.replace(9, 30, "E:\\Neu\\Ordner\\0001.sff        ");
  EXPECT_EQ(RecordBytes(after, 1), expected1);
  std::string expected2 = RecordBytes(before_, 2);
  expected2.replace(9, 30, "E:\\Neu\\Ordner\\                ");
  EXPECT_EQ(RecordBytes(after, 2), expected2);
  // Too long for DATEI: left as it was, flag included.
  EXPECT_EQ(RecordBytes(after, 3), RecordBytes(before_, 3));
  // A zero byte in the date: the bytes after it survive the rewrite.
  EXPECT_EQ(RecordBytes(after, 4).substr(39), RecordBytes(before_, 4).substr(39));
  EXPECT_EQ(RecordBytes(after, 4).substr(0, 39),
            std::string(" 2026010") + '\0' + "E:\\Neu\\Ordner\\x.sff" + std::string(11, ' '));
  EXPECT_EQ(after[1], 126);
  EXPECT_EQ(after[2], 12);
  EXPECT_EQ(after[3], 7);
}

// A journal of DATUM and DATEI alone, every record deleted and its whole DATEI changed: each
// record logs two changes, its flag and its path, and the step must still fit the log.
TEST_F(PathChangeTest, EveryFlagAndWholePathOfAStepChangedFitsTheLog) {
  DbfBuilder table;
  table.Field("DATUM", 'D', 8).Field("DATEI", 'C', 20);
  for (int i = 0; i < 200; ++i) table.Record({"20260101", "C:\\1234567890123.pdf"}, '*');
  Write(table);
  TableEngine engine(PlatformFileSystem(), FixedToday);
  int pathField = 0;
  // Steps of 32 records, so that most steps are full.
  journal_detail::SetBlockBytes(4 * 29);
  const PathChangeResult result =
      ChangeAllPaths(engine, path_, 7, Rule("E:\\", true), buffer_, pathField);
  journal_detail::SetBlockBytes(journal_detail::kBlockBytes);
  ASSERT_TRUE(result.ok()) << result.detail;
  EXPECT_EQ(result.changed, 200);
  const std::vector<std::uint8_t> after = ReadFileBytes(path_);
  for (const std::size_t n : {std::size_t{1}, std::size_t{200}}) {
    EXPECT_EQ(RecordBytes(after, n), " 20260101E:\\1234567890123.sff") << n;
  }
}

TEST_F(PathChangeTest, LockedTableIsReportedAndLeftAlone) {
  DbfBuilder table = NumberedJournalLayout();
  table.Record(JournalRow("20260101", "D:\\Alt\\0001.pdf", "1", ""));
  Write(table);
  FaultyFileSystem files;
  files.FailOpen(path_, FileOpenError::Locked);
  TableEngine engine(files, FixedToday);
  int pathField = 0;
  const PathChangeResult all =
      ChangeAllPaths(engine, path_, 1, Rule("E:\\", false), buffer_, pathField);
  EXPECT_EQ(all.error, TableOpenError::Locked);
  EXPECT_NE(all.detail.find(path_), std::string::npos);
  std::int32_t current = 1;
  const PathStoreResult one =
      StoreCurrentPath(engine, path_, 1, current, 2, "E:\\0001.pdf", buffer_);
  EXPECT_EQ(one.error, TableOpenError::Locked);
  EXPECT_FALSE(one.stored);
  EXPECT_EQ(ReadFileBytes(path_), before_);
  EXPECT_EQ(files.WriteCount(), 0);
}

TEST_F(PathChangeTest, StoreCurrentPathWritesOnlyPathAndFlagAndRefusesATooLongPath) {
  DbfBuilder table = NumberedJournalLayout();
  table.Record(JournalRow("20260101", "D:\\Alt\\0001.pdf", "1", "a"))
      .Record(JournalRow("20260102", "D:\\Alt\\0002.pdf", " 0002", "Fehler\r\n"), '*');
  Write(table);
  TableEngine engine(PlatformFileSystem(), FixedToday);
  std::int32_t current = 2;
  const PathStoreResult tooLong =
      StoreCurrentPath(engine, path_, 3, current, 2, std::string(31, 'x'), buffer_);
  EXPECT_TRUE(tooLong.tooLong);
  EXPECT_FALSE(tooLong.stored);
  EXPECT_EQ(ReadFileBytes(path_), before_);

  // Stale values in the buffer do not reach the file: the record is what the file holds.
  buffer_.FieldValues[4] = "stale";
  const PathStoreResult stored =
      StoreCurrentPath(engine, path_, 3, current, 2, "F:\\Archiv\\0002.PDF", buffer_);
  ASSERT_TRUE(stored.stored);
  const std::vector<std::uint8_t> after = ReadFileBytes(path_);
  std::string expected = RecordBytes(before_, 2);
  expected[0] = ' ';
  expected.replace(9, 30, "F:\\Archiv\\0002.PDF            ");
  EXPECT_EQ(RecordBytes(after, 2), expected);
  EXPECT_EQ(RecordBytes(after, 1), RecordBytes(before_, 1));
  EXPECT_EQ(after[3], 7);
}

TEST_F(PathChangeTest, MissingTableIsNotCreated) {
  TableEngine engine(PlatformFileSystem(), FixedToday);
  int pathField = 0;
  const PathChangeResult all =
      ChangeAllPaths(engine, path_, 1, Rule("E:\\", false), buffer_, pathField);
  EXPECT_EQ(all.error, TableOpenError::Missing);
  EXPECT_FALSE(engine.Files().Exists(path_));
}

TEST_F(PathChangeTest, LastRecordOfATableWithoutEndMarkerIsStoredOneAndAll) {
  DbfBuilder table = NumberedJournalLayout();
  table.Record(JournalRow("20260101", "D:\\Alt\\0001.pdf", "1", ""))
      .Record(JournalRow("20260102", "D:\\Alt\\0002.pdf", "2", ""), '*')
      .EndMarker(false);
  Write(table);
  ASSERT_EQ(before_.size(), kNumberedJournalHeader + 2 * kNumberedJournalRecord);
  TableEngine engine(PlatformFileSystem(), FixedToday);
  std::int32_t current = 2;
  ASSERT_TRUE(StoreCurrentPath(engine, path_, 3, current, 2, "F:\\0002.pdf", buffer_).stored);
  std::string expected = RecordBytes(before_, 2);
  expected[0] = ' ';
  expected.replace(9, 30, "F:\\0002.pdf" + std::string(19, ' '));
  EXPECT_EQ(RecordBytes(ReadFileBytes(path_), 2), expected);

  int pathField = 0;
  const PathChangeResult all =
      ChangeAllPaths(engine, path_, 3, Rule("G:\\", true), buffer_, pathField);
  ASSERT_TRUE(all.ok()) << all.detail;
  EXPECT_EQ(all.changed, 2);
  const std::vector<std::uint8_t> after = ReadFileBytes(path_);
  ASSERT_EQ(after.size(), before_.size());
  expected.replace(9, 30, "G:\\0002.sff" + std::string(19, ' '));
  EXPECT_EQ(RecordBytes(after, 2), expected);
}

TEST_F(PathChangeTest, ZeroPaddedPathLosesItsPaddingBeforeTheNewFolderIsJoined) {
  DbfBuilder table = NumberedJournalLayout();
  table.RawRecord(" 20260101" + std::string("C:\\Fax\\0001.pdf") + std::string(15, '\0') + "    1" +
                  std::string(12, ' '));
  Write(table);
  TableEngine engine(PlatformFileSystem(), FixedToday);
  int pathField = 0;
  const PathChangeResult result =
      ChangeAllPaths(engine, path_, 3, Rule("E:\\Neu\\", false), buffer_, pathField);
  ASSERT_TRUE(result.ok()) << result.detail;
  EXPECT_EQ(result.changed, 1);
  EXPECT_TRUE(result.tooLong.empty());
  std::string expected = RecordBytes(before_, 1);
  expected.replace(9, 30, "E:\\Neu\\0001.pdf" + std::string(15, ' '));
  EXPECT_EQ(RecordBytes(ReadFileBytes(path_), 1), expected);
}

}  // namespace
}  // namespace dbt::test
