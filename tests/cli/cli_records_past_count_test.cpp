// A file that holds records past the count in its header (another program stored them without
// counting them): info shows them, and the writing commands refuse to overwrite or cut them off
// unless told to go on as the window does.

#include <gtest/gtest.h>

#include "tests/cli/cli_runner.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::vector<std::string> Row(int i) {
  return {"2024010" + std::to_string(i), "C:\\Fax\\000" + std::to_string(i) + ".pdf", "OK"};
}

class CliRecordsPastCount : public testing::Test {
 protected:
  void SetUp() override {
    table_ = dir_.File("journal.dbf");
    source_ = dir_.File("alt.dbf");
    DbfBuilder table = JournalLayout();
    for (int i = 1; i <= 5; ++i) table.Record(i == 2 ? Row(1) : Row(i));
    table.RecordCount(2).WriteTo(table_);
    JournalLayout().Record(Row(7)).WriteTo(source_);
    before_ = ReadFileBytes(table_);
  }

  TempDir dir_;
  std::string table_;
  std::string source_;
  std::vector<std::uint8_t> before_;
};

TEST_F(CliRecordsPastCount, InfoShowsHowManyWholeRecordsLieBeyondTheCount) {
  const CliRun run = RunCli({"info", table_});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "records:     2\n")) << run.out;
  EXPECT_TRUE(Contains(run.out,
                       "past count:  3 more whole records (the header counts 2 records, "
                       "but the file holds 5 whole records"))
      << run.out;
}

TEST_F(CliRecordsPastCount, WritingCommandsRefuseAndNameTheWayOn) {
  const std::vector<std::vector<std::string>> commands = {
      {"relocate", table_, "--to", "E:\\"}, {"append", table_, source_}, {"dedupe", table_},
      {"append", source_, table_}};
  for (const auto& command : commands) {
    const CliRun run = RunCli(command);
    EXPECT_EQ(run.exitCode, 1) << command[0];
    EXPECT_EQ(run.out, "") << command[0];
    EXPECT_TRUE(Contains(run.err, "dbasetool-cli: " + table_ +
                                      ": the header counts 2 records, but the file holds 5 whole "
                                      "records; the 3 after the count"))
        << run.err;
    EXPECT_TRUE(Contains(run.err, "--ignore-extra-records")) << run.err;
    EXPECT_EQ(ReadFileBytes(table_), before_) << command[0];
  }
  // A dry run writes nothing, so it need not refuse.
  EXPECT_EQ(RunCli({"relocate", table_, "--to", "E:\\", "--dry-run"}).exitCode, 0);
}

TEST_F(CliRecordsPastCount, WithTheOptionTheyWorkOnTheCountedRecordsAsTheWindowDoes) {
  const CliRun dedupe = RunCli({"dedupe", table_, "--ignore-extra-records"});
  ASSERT_EQ(dedupe.exitCode, 0) << dedupe.err;
  // The counted duplicate is removed, and the compaction cuts the file after the one record
  // left.
  DbfBuilder expected = JournalLayout();
  StampedToday(expected).Record(Row(1));
  EXPECT_EQ(ReadFileBytes(table_), expected.Bytes());

  DbfBuilder table = JournalLayout();
  for (int i = 1; i <= 5; ++i) table.Record(Row(i));
  table.RecordCount(2).WriteTo(table_);
  const CliRun append = RunCli({"append", table_, source_, "--ignore-extra-records"});
  ASSERT_EQ(append.exitCode, 0) << append.err;
  DbfBuilder appended = JournalLayout();
  StampedToday(appended).Record(Row(1)).Record(Row(2)).Record(Row(7));
  EXPECT_EQ(ReadFileBytes(table_), appended.Bytes());
}

// A file cut short: the header counts four records, the file holds three and part of the
// fourth. info says so; the writing commands would write the count 3 back and the deletion cut
// off the part, so they refuse unless told to go on.
TEST_F(CliRecordsPastCount, AFileCutShortIsShownAndNotWrittenUnlessToldTo) {
  DbfBuilder table = JournalLayout();
  for (int i = 1; i <= 4; ++i) table.Record(Row(i));
  std::vector<std::uint8_t> bytes = table.Bytes();
  bytes.resize(bytes.size() - 1 - 40);  // no end marker, and the fourth record broken off
  WriteFileBytes(table_, bytes);

  const CliRun info = RunCli({"info", table_});
  ASSERT_EQ(info.exitCode, 0) << info.err;
  EXPECT_TRUE(Contains(info.out,
                       "cut short:   the header counts 4 records, but the file holds only 3 "
                       "whole ones (dBase and the window see 3)\n"))
      << info.out;
  for (const auto& command : std::vector<std::vector<std::string>>{
           {"relocate", table_, "--to", "E:\\"}, {"append", table_, source_}, {"dedupe", table_},
           {"append", source_, table_}}) {
    const CliRun run = RunCli(command);
    EXPECT_EQ(run.exitCode, 1) << command[0];
    EXPECT_TRUE(Contains(run.err, "dbasetool-cli: " + table_ +
                                      ": the header counts 4 records, but the file holds only 3 "
                                      "whole ones: the file was cut short"))
        << run.err;
    EXPECT_EQ(ReadFileBytes(table_), bytes) << command[0];
  }
  const CliRun dedupe = RunCli({"dedupe", table_, "--ignore-extra-records"});
  ASSERT_EQ(dedupe.exitCode, 0) << dedupe.err;
  EXPECT_EQ(HeaderRecordCount(ReadFileBytes(table_)), 3u);
}

}  // namespace
}  // namespace dbt::test
