// info and show, and the refusals that every command shares: they report on the table as it is
// and never change a byte of it.

#include <gtest/gtest.h>

#include <filesystem>

#include "dbf/engine.h"
#include "tests/cli/cli_runner.h"
#include "tests/support/cut_change.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class CliRead : public testing::Test {
 protected:
  void SetUp() override {
    table_ = dir_.File("journal.dbf");
    JournalLayout()
        .Date(2024, 3, 9)
        .Record({"20081231", "C:\\Fax\\0001.PDF", ""})
        .Record({"20090102", "C:\\Fax\\B\x81ro\\0002.pdf", "Besetzt"}, '*')  // OEM 850 ü
        .WriteTo(table_);
    before_ = ReadFileBytes(table_);
  }

  TempDir dir_;
  std::string table_;
  std::vector<std::uint8_t> before_;
};

TEST_F(CliRead, InfoDescribesTheJournal) {
  const CliRun run = RunCli({"info", table_});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "version:     0x03\n")) << run.out;
  EXPECT_TRUE(Contains(run.out, "last update: 09.03.2024\n")) << run.out;
  EXPECT_TRUE(Contains(run.out, "records:     2\n")) << run.out;
  EXPECT_TRUE(Contains(run.out, "    1  D   8  0  DATUM\n")) << run.out;
  EXPECT_TRUE(Contains(run.out, "    2  C  40  0  DATEI\n")) << run.out;
  EXPECT_TRUE(Contains(run.out, "    3  C  10  0  ERROR\n")) << run.out;
  EXPECT_TRUE(Contains(run.out, "journal:     yes (path field DATEI is field 2)")) << run.out;
  EXPECT_EQ(ReadFileBytes(table_), before_);
}

TEST_F(CliRead, InfoSaysWhyAnotherTableIsNoJournal) {
  const std::string other = dir_.File("adressen.dbf");
  DbfBuilder().Field("NAME", 'C', 20).Field("DATEI", 'C', 40).WriteTo(other);
  const std::string noPath = dir_.File("ohnepfad.dbf");
  DbfBuilder().Field("datum", 'D', 8).Field("PFAD", 'C', 40).WriteTo(noPath);

  const CliRun first = RunCli({"info", other});
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_TRUE(Contains(first.out, "journal:     no: its first field is NAME, not DATUM"))
      << first.out;
  const CliRun second = RunCli({"info", noPath});
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_TRUE(Contains(second.out, "journal:     no: it has no field DATEI")) << second.out;
}

TEST_F(CliRead, ShowPrintsFlagDisplayTextsAndStoredPath) {
  const CliRun run = RunCli({"show", table_, "2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "record 2 of 2\n"
            "deletion flag: \"*\" (deleted)\n"
            "  DATUM = \"02.01.2009\"\n"
            "  DATEI = \"C:\\Fax\\B\xC3\xBCro\\0002.pdf" +
                std::string(20, ' ') +
                "\"\n"
                "  ERROR = \"Besetzt   \"\n"
                "stored path: C:\\Fax\\B\xC3\xBCro\\0002.pdf\n");

  const CliRun first = RunCli({"show", table_});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_TRUE(Contains(first.out, "record 1 of 2\ndeletion flag: \" \" (live)\n")) << first.out;
  EXPECT_TRUE(Contains(first.out, "stored path: C:\\Fax\\0001.PDF\n")) << first.out;
  EXPECT_EQ(ReadFileBytes(table_), before_);
}

// A recovery file beside the table whose step the table shows torn: the reading commands say so
// and leave both files alone.
TEST_F(CliRead, ReadingCommandsWarnOfAChangeACrashCutShortAndLeaveIt) {
  const std::string recovery = table_ + ".dbasetool-recovery";
  const std::uint8_t date[8] = {'1', '9', '9', '9', '0', '1', '0', '1'};
  ASSERT_TRUE(LogCutWrite(PlatformFileSystem(), table_, before_.size(), before_[8] | before_[9] << 8,
                          date, 1));
  before_ = ReadFileBytes(table_);
  const std::vector<std::uint8_t> logged = ReadFileBytes(recovery);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"info", table_}, {"show", table_, "2"}}) {
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 0) << args[0] << ": " << run.err;
    EXPECT_EQ(run.err, "dbasetool-cli: " + table_ +
                           ": a change to it was cut short and is not finished yet (" + recovery +
                           "); shown as it lies, the next command that writes to it finishes the "
                           "change first\n");
    EXPECT_NE(run.out, "") << args[0];
  }
  EXPECT_EQ(ReadFileBytes(table_), before_);
  EXPECT_EQ(ReadFileBytes(recovery), logged);
}

// The window would clamp to the last record; a script asking for record 3 gets told instead.
TEST_F(CliRead, ShowRefusesRecordPastTheEnd) {
  const CliRun run = RunCli({"show", table_, "3"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "dbasetool-cli: " + table_ + ": no record 3 (the table holds 2)\n");
  EXPECT_EQ(run.out, "");
}

TEST_F(CliRead, EveryCommandRefusesMissingFileWithoutCreatingIt) {
  const std::string missing = dir_.File("fehlt.dbf");
  const std::vector<std::vector<std::string>> commands = {{"info", missing},
                                                          {"show", missing},
                                                          {"relocate", missing, "--to", "E:\\"},
                                                          {"dedupe", missing},
                                                          {"append", missing, table_}};
  for (const auto& args : commands) {
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 1) << args[0];
    EXPECT_EQ(run.err, "dbasetool-cli: " + missing + ": no such file\n") << args[0];
    EXPECT_FALSE(std::filesystem::exists(missing)) << args[0];
  }
  EXPECT_EQ(ReadFileBytes(table_), before_);
}

TEST_F(CliRead, EveryCommandRefusesAFileThatIsNoDbaseTable) {
  const std::string text = dir_.File("notiz.dbf");
  WriteFileText(text, "0123456789 this is a note, not a table, and long enough for a header");
  const auto textBefore = ReadFileBytes(text);
  const std::vector<std::vector<std::string>> commands = {
      {"info", text}, {"show", text}, {"relocate", text, "--to", "E:\\"}, {"dedupe", text}};
  for (const auto& args : commands) {
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 1) << args[0];
    EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
    EXPECT_TRUE(Contains(run.err, "dbasetool-cli: " + text + ": not a dBase table")) << run.err;
  }
  EXPECT_EQ(ReadFileBytes(text), textBefore);
}

TEST_F(CliRead, RefusalsNameTheFileOnceThenTheReason) {
  const std::string odd = dir_.File("odd.dbf");
  JournalLayout().Version(0x30).Record({"20081231", "C:\\Fax\\0001.PDF", ""}).WriteTo(odd);
  const CliRun version = RunCli({"info", odd});
  EXPECT_EQ(version.exitCode, 1);
  EXPECT_EQ(version.err, "dbasetool-cli: " + odd +
                             ": not a dBase table: first byte 0x30 is no dBase III version byte "
                             "(0x03, 0x04, 0x63, 0x83, 0x8B)\n");

  // dBase level 7: version 0x04, a 68-byte header, one 48-byte descriptor (DATEI C 20).
  std::vector<std::uint8_t> level7(68, 0);
  level7[0] = 0x04;
  level7[8] = 68 + 48 + 1;
  level7[10] = 21;
  std::vector<std::uint8_t> descriptor(48, 0);
  const std::string name = "DATEI";
  std::copy(name.begin(), name.end(), descriptor.begin());
  descriptor[32] = 'C';
  descriptor[33] = 20;
  level7.insert(level7.end(), descriptor.begin(), descriptor.end());
  level7.push_back(0x0D);
  WriteFileBytes(odd, level7);
  const CliRun level = RunCli({"info", odd});
  EXPECT_EQ(level.exitCode, 1);
  EXPECT_EQ(level.out, "");
  EXPECT_EQ(level.err, "dbasetool-cli: " + odd +
                           ": unsupported dBase table: a dBase level 7 table (48-byte field "
                           "descriptors), which this tool does not read or write\n");

  DbfBuilder wide;
  for (int k = 0; k < 129; ++k) wide.Field("F" + std::to_string(k), 'C', 1);
  wide.WriteTo(odd);
  const CliRun fields = RunCli({"dedupe", odd});
  EXPECT_EQ(fields.exitCode, 1);
  EXPECT_EQ(fields.err, "dbasetool-cli: " + odd +
                            ": unsupported dBase table: header length 4161 gives 129 fields; "
                            "more than 128 are not supported\n");
}

TEST_F(CliRead, WritingCommandsRefuseATableThatIsNoJournal) {
  const std::string other = dir_.File("adressen.dbf");
  DbfBuilder()
      .Field("NAME", 'C', 20)
      .Field("DATEI", 'C', 40)
      .Record({"Hans", "C:\\a.pdf"}, '*')
      .WriteTo(other);
  const auto otherBefore = ReadFileBytes(other);
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"relocate", other, "--to", "E:\\"}, {"dedupe", other}, {"show", other}}) {
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 1) << args[0];
    EXPECT_EQ(run.err,
              "dbasetool-cli: " + other + ": not a journal: its first field is NAME, not DATUM\n");
  }
  EXPECT_EQ(ReadFileBytes(other), otherBefore);
}

// The fax application holds its journal open while it runs; nothing may be written meanwhile.
TEST_F(CliRead, TableHeldOpenElsewhereIsRefusedAsLocked) {
  TableEngine holder;
  std::vector<std::uint8_t> header;
  std::int64_t size = 0;
  ASSERT_GT(holder.OpenTableUpdate(table_, 1, header, size), 0);
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"info", table_}, {"relocate", table_, "--to", "E:\\"}, {"dedupe", table_}}) {
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 1) << args[0];
    EXPECT_EQ(Lines(run.err).size(), 1u) << run.err;
    EXPECT_TRUE(Contains(run.err, "dbasetool-cli: " + table_ + ": locked")) << run.err;
  }
  holder.CloseTable(1);
  EXPECT_EQ(ReadFileBytes(table_), before_);
}

}  // namespace
}  // namespace dbt::test
