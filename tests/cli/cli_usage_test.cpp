// The command line itself: help, usage errors, and arguments that the fax application could not
// store. None of these may touch a table.

#include <gtest/gtest.h>

#include "tests/cli/cli_runner.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

TEST(CliUsage, HelpPrintsUsageAndSucceeds) {
  for (const auto& args :
       std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"relocate", "x.dbf", "--help"}}) {
    const CliRun run = RunCli(args);
    EXPECT_EQ(run.exitCode, 0) << args[0];
    EXPECT_NE(run.out.find("Usage: dbasetool-cli COMMAND"), std::string::npos);
    EXPECT_NE(run.out.find("relocate TABLE --to FOLDER"), std::string::npos);
    EXPECT_EQ(run.err, "");
  }
}

// The one version number of the project, as the zips and the version resources carry it.
TEST(CliUsage, VersionPrintsTheProjectVersionAndSucceeds) {
  const CliRun run = RunCli({"--version"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "dbasetool-cli " DBT_TEST_PROJECT_VERSION "\n");
  EXPECT_EQ(run.err, "");
}

TEST(CliUsage, MalformedCommandLinesExitTwoWithOneReason) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{}, "no command given"},
      {{"rename", "j.dbf"}, "unknown command 'rename'"},
      {{"info"}, "info needs a TABLE"},
      {{"info", "a.dbf", "b.dbf"}, "unexpected argument 'b.dbf'"},
      {{"append", "a.dbf"}, "append needs a TABLE and a SOURCE"},
      {{"show", "a.dbf", "0"}, "show needs a record number of 1 or more, not '0'"},
      {{"show", "a.dbf", "2x"}, "show needs a record number of 1 or more, not '2x'"},
      {{"relocate", "a.dbf"}, "relocate needs --to FOLDER or --find FOLDER"},
      {{"relocate", "a.dbf", "--to"}, "--to needs a value"},
      {{"relocate", "a.dbf", "--to", "  "}, "--to needs a folder"},
      {{"relocate", "a.dbf", "--to", "E:\\", "--record", "-1"},
       "--record needs a record number of 1 or more, not '-1'"},
      {{"relocate", "a.dbf", "--to", "E:\\", "--record", "99999999999"},
       "--record needs a record number of 1 or more, not '99999999999'"},
      {{"relocate", "a.dbf", "--to", "E:\\", "--force"}, "unknown option '--force'"},
      {{"dedupe", "a.dbf", "--sff"}, "unknown option '--sff'"},
  };
  for (const Case& c : cases) {
    const CliRun run = RunCli(c.args);
    EXPECT_EQ(run.exitCode, 2) << c.message;
    const auto lines = Lines(run.err);
    ASSERT_FALSE(lines.empty()) << c.message;
    EXPECT_EQ(lines[0], "dbasetool-cli: " + c.message);
    EXPECT_EQ(run.out, "");
  }
}

// A folder the fax application cannot hold in its code page must not reach the table, not even
// in a best-fit form.
TEST(CliUsage, FolderWithoutCp1252FormIsRefusedAndTableUntouched) {
  TempDir dir;
  const std::string table = dir.File("journal.dbf");
  JournalLayout().Record({"20081231", "C:\\Fax\\0001.PDF", ""}).WriteTo(table);
  const auto before = ReadFileBytes(table);

  const CliRun greek = RunCli({"relocate", table, "--to", "E:\\\xCE\xA9mega"});  // U+03A9
  EXPECT_EQ(greek.exitCode, 2);
#ifdef _WIN32
  // Windows hands the program the wide command line; the ANSI page is what cannot hold it.
  EXPECT_NE(greek.err.find("argument 4 holds a character that the ANSI code page cannot store"),
            std::string::npos)
      << greek.err;
#else
  EXPECT_NE(greek.err.find("U+03A9"), std::string::npos) << greek.err;

  // Only a POSIX command line can carry bytes that are no text of the terminal's encoding.
  const CliRun broken = RunCli({"relocate", table, "--to", "E:\\B\xFCro"});  // Latin-1, not UTF-8
  EXPECT_EQ(broken.exitCode, 2);
  EXPECT_NE(broken.err.find("is not valid UTF-8"), std::string::npos) << broken.err;
#endif

  EXPECT_EQ(ReadFileBytes(table), before);
}

}  // namespace
}  // namespace dbt::test
