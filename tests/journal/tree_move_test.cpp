#include "journal/tree_move.h"

#include <gtest/gtest.h>

#include "dbf/engine.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

std::string Moved(const std::string& path, const std::string& from, const std::string& to,
                  bool sff = false) {
  return MovedPath(path, MakePrefixRule(from, to, sff)).value_or("(no match)");
}

TEST(MovedPath, KeepsSubFoldersAndMatchesCaseInsensitivelyAtFolderBoundaries) {
  EXPECT_EQ(Moved("C:\\Fax\\2025\\03\\0001.pdf", "C:\\Fax", "E:\\Archiv\\Fax"),
            "E:\\Archiv\\Fax\\2025\\03\\0001.pdf");
  EXPECT_EQ(Moved("c:\\fax\\0001.pdf  ", "C:\\FAX\\", "E:\\Neu\\"), "E:\\Neu\\0001.pdf");
  // The ANSI upper-casing: ü and Ü are one letter, as on Windows.
  EXPECT_EQ(Moved("C:\\B\xFCro\\x.pdf", "c:\\B\xDCRO", "D:"), "D:\\x.pdf");
  EXPECT_EQ(Moved("C:\\Faxalt\\x.pdf", "C:\\Fax", "E:\\"), "(no match)");
  EXPECT_EQ(Moved("C:\\Fa", "C:\\Fax", "E:\\"), "(no match)");
  EXPECT_EQ(Moved("D:\\Fax\\x.pdf", "C:\\Fax", "E:\\"), "(no match)");
  EXPECT_EQ(Moved("x.pdf", "C:\\Fax", "E:\\"), "(no match)");
  EXPECT_EQ(Moved("C:\\x.pdf", "C:\\", "\\\\server\\fax\\\\"), "\\\\server\\fax\\x.pdf");
  EXPECT_EQ(Moved("C:\\Fax", "C:\\Fax", "E:\\Neu"), "E:\\Neu");
}

TEST(MovedPath, SffRenamesOnlyTheDocumentName) {
  EXPECT_EQ(Moved("C:\\Fax\\a.b\\0001.PDF", "C:\\Fax", "E:\\N", true), "E:\\N\\a.b\\0001.sff");
  EXPECT_EQ(Moved("C:\\Fax\\a.b\\doc", "C:\\Fax", "E:\\N", true), "E:\\N\\a.b\\doc");
  EXPECT_EQ(Moved("C:\\Fax", "C:\\Fax", "E:\\N.alt", true), "E:\\N.alt");
}

// No folder moves into itself: moving C:\Fax into C:\Fax\Archiv moves everything else there,
// and what lies there already stays, so that running the move again (after an interrupted run)
// does not make C:\Fax\Archiv\Archiv of what it moved the first time.
TEST(MovedPath, AFolderMovedIntoItsOwnSubFolderLeavesThatSubFolderAlone) {
  EXPECT_EQ(Moved("C:\\Fax\\0001.pdf", "C:\\Fax", "C:\\Fax\\Archiv"), "C:\\Fax\\Archiv\\0001.pdf");
  EXPECT_EQ(Moved("C:\\Fax\\ARCHIV\\0001.pdf", "C:\\Fax", "c:\\fax\\Archiv"), "(no match)");
  EXPECT_EQ(Moved("C:\\Fax\\Archiv2\\0001.pdf", "C:\\Fax", "C:\\Fax\\Archiv"),
            "C:\\Fax\\Archiv\\Archiv2\\0001.pdf");
  const PrefixRule rule = MakePrefixRule("C:\\Fax", "C:\\Fax\\Archiv", true);
  const std::string once = MovedPath("C:\\Fax\\2025\\0001.PDF", rule).value();
  EXPECT_EQ(once, "C:\\Fax\\Archiv\\2025\\0001.sff");
  EXPECT_FALSE(MovedPath(once, rule).has_value());
  // Beside or above the old folder, a path already under the new one is moved as any other.
  EXPECT_EQ(Moved("C:\\Fax\\Neu\\a.pdf", "C:\\Fax\\Neu", "C:\\Fax"), "C:\\Fax\\a.pdf");
}

TEST(MakePrefixRule, AFolderThatWouldMatchEveryPathIsInvalid) {
  EXPECT_FALSE(MakePrefixRule("", "E:\\", false).valid());
  EXPECT_FALSE(MakePrefixRule("\\\\", "E:\\", false).valid());
  EXPECT_FALSE(MovedPath("\\x.pdf", MakePrefixRule("\\", "E:\\", false)).has_value());
  EXPECT_TRUE(MakePrefixRule("C:", "E:", false).valid());
}

TEST(MoveTree, MovesTheMatchingRecordsAndLeavesEveryOtherByteAlone) {
  TempDir dir;
  const std::string path = dir.File("journal.dbf");
  DbfBuilder table = NumberedJournalLayout();
  // Record 2 holds bytes a rewrite would normalise (a NUL in the date); it does not match.
  table.Record(JournalRow("20260101", "C:\\FAX\\2025\\1.pdf", "1", ""), '*')
      .RawRecord(std::string(" 2026010") + '\0' + "C:\\Faxalt\\2.pdf" + std::string(15, ' ') +
                 std::string(17, 'z'))
      .Record(JournalRow("20260103", "c:\\fax\\long_name_0000003.pdf", "3", ""))
      .Record(JournalRow("20260104", "C:\\Fax\\4.pdf", "4", ""));
  table.WriteTo(path);
  const std::vector<std::uint8_t> before = ReadFileBytes(path);
  TableEngine engine(PlatformFileSystem(), FixedToday);
  RecordBuffer buffer;
  const TreeMoveResult result =
      MoveTree(engine, path, 1, MakePrefixRule("C:\\Fax\\", "E:\\Archiv", true), buffer);
  ASSERT_TRUE(result.ok()) << result.detail;
  EXPECT_EQ(result.records, 4);
  EXPECT_EQ(result.changed, 2);
  EXPECT_EQ(result.unmatched, 1);
  EXPECT_EQ(result.tooLong, std::vector<std::int32_t>{3});

  const std::vector<std::uint8_t> after = ReadFileBytes(path);
  ASSERT_EQ(after.size(), before.size());
  std::string expected1 = RecordBytes(before, 1);
  expected1[0] = ' ';
  expected1.replace(9, 30, "E:\\Archiv\\2025\\1.sff          ");
  EXPECT_EQ(RecordBytes(after, 1), expected1);
  EXPECT_EQ(RecordBytes(after, 2), RecordBytes(before, 2));
  EXPECT_EQ(RecordBytes(after, 3), RecordBytes(before, 3));
  EXPECT_EQ(RecordBytes(after, 4).substr(9, 30), "E:\\Archiv\\4.sff               ");
  EXPECT_EQ(after[1], 126);  // stamped: something changed
}

TEST(MoveTree, NoMatchingRecordLeavesTheFileAsItWas) {
  TempDir dir;
  const std::string path = dir.File("journal.dbf");
  DbfBuilder table = NumberedJournalLayout();
  table.Record(JournalRow("20260101", "C:\\Faxalt\\1.pdf", "1", ""), '*');
  table.WriteTo(path);
  const std::vector<std::uint8_t> before = ReadFileBytes(path);
  TableEngine engine(PlatformFileSystem(), FixedToday);
  RecordBuffer buffer;
  const TreeMoveResult result =
      MoveTree(engine, path, 1, MakePrefixRule("C:\\Fax", "E:\\", false), buffer);
  ASSERT_TRUE(result.ok()) << result.detail;
  EXPECT_EQ(result.changed, 0);
  EXPECT_EQ(result.unmatched, 1);
  EXPECT_EQ(ReadFileBytes(path), before);
}

}  // namespace
}  // namespace dbt::test
