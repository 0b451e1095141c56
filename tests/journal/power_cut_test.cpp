// Each writing operation cut at every one of its writes in turn: no record that should survive
// is lost, and running the same command again gives the file of an uninterrupted run.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "journal/append.h"
#include "journal/duplicates.h"
#include "journal/open_table.h"
#include "journal/path_change.h"
#include "tests/journal/journal_fixture.h"
#include "tests/support/faulty_file_system.h"

namespace dbt::test {
namespace {

using Command = std::function<void(TableEngine&, const std::string&)>;

// The bytes after the flag with ERROR's trailing line breaks and blanks as normalising leaves
// them: what identifies a record before and after the deletion.
std::string Content(const std::string& record) {
  std::string error = record.substr(44, 12);
  while (!error.empty() && (error.back() == '\r' || error.back() == '\n' || error.back() == ' ' ||
                            error.back() == '\0')) {
    error.pop_back();
  }
  error.resize(12, ' ');
  return record.substr(1, 43) + error;
}

std::vector<std::string> Records(const std::vector<std::uint8_t>& file) {
  std::vector<std::string> records;
  const std::uint32_t count = HeaderCount(file);
  for (std::size_t i = 1; i <= count; ++i) {
    std::string record = RecordBytes(file, i);
    if (record.empty()) break;  // the count is limited to the slots the file holds
    records.push_back(record);
  }
  return records;
}

class PowerCutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Three records a block, so that a cut can fall between two blocks of one pass.
    journal_detail::SetBlockBytes(3 * kJournalRecord);
    DbfBuilder table = JournalLayout();
    const char* paths[] = {"a", "b", "a", "c", "b", "d", "a", "e"};
    for (int i = 0; i < 8; ++i) {
      table.Record(JournalRow("20260101", std::string("D:\\Alt\\") + paths[i] + ".pdf", "1",
                              i % 2 ? "busy\r\n" : "busy"),
                   i == 3 ? '*' : ' ');
    }
    table.EndMarker(false);
    original_ = table.Bytes();
    DbfBuilder source = JournalLayout();
    source.Record(JournalRow("20250101", "S:\\x.pdf", "2", ""))
        .Record(JournalRow("20250102", "S:\\y.pdf", "3", ""), '*');
    source.WriteTo(sourcePath_);
  }
  void TearDown() override { journal_detail::SetBlockBytes(journal_detail::kBlockBytes); }

  std::vector<std::uint8_t> Uninterrupted(const Command& command) {
    WriteFileBytes(path_, original_);
    TableEngine engine(PlatformFileSystem(), FixedDate);
    command(engine, path_);
    return ReadFileBytes(path_);
  }

  // Cuts the command at write 1, 2, ... until it runs through; survives(file) checks the file
  // as the cut left it.
  void CutAtEveryWrite(const Command& command,
                       const std::function<void(const std::vector<std::uint8_t>&)>& survives) {
    const std::vector<std::uint8_t> expected = Uninterrupted(command);
    for (int k = 1;; ++k) {
      WriteFileBytes(path_, original_);
      FaultyFileSystem files;
      files.StopAtWrite(k);
      {
        TableEngine engine(files, FixedDate);
        command(engine, path_);
      }
      if (files.WriteCount() < k) break;  // ran through without reaching write k
      SCOPED_TRACE("cut at write " + std::to_string(k));
      survives(ReadFileBytes(path_));
      TableEngine again(PlatformFileSystem(), FixedDate);
      command(again, path_);
      ASSERT_EQ(ReadFileBytes(path_), expected);
      cuts_ = k;
    }
    EXPECT_GT(cuts_, 2);
  }

  TempDir dir_;
  std::string path_ = dir_.File("journal.dbf");
  std::string sourcePath_ = dir_.File("other.dbf");
  std::vector<std::uint8_t> original_;
  int cuts_ = 0;
};

TEST_F(PowerCutTest, DeleteDuplicates) {
  const Command dedupe = [](TableEngine& engine, const std::string& path) {
    RecordBuffer buffer;
    (void)DeleteDuplicates(engine, path, 1, buffer);
  };
  std::vector<std::string> survivors;
  for (const std::string& record : Records(Uninterrupted(dedupe)))
    survivors.push_back(Content(record));
  ASSERT_EQ(survivors.size(), 5u);
  CutAtEveryWrite(dedupe, [&](const std::vector<std::uint8_t>& file) {
    std::vector<std::string> present;
    for (const std::string& record : Records(file)) present.push_back(Content(record));
    for (const std::string& survivor : survivors) {
      EXPECT_NE(std::find(present.begin(), present.end(), survivor), present.end());
    }
  });
}

TEST_F(PowerCutTest, ChangeAllPaths) {
  const Command change = [](TableEngine& engine, const std::string& path) {
    RecordBuffer buffer;
    PathRule rule;
    rule.targetFolder = "E:\\Neu\\";
    rule.renameToSff = true;
    int pathField = 0;
    (void)ChangeAllPaths(engine, path, 1, rule, buffer, pathField);
  };
  const std::vector<std::uint8_t> changed = Uninterrupted(change);
  CutAtEveryWrite(change, [&](const std::vector<std::uint8_t>& file) {
    ASSERT_EQ(file.size(), original_.size());
    for (std::size_t i = 1; i <= 8; ++i) {
      const std::string record = RecordBytes(file, i);
      EXPECT_TRUE(record == RecordBytes(original_, i) || record == RecordBytes(changed, i)) << i;
    }
  });
}

TEST_F(PowerCutTest, AppendTable) {
  const std::string source = sourcePath_;
  const Command append = [source](TableEngine& engine, const std::string& path) {
    (void)AppendTable(engine, path, 1, source, 2);
  };
  const std::vector<std::uint8_t> appended = Uninterrupted(append);
  ASSERT_EQ(HeaderCount(appended), 10u);
  CutAtEveryWrite(append, [&](const std::vector<std::uint8_t>& file) {
    const std::vector<std::string> records = Records(file);
    ASSERT_TRUE(records.size() == 8 || records.size() == 10);
    for (std::size_t i = 1; i <= records.size(); ++i)
      EXPECT_EQ(records[i - 1], RecordBytes(appended, i));
  });
}

}  // namespace
}  // namespace dbt::test
