// append and dedupe: counts reported, the resulting records, and refusals that write nothing.

#include <gtest/gtest.h>

#include "dbf/table_file.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/cut_change.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

class CliAppend : public testing::Test {
 protected:
  void SetUp() override {
    table_ = dir_.File("journal.dbf");
    source_ = dir_.File("alt.dbf");
    JournalLayout()
        .Record({"20081231", "C:\\Fax\\0001.PDF", "OK"})
        .Record({"20090102", "C:\\Fax\\0002.PDF", ""})
        .WriteTo(table_);
    before_ = ReadFileBytes(table_);
  }

  TempDir dir_;
  std::string table_, source_;
  std::vector<std::uint8_t> before_;
};

TEST_F(CliAppend, AppendsThenRemovesTheDuplicatesItBrought) {
  DbfBuilder source = JournalLayout();
  source
      .Record({"20090102", "C:\\Fax\\0002.PDF", ""}, '*')  // equal to record 2 but its flag
      .Record({"20070505", "C:\\Fax\\0000.PDF", "Besetzt"});
  source.WriteTo(source_);
  const auto sourceBefore = ReadFileBytes(source_);

  const CliRun run = RunCli({"append", table_, source_});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, table_ + ": 2 records appended from " + source_ + "\n" + table_ +
                         ": 1 duplicates removed, 3 records now (every record live)\n");
  DbfBuilder expected = JournalLayout();
  StampedToday(expected)
      .Record({"20081231", "C:\\Fax\\0001.PDF", "OK"})
      .Record({"20090102", "C:\\Fax\\0002.PDF", ""})
      .Record({"20070505", "C:\\Fax\\0000.PDF", "Besetzt"});
  EXPECT_EQ(ReadFileBytes(table_), expected.Bytes());
  EXPECT_EQ(ReadFileBytes(source_), sourceBefore);
}

// The window would still delete duplicates here; the command writes nothing at all.
TEST_F(CliAppend, IncompatibleSourceIsRefusedBeforeAnythingIsWritten) {
  JournalLayout(41).Record({"20070505", "C:\\Fax\\0000.PDF", ""}).WriteTo(source_);
  const auto sourceBefore = ReadFileBytes(source_);
  const CliRun run = RunCli({"append", table_, source_});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "dbasetool-cli: " + source_ + ": not compatible with " + table_ +
                         ": field 2 is DATEI C 41.0 against DATEI C 40.0\n");
  EXPECT_EQ(ReadFileBytes(table_), before_);
  EXPECT_EQ(ReadFileBytes(source_), sourceBefore);
}

TEST_F(CliAppend, TableItselfIsRefusedAsSourceUnderAnySpelling) {
  for (const std::string& self : {table_, dir_.Path().string() + "/./journal.dbf"}) {
    const CliRun run = RunCli({"append", table_, self});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "dbasetool-cli: " + self +
                           ": is the table itself; choose another journal to append\n");
  }
  EXPECT_EQ(ReadFileBytes(table_), before_);
}

// A recovery file beside the source that does not fit it: the source was changed since a crash
// cut a step short, and its records are not copied as they lie.
TEST_F(CliAppend, SourceWithAStepThatCannotBeFinishedIsRefused) {
  JournalLayout().Record({"20070505", "C:\\Fax\\0000.PDF", ""}).WriteTo(source_);
  const auto sourceBefore = ReadFileBytes(source_);
  const std::uint8_t blank[1] = {' '};
  ASSERT_TRUE(LogCutWrite(PlatformFileSystem(), source_, 1, 0, blank));
  const CliRun run = RunCli({"append", table_, source_});
  EXPECT_EQ(run.exitCode, 1);
  const std::string refusal =
      "dbasetool-cli: " + source_ + ": a change to it was cut short and could not be finished (";
  EXPECT_EQ(run.err.substr(0, refusal.size()), refusal) << run.err;
  EXPECT_NE(run.err.find("); nothing appended\n"), std::string::npos) << run.err;
  EXPECT_EQ(ReadFileBytes(table_), before_);
  EXPECT_EQ(ReadFileBytes(source_), sourceBefore);
}

TEST(CliDedupe, KeepsTheFirstOfEachGroupAndCountsTheRest) {
  TempDir dir;
  const std::string table = dir.File("journal.dbf");
  const std::vector<std::string> a = {"20081231", "C:\\Fax\\0001.PDF", "OK"};
  const std::vector<std::string> b = {"20081231", "C:\\Fax\\0001.pdf", "OK"};  // case counts
  JournalLayout().Record(a).Record(b).Record(a, '*').Record(a).WriteTo(table);

  const CliRun run = RunCli({"dedupe", table});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, table + ": 2 duplicates removed, 2 of 4 records left (every record live)\n");
  DbfBuilder expected = JournalLayout();
  StampedToday(expected).Record(a).Record(b);
  EXPECT_EQ(ReadFileBytes(table), expected.Bytes());

  const CliRun again = RunCli({"dedupe", table});
  EXPECT_EQ(again.exitCode, 0);
  EXPECT_EQ(again.out,
            table + ": no duplicates among 2 records; every record rewritten once and live\n");
}

}  // namespace
}  // namespace dbt::test
