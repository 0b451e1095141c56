// relocate --find on a real tree: the missing documents found by name, the table's bytes
// against the literal reference.

#include <gtest/gtest.h>

#include <filesystem>

#include "reference/reference_operations.h"
#include "tests/cli/cli_runner.h"
#include "tests/cli/document_tree.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

class CliFind : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"Neu/2024/0001.pdf", "Neu/A/0002.pdf", "Neu/B/0002.PDF",
                             "Neu/B\xC3\xBCro/0004.SFF", "Neu/2024/0005.pdf"}) {
      tree_.Add(name);
    }
    table_ = dir_.File("journal.dbf");
    // OEM 850 in the table: \x81 is ü. DATEI wide enough for the temporary folder of Windows.
    DbfBuilder b = JournalLayout(200);
    b.Record({"20250301", tree_.JournalPath("Alt\\0001.PDF"), "OK"}, '*')
        .Record({"20250302", tree_.JournalPath("Alt\\0002.pdf"), ""})
        .Record({"20250303", tree_.JournalPath("Alt\\0003.pdf"), ""})
        .Record({"20250304", tree_.JournalPath("alt\\B\x81ro\\0004.pdf"), "Besetzt"})
        .Record({"20250305", tree_.JournalPath("NEU\\2024\\0005.PDF"), ""}, '*');
    b.WriteTo(table_);
    before_ = ReadFileBytes(table_);
  }

  std::vector<std::string> Find(std::vector<std::string> more) const {
    const std::string folder = (dir_.Path() / "docs" / "Neu").string();
    return Join(Join({"relocate", table_, "--find", folder, "--sff"}, tree_.MapArgs()), more);
  }

  TempDir dir_;
  DocumentTree tree_{dir_.Path() / "docs"};
  std::string table_;
  std::vector<std::uint8_t> before_;
};

TEST_F(CliFind, OneCandidateIsWrittenTheOthersAreListedAndLeftByteForByte) {
#ifndef _WIN32
  // A link back up the tree: followed again, 0001.pdf would be found twice.
  std::filesystem::create_directory_symlink(dir_.Path() / "docs", dir_.Path() / "docs/Neu/A/up");
#endif
  const CliRun dry = RunCli(Find({"--dry-run"}));
  EXPECT_EQ(dry.exitCode, 4) << dry.err;
  EXPECT_EQ(Lines(dry.out).back(),
            "dry run: 2 found, 1 ambiguous, 1 not found, 1 already present; nothing written");
  EXPECT_EQ(ReadFileBytes(table_), before_);

  const CliRun run = RunCli(Find({}));
  EXPECT_EQ(run.exitCode, 4) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 7u) << run.out;
  EXPECT_EQ(lines[0], "record 1: " + tree_.JournalPath("Alt\\0001.PDF") + " -> " +
                          tree_.JournalPath("Neu\\2024\\0001.pdf"));
  EXPECT_EQ(lines[2], "    " + tree_.JournalPath("Neu\\A\\0002.pdf"));
  EXPECT_EQ(lines[3], "    " + tree_.JournalPath("Neu\\B\\0002.PDF"));
  EXPECT_EQ(lines[4], "record 3: " + tree_.JournalPath("Alt\\0003.pdf") + ": not found");
  EXPECT_EQ(lines[6], table_ + ": 2 found, 1 ambiguous, 1 not found, 1 already present (changed "
                               "records live)");

  const std::string expected = dir_.File("reference.dbf");
  WriteFileBytes(expected, before_);
  TableEngine engine;
  EXPECT_EQ(reference::StorePath(engine, expected, 1, 1, tree_.JournalPath("Neu\\2024\\0001.pdf")), 1);
  EXPECT_EQ(reference::StorePath(engine, expected, 1, 4, tree_.JournalPath("Neu\\B\xFCro\\0004.SFF")), 1);
  const std::vector<std::uint8_t> after = ReadFileBytes(table_);
  EXPECT_EQ(after, ReadFileBytes(expected));
  for (const std::size_t left : {2u, 3u, 5u}) {
    EXPECT_EQ(RecordBytes(after, left), RecordBytes(before_, left)) << left;
  }

  // Run again, the documents found are present: nothing is written, not even the date.
  const CliRun again = RunCli(Find({}));
  EXPECT_EQ(Lines(again.out).back(),
            table_ + ": 0 found, 1 ambiguous, 1 not found, 3 already present");
  EXPECT_EQ(ReadFileBytes(table_), after);
}

TEST_F(CliFind, RefusalsWriteNothing) {
  const std::string file = (dir_.Path() / "docs/Neu/2024/0001.pdf").string();
  const std::string none = (dir_.Path() / "nowhere").string();
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string err;  // a part of stderr
  };
  const Case cases[] = {
      {{"relocate", table_, "--find", none, "--backup"}, 1, none + ": no such folder"},
      {{"relocate", table_, "--find", file}, 1, file + ": no such folder"},
      {Find({"--find", none}), 1, none + ": no such folder"},
      {Find({"--to", "E:\\"}), 2, "goes without --to and --from"},
      {Find({"--from", "E:\\Alt"}), 2, "goes without --to and --from"},
      {{"relocate", table_, "--find"}, 2, "--find needs a value"},
      {{"relocate", table_, "--find="}, 2, "--find needs a folder"},
  };
  for (const Case& c : cases) {
    const CliRun run = RunCli(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.args.back();
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
    EXPECT_EQ(ReadFileBytes(table_), before_);
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()),
                          std::filesystem::directory_iterator()),
            2);  // no backup
#ifndef _WIN32
  // Found, but under no --map prefix: the fax application could not be given its path.
  const CliRun unmapped = RunCli({"relocate", table_, "--find", (dir_.Path() / "docs").string(),
                                  "--map", "F:\\=" + dir_.Path().string() + "/nowhere"});
  EXPECT_EQ(unmapped.exitCode, 0) << unmapped.err;  // nothing under E: is checked
  const CliRun elsewhere =
      RunCli({"relocate", table_, "--find", (dir_.Path() / "docs").string(), "--map",
              "E:\\=" + (dir_.Path() / "docs" / "Alt").string()});
  EXPECT_EQ(elsewhere.exitCode, 4);
  EXPECT_NE(elsewhere.out.find("record 1: E:\\Alt\\0001.PDF: not found where the fax application "
                               "can name it"),
            std::string::npos)
      << elsewhere.out;
  EXPECT_EQ(ReadFileBytes(table_), before_);
#endif
}

}  // namespace
}  // namespace dbt::test
