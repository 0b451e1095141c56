// The literal references themselves, on the example that the engine once got wrong: a date
// stored as zero bytes before a path with umlauts. What they leave is spelt out here byte by
// byte, so that the fuzzer's comparison with them means something.

#include "reference/reference_operations.h"

#include <gtest/gtest.h>

#include "dbf/engine.h"
#include "journal/path_change.h"
#include "tests/support/journal_tables.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

const std::string kZeroDate(8, '\0');
// C:\Fax\Ärzte\Übersicht.pdf in OEM 850, padded to the 30 bytes of DATEI.
const std::string kOemPath =
    "C:\\Fax\\\x8Erzte\\\x9A"
    "bersicht.pdf    ";

class ReferenceOperations : public testing::Test {
 protected:
  void Put(const DbfBuilder& table) {
    files_.Put("j.dbf", table.Bytes());
    before_ = table.Bytes();
  }
  std::vector<std::uint8_t> Now() { return *files_.Data("j.dbf"); }

  MemoryFileSystem files_;
  TableEngine engine_{files_, FixedToday};
  std::vector<std::uint8_t> before_;
};

TEST_F(ReferenceOperations, PathChangeKeepsTheNameAndStoresTheFolderInOem) {
  DbfBuilder table = NumberedJournalLayout();
  table.RawRecord("*" + kZeroDate + kOemPath + "   12" + "St\x94rung\r\n   ")
      .RawRecord(" " + kZeroDate + "C:\\" + std::string(27, 'x') + "   13" + std::string(12, ' '));
  Put(table);
  const reference::AllPathsResult result =
      reference::ChangeAllPaths(engine_, "j.dbf", 1, "X:\\\xC4nderung\\", true);
  EXPECT_TRUE(result.written);
  EXPECT_EQ(result.changed, 1);
  EXPECT_EQ(result.tooLong, std::vector<std::int32_t>{2});
  std::string first = RecordBytes(before_, 1);
  first[0] = ' ';
  first.replace(9, 30,
                "X:\\\x8Enderung\\\x9A"
                "bersicht.sff     ");
  const std::vector<std::uint8_t> after = Now();
  EXPECT_EQ(RecordBytes(after, 1), first);
  EXPECT_EQ(RecordBytes(after, 2), RecordBytes(before_, 2));
  EXPECT_EQ(after[3], 7);  // stamped with the injected date

  EXPECT_EQ(reference::ChangeOnePath(engine_, "j.dbf", 1, 1, "C:\\Fax\\\xC4rzte\\", false), 1);
  first.replace(9, 30,
                "C:\\Fax\\\x8Erzte\\\x9A"
                "bersicht.sff    ");
  EXPECT_EQ(RecordBytes(Now(), 1), first);
}

TEST_F(ReferenceOperations, NormalisingCutsTheErrorTailAndKeepsItsUmlaut) {
  DbfBuilder table = NumberedJournalLayout();
  table.RawRecord("*" + kZeroDate + kOemPath + "   12" + std::string("St\x94rung\r\n\0  ", 12));
  Put(table);
  EXPECT_EQ(reference::NormalizeRecords(engine_, "j.dbf", 1), 1);
  EXPECT_EQ(RecordBytes(Now(), 1),
            " " + kZeroDate + kOemPath + "   12" + "St\x94rung" + std::string(5, ' '));
}

TEST(NewPath, FollowsTheDocumentedRule) {
  EXPECT_EQ(reference::NewPath("D:\\Alt\\0001.PDF", "E:\\Neu\\", true), "E:\\Neu\\0001.sff");
  EXPECT_EQ(reference::NewPath("D:\\my.dir\\doc", "E:\\", true), "E:\\doc");
  EXPECT_EQ(reference::NewPath("D:0003.pdf", "", false), "0003.pdf");
  // The same rule as the operations' own.
  PathRule rule;
  rule.targetFolder = "F:\\a.b\\";
  rule.renameToSff = true;
  for (const char* path : {"x", "a.b.c", "C:\\.d", "C:\\", "", "D:x.", "\\\\s\\f\\n.tif"}) {
    EXPECT_EQ(reference::NewPath(path, rule.targetFolder, true), BuildNewPath(path, rule)) << path;
  }
}

}  // namespace
}  // namespace dbt::test
