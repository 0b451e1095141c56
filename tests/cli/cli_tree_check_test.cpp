// relocate --from, check and relocate --dry-run --check on real tables and real folder trees.

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/cli_runner.h"
#include "tests/cli/document_tree.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

// OEM 850 in the table: \x81 is ü, \x9A is Ü.
class CliTreeMove : public testing::Test {
 protected:
  void SetUp() override {
    table_ = dir_.File("journal.dbf");
    Original().WriteTo(table_);
    before_ = ReadFileBytes(table_);
  }

  static DbfBuilder Original() {
    DbfBuilder b = JournalLayout(60);
    b.Record({"20250301", "C:\\Fax\\2025\\03\\0001.pdf", "OK"})
        .Record({"20250302", "c:\\FAX\\B\x81ro\\0002.PDF", ""}, '*')
        .Record({"20250303", "C:\\Faxalt\\0003.pdf", "Besetzt"}, '*')
        .Record({"20250304", "D:\\Fax\\0004.pdf", "OK"});
    return b;
  }

  TempDir dir_;
  std::string table_;
  std::vector<std::uint8_t> before_;
};

TEST_F(CliTreeMove, TreeMoveKeepsSubFoldersAndLeavesOtherRecordsByteForByte) {
  const CliRun run = RunCli({"relocate", table_, "--from", "C:\\Fax\\", "--to", "E:\\Archiv\\Fax"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, table_ +
                         ": 2 of 4 records changed from C:\\Fax\\ to E:\\Archiv\\Fax\\, 2 did not "
                         "match, 0 did not fit DATEI (changed records live)\n");
  DbfBuilder expected = JournalLayout(60);
  StampedToday(expected)
      .Record({"20250301", "E:\\Archiv\\Fax\\2025\\03\\0001.pdf", "OK"})
      .Record({"20250302", "E:\\Archiv\\Fax\\B\x81ro\\0002.PDF", ""})
      .Record({"20250303", "C:\\Faxalt\\0003.pdf", "Besetzt"}, '*')
      .Record({"20250304", "D:\\Fax\\0004.pdf", "OK"});
  EXPECT_EQ(ReadFileBytes(table_), expected.Bytes());
}

TEST_F(CliTreeMove, AFolderNamePrefixThatIsNoFolderMatchesNothingAndWritesNothing) {
  const CliRun run = RunCli({"relocate", table_, "--from", "C:\\Fa", "--to", "E:\\"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, table_ +
                         ": 0 of 4 records changed from C:\\Fa\\ to E:\\, 4 did not match, 0 did "
                         "not fit DATEI\n");
  EXPECT_EQ(ReadFileBytes(table_), before_);  // not even the header's date
}

TEST_F(CliTreeMove, DryRunRecordSffAndPathsThatDoNotFit) {
  const CliRun dry =
      RunCli({"relocate", table_, "--from", "c:\\fax", "--to",
              "E:\\Ein\\sehr\\langer\\Ordnername\\des\\Faxarchivs", "--sff", "--dry-run"});
  EXPECT_EQ(dry.exitCode, 3);
  EXPECT_EQ(dry.out,
            "record 1: C:\\Fax\\2025\\03\\0001.pdf -> "
            "E:\\Ein\\sehr\\langer\\Ordnername\\des\\Faxarchivs\\2025\\03\\0001.sff (too long: 61 "
            "characters, DATEI holds 60; would be left unchanged)\n"
            "record 2: c:\\FAX\\B\xC3\xBCro\\0002.PDF -> "
            "E:\\Ein\\sehr\\langer\\Ordnername\\des\\Faxarchivs\\B\xC3\xBCro\\0002.sff\n"
            "dry run: 1 of 4 records would change, 2 did not match, 1 would not fit; nothing "
            "written\n");
  EXPECT_EQ(ReadFileBytes(table_), before_);

  const CliRun real = RunCli({"relocate", table_, "--from", "c:\\fax", "--to",
                              "E:\\Ein\\sehr\\langer\\Ordnername\\des\\Faxarchivs", "--sff"});
  EXPECT_EQ(real.exitCode, 3);
  EXPECT_EQ(Lines(real.out).at(0),
            "record 1 left unchanged: new path "
            "E:\\Ein\\sehr\\langer\\Ordnername\\des\\Faxarchivs\\2025\\03\\0001.sff has 61 "
            "characters, DATEI holds 60");
  DbfBuilder expected = JournalLayout(60);
  StampedToday(expected)
      .Record({"20250301", "C:\\Fax\\2025\\03\\0001.pdf", "OK"})
      .Record(
          {"20250302", "E:\\Ein\\sehr\\langer\\Ordnername\\des\\Faxarchivs\\B\x81ro\\0002.sff", ""})
      .Record({"20250303", "C:\\Faxalt\\0003.pdf", "Besetzt"}, '*')
      .Record({"20250304", "D:\\Fax\\0004.pdf", "OK"});
  EXPECT_EQ(ReadFileBytes(table_), expected.Bytes());

  Original().WriteTo(table_);
  const CliRun outside =
      RunCli({"relocate", table_, "--from", "C:\\Fax", "--to", "E:\\", "--record", "3"});
  EXPECT_EQ(outside.exitCode, 0) << outside.err;
  EXPECT_EQ(Lines(outside.out).at(0),
            "record 3: C:\\Faxalt\\0003.pdf is not under C:\\Fax\\; left unchanged");
  EXPECT_EQ(ReadFileBytes(table_), before_);
  const CliRun inside =
      RunCli({"relocate", table_, "--from", "C:\\Fax", "--to", "E:\\", "--record", "2"});
  EXPECT_EQ(inside.exitCode, 0) << inside.err;
  DbfBuilder one = JournalLayout(60);
  StampedToday(one)
      .Record({"20250301", "C:\\Fax\\2025\\03\\0001.pdf", "OK"})
      .Record({"20250302", "E:\\B\x81ro\\0002.PDF", ""})
      .Record({"20250303", "C:\\Faxalt\\0003.pdf", "Besetzt"}, '*')
      .Record({"20250304", "D:\\Fax\\0004.pdf", "OK"});
  EXPECT_EQ(ReadFileBytes(table_), one.Bytes());
}

TEST(CliTreeMoveUsage, FromNeedsAFolderAndCheckNeedsADryRun) {
  EXPECT_EQ(RunCli({"relocate", "j.dbf", "--from", "\\", "--to", "E:\\"}).exitCode, 2);
  EXPECT_EQ(RunCli({"relocate", "j.dbf", "--from", "C:\\Fax"}).exitCode, 2);
  EXPECT_EQ(RunCli({"relocate", "j.dbf", "--to", "E:\\", "--check"}).exitCode, 2);
  EXPECT_EQ(RunCli({"relocate", "j.dbf", "--to", "E:\\", "--dry-run", "--backup"}).exitCode, 2);
  EXPECT_EQ(RunCli({"check", "j.dbf", "--map", "E:\\"}).exitCode, 2);
  EXPECT_EQ(RunCli({"check", "j.dbf", "--map", "Fax=/srv"}).exitCode, 2);
  EXPECT_EQ(RunCli({"check", "j.dbf", "--backup"}).exitCode, 2);
}

// Documents in a real tree whose folder names differ in case from the journal's paths, one of
// them with an umlaut.
class CliCheck : public testing::Test {
 protected:
  void SetUp() override {
    tree_.Add("neu/0001.sff");
    tree_.Add("B\xC3\xBCro/2025/0002.PDF");
    table_ = dir_.File("journal.dbf");
  }

  std::vector<std::string> Check() const { return Join({"check", table_}, tree_.MapArgs()); }

  TempDir dir_;
  DocumentTree tree_{dir_.Path() / "docs"};
  std::string table_;
};

TEST_F(CliCheck, FindsDocumentsAsWindowsWouldAndListsTheMissingOnes) {
  const std::string missing = tree_.JournalPath("Neu\\0003.sff");
  DbfBuilder b = JournalLayout(200);
  b.Record({"20250301", tree_.JournalPath("NEU\\0001.SFF"), ""})
      .Record({"20250302", tree_.JournalPath("b\x9ARO\\2025\\0002.pdf"), ""}, '*')
      .Record({"20250303", missing, ""})
      .Record({"20250304", tree_.JournalPath("Neu\\0001.sff\\x.pdf"), ""})
      .Record({"20250305", "", ""})
      .Record({"20250306", "0006.pdf", ""});
  b.WriteTo(table_);
  const auto before = ReadFileBytes(table_);
  const auto lastWrite = std::filesystem::last_write_time(table_);

  const CliRun run = RunCli(Check());
  EXPECT_EQ(run.exitCode, 4) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 4u) << run.out;
  EXPECT_EQ(lines[0], "record 3: " + missing + ": missing");
  EXPECT_EQ(lines[1], "record 4: " + tree_.JournalPath("Neu\\0001.sff\\x.pdf") + ": missing");
  EXPECT_EQ(lines[3], table_ + ": documents 2 present, 2 missing, 2 not checked");
  // Read-only: the table is as it was and nothing new lies beside it.
  EXPECT_EQ(ReadFileBytes(table_), before);
  EXPECT_EQ(std::filesystem::last_write_time(table_), lastWrite);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()),
                          std::filesystem::directory_iterator()),
            2);

  tree_.Add("neu/0003.SFF");
  const CliRun again = RunCli(Check());
  EXPECT_EQ(again.exitCode, 4);  // record 4 still names a file as its folder
  EXPECT_EQ(Lines(again.out).back(), table_ + ": documents 3 present, 1 missing, 2 not checked");
}

TEST_F(CliCheck, EveryDocumentPresentExitsZero) {
  DbfBuilder b = JournalLayout(200);
  b.Record({"20250301", tree_.JournalPath("neu\\\\0001.sff"), ""})
      .Record({"20250302", tree_.JournalPath("B\x81ro\\.\\2025\\0002.pdf"), ""});
  b.WriteTo(table_);
  const CliRun run = RunCli(Check());
  EXPECT_EQ(run.exitCode, 0) << run.err << run.out;
  EXPECT_EQ(run.out, table_ + ": documents 2 present, 0 missing, 0 not checked\n");
}

#ifndef _WIN32
TEST_F(CliCheck, WithoutAMapNothingIsCheckedOffWindows) {
  DbfBuilder b = JournalLayout(200);
  b.Record({"20250301", "E:\\neu\\0001.sff", ""})
      .Record({"20250302", "\\\\srv\\fax\\0002.pdf", ""});
  b.WriteTo(table_);
  const CliRun run = RunCli({"check", table_});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Lines(run.out).back(), table_ + ": documents 0 present, 0 missing, 2 not checked");

  // A share is mapped like a drive.
  const CliRun share =
      RunCli({"check", table_, "--map", "\\\\SRV\\Fax=" + (dir_.Path() / "docs").string(), "--map",
              "E:=" + (dir_.Path() / "docs").string()});
  EXPECT_EQ(share.exitCode, 4) << share.err;
  EXPECT_EQ(share.out, "record 2: \\\\srv\\fax\\0002.pdf: missing\n" + table_ +
                           ": documents 1 present, 1 missing, 0 not checked\n");
}
#endif

// The dry run looks up the paths the records would hold: the user tries target folders until
// every document is found, and nothing is written meanwhile.
TEST_F(CliCheck, DryRunChecksTheNewPathsUntilAllAreFound) {
  DbfBuilder b = JournalLayout(200);
  b.Record({"20250301", "C:\\Fax\\Neu\\0001.SFF", ""})
      .Record({"20250302", "C:\\Fax\\B\x81ro\\2025\\0002.pdf", ""})
      .Record({"20250303", tree_.JournalPath("neu\\0001.sff"), ""});
  b.WriteTo(table_);
  const auto before = ReadFileBytes(table_);

  const std::string wrong = tree_.JournalRoot() + "\\Alt";
  const CliRun miss =
      RunCli(Join({"relocate", table_, "--from", "C:\\Fax", "--to", wrong, "--dry-run", "--check"},
                  tree_.MapArgs()));
  EXPECT_EQ(miss.exitCode, 4) << miss.err;
  std::vector<std::string> lines = Lines(miss.out);
  ASSERT_EQ(lines.size(), 4u) << miss.out;
  EXPECT_EQ(lines[0], "record 1: C:\\Fax\\Neu\\0001.SFF -> " + wrong + "\\Neu\\0001.SFF: missing");
  EXPECT_EQ(lines[3], "after the change: documents 1 present, 2 missing, 0 not checked");

  const std::string right = tree_.JournalRoot() + "\\";
  const CliRun hit =
      RunCli(Join({"relocate", table_, "--from", "C:\\Fax", "--to", right, "--dry-run", "--check"},
                  tree_.MapArgs()));
  EXPECT_EQ(hit.exitCode, 0) << hit.err;
  lines = Lines(hit.out);
  ASSERT_EQ(lines.size(), 4u) << hit.out;
  EXPECT_EQ(lines[0], "record 1: C:\\Fax\\Neu\\0001.SFF -> " + tree_.JournalRoot() +
                          "\\Neu\\0001.SFF: present");
  EXPECT_EQ(lines[2],
            "dry run: 2 of 3 records would change, 1 did not match, 0 would not fit; "
            "nothing written");
  EXPECT_EQ(lines[3], "after the change: documents 3 present, 0 missing, 0 not checked");

  // The folder-part rule checks its new paths the same way: 0002.pdf is not in neu.
  const CliRun flat = RunCli(
      Join({"relocate", table_, "--to", tree_.JournalRoot() + "\\neu", "--dry-run", "--check"},
           tree_.MapArgs()));
  EXPECT_EQ(flat.exitCode, 4) << flat.err;
  EXPECT_EQ(Lines(flat.out).at(1), "record 2: C:\\Fax\\B\xC3\xBCro\\2025\\0002.pdf -> " +
                                       tree_.JournalRoot() + "\\neu\\0002.pdf: missing");
  EXPECT_EQ(ReadFileBytes(table_), before);
}

}  // namespace
}  // namespace dbt::test
