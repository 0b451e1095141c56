// The passes that rewrite every record a block at a time leave exactly the bytes that loading
// and storing each record on its own leaves, on tables with every kind of awkward record.

#include <gtest/gtest.h>

#include <random>

#include "dbf/engine.h"
#include "journal/duplicates.h"
#include "journal/open_table.h"
#include "journal/path_change.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

// DATUM, DATEI, a numeric field wider than 20, a field of a type letter nobody knows, ERROR;
// the record is two bytes longer than its fields.
constexpr std::size_t kAwkwardRecord = 1 + 8 + 24 + 25 + 4 + 8 + 2;
DbfBuilder AwkwardLayout() {
  DbfBuilder table;
  table.Field("DATUM", 'D', 8)
      .Field("DATEI", 'C', 24)
      .Field("BETRAG", 'N', 25, 2)
      .Field("X", 'Q', 4)
      .Field("ERROR", 'C', 8);
  return table.RecordLength(static_cast<std::uint16_t>(table.ComputedRecordLength() + 2));
}

std::string RandomRecord(std::mt19937& random, int i) {
  const char flags[] = {' ', '*', ':', ' '};
  const std::vector<std::string> paths = {
      "C:\\Fax\\" + std::to_string(i) + ".pdf", "", "D:\\B\x81ro\\x" + std::to_string(i % 3),
      "E:\\a.dir\\" + std::string(20, 'n') + ".tif",  // too long once moved
      std::string("C:\\F\\n\0ll.pdf", 13)};
  std::string record(1, flags[random() % 4]);
  const auto add = [&record](std::string text, std::size_t length) {
    text.resize(length, ' ');
    record += text;
  };
  add(random() % 5 ? "2026010" + std::to_string(i % 10) : "", 8);
  add(paths[random() % paths.size()], 24);
  add(std::string(22, ' ') + std::to_string(i % 1000), 25);
  add("\x01\x02q\x84", 4);
  add(random() % 2 ? "busy\r\n" : "OK", 8);
  return record + "\x8E!";  // the bytes past the fields
}

// What the documented passes do: one LoadRecord and one StoreRecord per record, header last.
void RecordByRecord(const std::string& path, const std::function<bool(RecordBuffer&)>& change) {
  TableEngine engine(PlatformFileSystem(), FixedToday);
  RecordBuffer buffer;
  std::vector<std::uint8_t> header;
  std::int64_t size = 0;
  ASSERT_GT(engine.OpenTableUpdate(path, 1, header, size), 0);
  for (std::int32_t i = 1; i <= engine.StoredRecordCount(1); ++i) {
    std::int32_t record = i;
    engine.LoadRecord(1, record, buffer);
    if (change(buffer)) engine.StoreRecord(1, record, buffer);
  }
  const auto stamped = engine.BuildHeaderBytes(1);
  ASSERT_TRUE(engine.WriteAt(1, 0, stamped));
  engine.CloseTable(1);
}

class RecordPassTest : public ::testing::TestWithParam<std::size_t> {
 protected:
  void SetUp() override {
    journal_detail::SetBlockBytes(GetParam());
    journal_detail::SetBlocksPerStep(1);
  }
  void TearDown() override {
    journal_detail::SetBlockBytes(journal_detail::kBlockBytes);
    journal_detail::SetBlocksPerStep(journal_detail::kBlocksPerStep);
  }

  // Each of a range of tables written twice, changed once by `blocks` and once by
  // `recordByRecord`; the files must be equal byte for byte.
  void Compare(const std::function<void(const std::string&)>& blocks,
               const std::function<bool(RecordBuffer&)>& recordByRecord) {
    std::mt19937 random(static_cast<unsigned>(GetParam()));
    for (const int records : {0, 1, 2, 7, 31}) {
      DbfBuilder table = AwkwardLayout();
      for (int i = 0; i < records; ++i) table.RawRecord(RandomRecord(random, i));
      table.EndMarker(records % 2 == 0);
      table.WriteTo(fast_);
      table.WriteTo(literal_);
      blocks(fast_);
      RecordByRecord(literal_, recordByRecord);
      ASSERT_EQ(ReadFileBytes(fast_), ReadFileBytes(literal_)) << records << " records";
    }
  }

  TempDir dir_;
  std::string fast_ = dir_.File("fast.dbf");
  std::string literal_ = dir_.File("literal.dbf");
};

TEST_P(RecordPassTest, NormalisingGivesTheBytesOfTheRecordByRecordPass) {
  constexpr int kError = 5;
  Compare(
      [](const std::string& path) {
        TableEngine engine(PlatformFileSystem(), FixedToday);
        RecordBuffer buffer;
        ASSERT_TRUE(NormalizeRecords(engine, path, 1, buffer).ok());
      },
      [](RecordBuffer& buffer) {
        std::string& error = buffer.FieldValues[kError];
        while (!error.empty() &&
               std::string_view(" \r\n\0", 4).find(error.back()) != std::string_view::npos) {
          error.pop_back();
        }
        buffer.DeletionFlag = " ";
        return true;
      });
}

TEST_P(RecordPassTest, ChangingAllPathsGivesTheBytesOfTheRecordByRecordPass) {
  constexpr int kPath = 2;
  PathRule rule;
  rule.targetFolder = "F:\\Neu\\";
  rule.renameToSff = true;
  Compare(
      [&rule](const std::string& path) {
        TableEngine engine(PlatformFileSystem(), FixedToday);
        RecordBuffer buffer;
        int pathField = 0;
        ASSERT_TRUE(ChangeAllPaths(engine, path, 1, rule, buffer, pathField).ok());
      },
      [&rule](RecordBuffer& buffer) {
        std::string newPath = BuildNewPath(buffer.FieldValues[kPath], rule);
        if (newPath.size() > 24) return false;
        buffer.FieldValues[kPath] = newPath;
        buffer.DeletionFlag = " ";
        return true;
      });
}

// One record a block, a block that leaves a part of a record over, and the program's own size.
INSTANTIATE_TEST_SUITE_P(BlockSizes, RecordPassTest,
                         ::testing::Values(std::size_t{1}, 3 * kAwkwardRecord + 40,
                                           journal_detail::kBlockBytes));

// A step in which one record changes writes that record's changed bytes, not the whole step:
// a journal normalised once before is rewritten in a few small writes.
TEST(RecordPassWrites, AStepWritesOnlyTheStretchThatChanged) {
  TempDir dir;
  const std::string path = dir.File("one.dbf");
  DbfBuilder table = AwkwardLayout();
  constexpr int kRecords = 200;
  for (int i = 0; i < kRecords; ++i) {
    std::string record = " 20260101" + std::string(24 + 25 + 4, ' ');
    record += i == 100 ? "busy\r\n  " : "OK      ";
    table.RawRecord(record + "..");
  }
  table.WriteTo(path);
  FaultyFileSystem files;
  TableEngine engine(files, FixedToday);
  RecordBuffer buffer;
  ASSERT_TRUE(NormalizeRecords(engine, path, 1, buffer).ok());
  std::size_t written = 0;
  for (int k = 1; k <= files.WriteCount(); ++k) written += files.WriteSize(k);
  // The log's head and frame and the header are a few hundred bytes; the records are 14,400.
  EXPECT_LT(written, std::size_t{kRecords} * kAwkwardRecord / 8);
  EXPECT_EQ(RecordBytes(path, 101).substr(1 + 8 + 24 + 25 + 4, 8), "busy    ");
}

}  // namespace
}  // namespace dbt::test
