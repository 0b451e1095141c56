// relocate: the resulting file bytes, record by record, for every option.

#include <gtest/gtest.h>

#include "dbf/codepage.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

class CliRelocate : public testing::Test {
 protected:
  void SetUp() override {
    table_ = dir_.File("journal.dbf");
    Original().WriteTo(table_);
    before_ = ReadFileBytes(table_);
  }

  // Three faxes; the second deleted in dBase, the third with a lower-case extension.
  static DbfBuilder Original(std::uint8_t pathLength = 40) {
    DbfBuilder b = JournalLayout(pathLength);
    b.Record({"20081231", "D:\\Alt\\Fax\\0001.PDF", "OK"})
        .Record({"20090102", "D:\\Alt\\0002.pdf", ""}, '*')
        .Record({"20090103", "0003.tif", "Besetzt"});
    return b;
  }

  TempDir dir_;
  std::string table_;
  std::vector<std::uint8_t> before_;
};

TEST_F(CliRelocate, AllRecordsGetTheNewFolderAndBecomeLive) {
  const CliRun run = RunCli({"relocate", table_, "--to", "E:\\Neu\\\\"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, table_ + ": 3 of 3 records changed to folder E:\\Neu\\\n");

  DbfBuilder expected = JournalLayout();
  StampedToday(expected)
      .Record({"20081231", "E:\\Neu\\0001.PDF", "OK"})
      .Record({"20090102", "E:\\Neu\\0002.pdf", ""})
      .Record({"20090103", "E:\\Neu\\0003.tif", "Besetzt"});
  EXPECT_EQ(ReadFileBytes(table_), expected.Bytes());
}

TEST_F(CliRelocate, SffOptionReplacesEveryExtension) {
  const CliRun run = RunCli({"relocate", table_, "--to", "E:\\Neu", "--sff"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  DbfBuilder expected = JournalLayout();
  StampedToday(expected)
      .Record({"20081231", "E:\\Neu\\0001.sff", "OK"})
      .Record({"20090102", "E:\\Neu\\0002.sff", ""})
      .Record({"20090103", "E:\\Neu\\0003.sff", "Besetzt"});
  EXPECT_EQ(ReadFileBytes(table_), expected.Bytes());
}

TEST_F(CliRelocate, OneRecordChangesOnlyThatRecord) {
  const CliRun run = RunCli({"relocate", table_, "--to", "F:\\Archiv", "--record", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "record 2: D:\\Alt\\0002.pdf -> F:\\Archiv\\0002.pdf\n" + table_ +
                         ": 1 record changed (and live)\n");
  DbfBuilder expected = JournalLayout();
  StampedToday(expected)
      .Record({"20081231", "D:\\Alt\\Fax\\0001.PDF", "OK"})
      .Record({"20090102", "F:\\Archiv\\0002.pdf", ""})
      .Record({"20090103", "0003.tif", "Besetzt"});
  EXPECT_EQ(ReadFileBytes(table_), expected.Bytes());

  const CliRun past = RunCli({"relocate", table_, "--to", "F:\\", "--record", "4"});
  EXPECT_EQ(past.exitCode, 1);
  EXPECT_EQ(past.err, "dbasetool-cli: " + table_ + ": no record 4 (the table holds 3)\n");
}

TEST_F(CliRelocate, DryRunListsOldAndNewAndWritesNothing) {
  const CliRun run = RunCli({"relocate", table_, "--to", "E:\\Neu", "--sff", "--dry-run"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "record 1: D:\\Alt\\Fax\\0001.PDF -> E:\\Neu\\0001.sff\n"
            "record 2: D:\\Alt\\0002.pdf -> E:\\Neu\\0002.sff\n"
            "record 3: 0003.tif -> E:\\Neu\\0003.sff\n"
            "dry run: 3 of 3 records would change, 0 would be left unchanged; nothing written\n");
  EXPECT_EQ(ReadFileBytes(table_), before_);

  const CliRun one = RunCli({"relocate", table_, "--to", "E:\\", "--record", "3", "--dry-run"});
  ASSERT_EQ(one.exitCode, 0) << one.err;
  EXPECT_EQ(Lines(one.out).front(), "record 3: 0003.tif -> E:\\0003.tif");
  EXPECT_EQ(ReadFileBytes(table_), before_);
}

// DATEI is 20 wide and the folder E:\Neu\Ordner\ takes 14 of them: a.pdf fits, the long name
// does not and must keep its old path whole, while its neighbours change.
TEST_F(CliRelocate, PathsThatDoNotFitAreLeftUnchangedListedAndExitThree) {
  DbfBuilder original = JournalLayout(20);
  original.Record({"20081231", "C:\\a.pdf", "1"})
      .Record({"20081231", "C:\\langer-name.pdf", "2"})
      .Record({"20081231", "C:\\b.pdf", "3"});
  original.WriteTo(table_);
  const auto original_bytes = ReadFileBytes(table_);

  const CliRun dry = RunCli({"relocate", table_, "--to", "E:\\Neu\\Ordner", "--dry-run"});
  EXPECT_EQ(dry.exitCode, 3);
  EXPECT_EQ(Lines(dry.out).at(1),
            "record 2: C:\\langer-name.pdf -> E:\\Neu\\Ordner\\langer-name.pdf (too long: 29 "
            "characters, DATEI holds 20; would be left unchanged)");
  EXPECT_EQ(ReadFileBytes(table_), original_bytes);

  const CliRun run = RunCli({"relocate", table_, "--to", "E:\\Neu\\Ordner"});
  EXPECT_EQ(run.exitCode, 3) << run.err;
  EXPECT_EQ(run.out,
            "record 2 left unchanged: new path E:\\Neu\\Ordner\\langer-name.pdf has 29 "
            "characters, DATEI holds 20\n" +
                table_ +
                ": 2 of 3 records changed to folder E:\\Neu\\Ordner\\, 1 left unchanged because "
                "the new path does not fit DATEI\n");
  DbfBuilder expected = JournalLayout(20);
  StampedToday(expected)
      .Record({"20081231", "E:\\Neu\\Ordner\\a.pdf", "1"})
      .Record({"20081231", "C:\\langer-name.pdf", "2"})
      .Record({"20081231", "E:\\Neu\\Ordner\\b.pdf", "3"});
  EXPECT_EQ(ReadFileBytes(table_), expected.Bytes());

  original.WriteTo(table_);
  const CliRun one = RunCli({"relocate", table_, "--to", "E:\\Neu\\Ordner", "--record", "2"});
  EXPECT_EQ(one.exitCode, 3);
  EXPECT_EQ(Lines(one.out).at(0),
            "record 2 left unchanged: new path E:\\Neu\\Ordner\\langer-name.pdf has 29 "
            "characters, DATEI holds 20");
  EXPECT_EQ(ReadFileBytes(table_), original_bytes);
}

// The terminal speaks UTF-8, the fax application ANSI in memory and OEM in the file. The
// apostrophe U+2019 is 0x92 in ANSI, beside U+2018 at 0x91; its OEM byte is the pair's.
TEST_F(CliRelocate, UmlautFolderIsStoredInTheOemCodePage) {
  const std::string folder = "E:\\B\xC3\xBCro\xE2\x80\x99";
  const CliRun run = RunCli({"relocate", table_, "--to", folder, "--record", "1"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(Lines(run.out).at(0), "record 1: D:\\Alt\\Fax\\0001.PDF -> " + folder + "\\0001.PDF");
  const char apostrophe = static_cast<char>(AnsiToOemTable(PlatformCodePages())[0x92]);
  DbfBuilder expected = JournalLayout();
  StampedToday(expected)
      .Record({"20081231", "E:\\B\x81ro" + std::string(1, apostrophe) + "\\0001.PDF", "OK"})
      .Record({"20090102", "D:\\Alt\\0002.pdf", ""}, '*')
      .Record({"20090103", "0003.tif", "Besetzt"});
  EXPECT_EQ(ReadFileBytes(table_), expected.Bytes());

  const CliRun show = RunCli({"show", table_});
  EXPECT_NE(show.out.find("stored path: " + folder + "\\0001.PDF\n"), std::string::npos)
      << show.out;
}

}  // namespace
}  // namespace dbt::test
