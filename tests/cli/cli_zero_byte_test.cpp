// Some writers store an empty date as zero bytes. relocate, dedupe and show must treat the
// fields after it like any other: no byte of the document name changes, an umlaut of the new
// folder is stored in OEM, and show prints the letters the table holds.

#include <gtest/gtest.h>

#include "tests/cli/cli_runner.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

const std::string kZeroDate(8, '\0');
// C:\Fax\Ärzte\Übersicht.pdf in OEM 850, padded to the 40 bytes of DATEI.
const std::string kOemPath =
    "C:\\Fax\\\x8Erzte\\\x9A"
    "bersicht.pdf" +
    std::string(14, ' ');

std::string RecordAt(const std::vector<std::uint8_t>& file, std::size_t n) {
  const std::size_t at = 129 + (n - 1) * 59;
  if (file.size() < at + 59) return {};
  return {file.begin() + static_cast<std::ptrdiff_t>(at),
          file.begin() + static_cast<std::ptrdiff_t>(at + 59)};
}

TEST(CliZeroByte, RelocateDedupeAndShowKeepEveryUmlautAfterAZeroDate) {
  TempDir dir;
  const std::string table = dir.File("journal.dbf");
  JournalLayout()
      .RawRecord(" " + kZeroDate + kOemPath + "St\x94rung\r\n ")
      .RawRecord("*" + kZeroDate + kOemPath + "St\x94rung   ")
      .WriteTo(table);

  const CliRun relocate = RunCli({"relocate", table, "--to", "X:\\"});
  ASSERT_EQ(relocate.exitCode, 0) << relocate.err;
  const std::string relocated =
      "X:\\\x9A"
      "bersicht.pdf" +
      std::string(24, ' ');  // the name's bytes as they were
  std::vector<std::uint8_t> file = ReadFileBytes(table);
  EXPECT_EQ(RecordAt(file, 1), " " + kZeroDate + relocated + "St\x94rung\r\n ");
  EXPECT_EQ(RecordAt(file, 2), " " + kZeroDate + relocated + "St\x94rung   ");

  const CliRun umlautFolder = RunCli({"relocate", table, "--to", "X:\\\xC3\x84nderung"});
  ASSERT_EQ(umlautFolder.exitCode, 0) << umlautFolder.err;
  const std::string moved =
      "X:\\\x8Enderung\\\x9A"
      "bersicht.pdf" +
      std::string(15, ' ');

  const CliRun dedupe = RunCli({"dedupe", table});
  ASSERT_EQ(dedupe.exitCode, 0) << dedupe.err;
  file = ReadFileBytes(table);
  ASSERT_EQ(file.size(), 129u + 59u + 1u);
  EXPECT_EQ(RecordAt(file, 1), " " + kZeroDate + moved + "St\x94rung   ");

  const CliRun show = RunCli({"show", table, "1"});
  ASSERT_EQ(show.exitCode, 0) << show.err;
  EXPECT_NE(show.out.find("stored path: X:\\\xC3\x84nderung\\\xC3\x9C"
                          "bersicht.pdf\n"),
            std::string::npos)
      << show.out;
  EXPECT_NE(show.out.find("ERROR = \"St\xC3\xB6rung   \""), std::string::npos) << show.out;
}

}  // namespace
}  // namespace dbt::test
