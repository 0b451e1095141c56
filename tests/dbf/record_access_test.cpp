#include <gtest/gtest.h>

#include "dbf/engine.h"
#include "tests/dbf/engine_test_support.h"
#include "tests/support/faulty_file_system.h"
#include "tests/support/journal_tables.h"
#include "tests/support/memory_file_system.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

// The journal table's layout: header 129 bytes, records of 34 bytes, 0x1A at 231.
constexpr std::size_t kFirst = 129;
constexpr std::size_t kLength = 34;

class RecordAccess : public testing::Test {
 protected:
  TempDir dir;
  std::string path = dir.File("journal.dbf");
  TableEngine engine{PlatformFileSystem(), FixedToday};
  RecordBuffer buffer;
  std::vector<std::uint8_t> headerBytes;
  std::int64_t fileSize = 0;

  // The bytes the table was opened with. The file itself cannot be read while the engine holds
  // it: the Windows open is exclusive for reading too.
  std::vector<std::uint8_t> opened;

  void OpenTable(const DbfBuilder& table, OpenAccess access = OpenAccess::ReadWrite) {
    engine.CloseTable(1);
    opened = table.Bytes();
    table.WriteTo(path);
    const TableOpenResult result = engine.OpenTable(path, 1, access, headerBytes, fileSize);
    ASSERT_TRUE(result.ok()) << result.detail;
  }
  std::int32_t Load(std::int32_t record) {
    engine.LoadRecord(1, record, buffer);
    return record;
  }
  std::int32_t Store(std::int32_t record) {
    engine.StoreRecord(1, record, buffer);
    return record;
  }
  std::vector<std::uint8_t> FileNow() {
    engine.CloseTable(1);
    return ReadFileBytes(path);
  }
};

TEST_F(RecordAccess, LoadsFlagAndDecodedFieldsOfTheClampedRecord) {
  OpenTable(ThreeRecordJournal());
  EXPECT_EQ(Load(2), 2);
  EXPECT_EQ(buffer.DeletionFlag, "*");
  EXPECT_EQ(buffer.FieldValues[1], "02.01.2009");
  EXPECT_EQ(buffer.FieldValues[2], "C:\\FAX\\B.PDF        ");
  EXPECT_EQ(buffer.FieldValues[3], "    2");

  EXPECT_EQ(Load(0), 1);
  EXPECT_EQ(buffer.FieldValues[2], "C:\\FAX\\A.PDF        ");
  EXPECT_EQ(Load(-7), 1);
  EXPECT_EQ(Load(3 + 5), 3);
  EXPECT_EQ(buffer.FieldValues[3], "    3");
  EXPECT_EQ(Load(INT32_MAX), 3);
  EXPECT_EQ(Load(INT32_MIN), 1);
}

TEST_F(RecordAccess, LeavesValuesAboveTheFieldCountAsTheyWere) {
  OpenTable(ThreeRecordJournal());
  buffer.FieldValues[4] = "from an earlier table";
  buffer.FieldValues[128] = "last";
  Load(1);
  EXPECT_EQ(buffer.FieldValues[4], "from an earlier table");
  EXPECT_EQ(buffer.FieldValues[128], "last");
}

TEST_F(RecordAccess, ATableWithoutRecordsIsNeitherReadNorWrittenAndKeepsTheNumber) {
  DbfBuilder table;
  table.Field("DATEI", 'C', 20);
  OpenTable(table);
  const std::vector<std::uint8_t> before = opened;
  buffer.DeletionFlag = "x";
  buffer.FieldValues[1] = "unchanged";
  std::int32_t record = 5;
  EXPECT_EQ(engine.RecordPosition(1, record), 65u);
  EXPECT_EQ(record, 5);
  EXPECT_EQ(Load(5), 5);
  EXPECT_EQ(Store(0), 0);
  EXPECT_EQ(buffer.DeletionFlag, "x");
  EXPECT_EQ(buffer.FieldValues[1], "unchanged");
  EXPECT_EQ(FileNow(), before);
}

TEST_F(RecordAccess, RecordPositionFollowsHeaderAndRecordLength) {
  DbfBuilder extra = ThreeRecordJournal();
  extra.ExtraHeaderBytes(std::string(10, 'x'));
  OpenTable(extra);
  std::int32_t record = 1;
  EXPECT_EQ(engine.RecordPosition(1, record), 139u);
  Load(1);
  EXPECT_EQ(buffer.FieldValues[1], "31.12.2008");

  // Header length 97 (two fields), record length 120: record 3 at 337.
  DbfBuilder wide;
  wide.Field("A", 'C', 50).Field("B", 'C', 60).RecordLength(120);
  for (int i = 0; i < 3; ++i) wide.RawRecord(" " + std::string(119, static_cast<char>('a' + i)));
  OpenTable(wide);
  record = 3;
  EXPECT_EQ(engine.RecordPosition(1, record), 337u);
  record = 9;
  EXPECT_EQ(engine.RecordPosition(1, record), 337u);
  EXPECT_EQ(record, 3);
  record = 0;
  EXPECT_EQ(engine.RecordPosition(1, record), 97u);
  EXPECT_EQ(record, 1);
}

TEST_F(RecordAccess, StoresFlagAndFieldsAtTheirExactBytesOnly) {
  OpenTable(ThreeRecordJournal());
  const std::vector<std::uint8_t> before = opened;
  Load(2);
  buffer.FieldValues[2] = "D:\\NEU\\B.SFF";
  buffer.FieldValues[1] = "24.12.2026";
  buffer.DeletionFlag = "*";
  EXPECT_EQ(Store(2), 2);

  std::vector<std::uint8_t> expected = before;
  const std::string record =
      "*20261224" + std::string("D:\\NEU\\B.SFF") + std::string(8, ' ') + "    2";
  std::copy(record.begin(), record.end(), expected.begin() + kFirst + kLength);
  EXPECT_EQ(FileNow(), expected);
}

TEST_F(RecordAccess, AFlagOtherThanOneCharacterIsStoredAsABlank) {
  OpenTable(ThreeRecordJournal());
  for (const std::string flag : {"", "**", ":x"}) {
    Load(2);
    buffer.DeletionFlag = flag;
    Store(2);
    EXPECT_EQ(buffer.DeletionFlag, " ");
    EXPECT_EQ(engine.ReadAt(1, kFirst + kLength, 1), Bytes(" ")) << flag;
  }
  Load(1);
  buffer.DeletionFlag = ":";
  Store(1);
  EXPECT_EQ(engine.ReadAt(1, kFirst, 1), Bytes(":"));
}

TEST_F(RecordAccess, CutsATextWiderThanItsFieldAndNeverTouchesTheNeighbour) {
  OpenTable(ThreeRecordJournal());
  const std::vector<std::uint8_t> before = opened;
  Load(2);
  buffer.FieldValues[2] = "D:\\A VERY LONG FOLDER NAME\\B.SFF";
  buffer.FieldValues[3] = "1234567";
  Store(2);
  Load(1);
  buffer.FieldValues[2] = "";
  Store(1);

  std::vector<std::uint8_t> expected = before;
  const std::string second = "*20090102" + std::string("D:\\A VERY LONG FOLDE") + "12345";
  const std::string first = " 20081231" + std::string(20, ' ') + "    1";
  std::copy(second.begin(), second.end(), expected.begin() + kFirst + kLength);
  std::copy(first.begin(), first.end(), expected.begin() + kFirst);
  const std::vector<std::uint8_t> after = FileNow();
  EXPECT_EQ(after.size(), before.size());
  EXPECT_EQ(after, expected);
}

TEST_F(RecordAccess, StoringARecordNumberOutOfRangeOverwritesTheNearestEnd) {
  OpenTable(ThreeRecordJournal());
  const std::vector<std::uint8_t> before = opened;
  Load(3);
  buffer.FieldValues[3] = "   99";
  EXPECT_EQ(Store(40), 3);
  const std::vector<std::uint8_t> after = FileNow();
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(Slice(after, kFirst + 2 * kLength + 30, 4), Bytes("  99"));
  EXPECT_EQ(after.back(), 0x1A);
}

// Fields the engine can show but not faithfully encode again: rewriting their records unchanged
// must keep every byte.
DbfBuilder UnusualTable() {
  DbfBuilder table;
  table.Field("TEXT", 'C', 6)
      .Field("ODD", 'X', 4)
      .Field("WIDE", 'N', 25)
      .Field("FLAG", 'L', 3)
      .Field("MEMO", 'M', 12)
      .Field("WHEN", 'D', 8)
      .Field("NIL", 'C', 0)
      .RecordLength(1 + 6 + 4 + 25 + 3 + 12 + 8 + 5);
  const std::string zeroInside("ab\0\x81\x94z", 6);
  table.RawRecord(" " + zeroInside + "qrst" + std::string(20, '9') + "12345" + "TxY" +
                  "0000000042xy" + "2008123" + "1" + "\x81\x84\x94\x8E\xE1");
  table.RawRecord("*" + std::string("\x81\x84 \x9A  ", 6) + "\x01\x02\x03\x04" +
                  std::string(25, ' ') + "   " + std::string(12, ' ') + "        " +
                  std::string("\0\0\0\0\0", 5));
  table.RawRecord(std::string("\0 abc  wxyz", 11) + std::string(25, '-') + "F  " + "          12" +
                  "xxxxxxxx" + "     ");
  return table;
}

TEST_F(RecordAccess, RewritingUnchangedRecordsKeepsEveryByte) {
  const DbfBuilder table = UnusualTable();
  OpenTable(table);
  const std::vector<std::uint8_t> before = table.Bytes();
  for (std::int32_t i = 1; i <= 3; ++i) {
    Load(i);
    Store(i);
  }
  EXPECT_EQ(FileNow(), before);
}

TEST_F(RecordAccess, ChangingOneFieldKeepsTheOthersAsStored) {
  const DbfBuilder table = UnusualTable();
  OpenTable(table);
  const std::vector<std::uint8_t> before = table.Bytes();
  const std::size_t first = 33 + 7 * 32;
  Load(1);
  buffer.FieldValues[1] = "neu";
  Store(1);
  std::vector<std::uint8_t> expected = before;
  const std::string text = "neu   ";
  std::copy(text.begin(), text.end(), expected.begin() + first + 1);
  EXPECT_EQ(FileNow(), expected);
}

TEST_F(RecordAccess, ConvertsFlagAndTextsBetweenOemAndAnsi) {
  DbfBuilder table;
  table.Field("NAME", 'C', 6);
  table.RawRecord(std::string("\x81\x84\x94xyz "));  // OEM 850: ü ä ö
  OpenTable(table);
  Load(1);
  EXPECT_EQ(buffer.DeletionFlag, "\xFC");
  EXPECT_EQ(buffer.FieldValues[1], "\xE4\xF6xyz ");
  buffer.FieldValues[1] = "\xC4\xD6\xDC";  // Ä Ö Ü
  Store(1);
  EXPECT_EQ(Slice(FileNow(), 65, 7), Bytes("\x81\x8E\x99\x9A   "));
}

// Some writers store an empty date as zero bytes; the fields after it are converted all the same,
// so a path read, changed and stored keeps the umlauts of its document name.
TEST_F(RecordAccess, AZeroByteInAnEarlierFieldDoesNotStopTheConversionOfLaterOnes) {
  DbfBuilder table;
  table.Field("DATUM", 'D', 8).Field("DATEI", 'C', 30).Field("ERROR", 'C', 6);
  // OEM 850: 0x8E is Ä, 0x9A is Ü, 0x84 is ä.
  table.RawRecord(std::string(" ") + std::string(8, '\0') +
                  "C:\\Fax\\\x8Erzte\\\x9A"
                  "bersicht.pdf    " +
                  std::string("\x84\0x\r\n ", 6));
  OpenTable(table);
  Load(1);
  EXPECT_EQ(buffer.FieldValues[2],
            "C:\\Fax\\\xC4rzte\\\xDC"
            "bersicht.pdf    ");
  EXPECT_EQ(buffer.FieldValues[3], std::string("\xE4\0x\r\n ", 6));

  buffer.FieldValues[2] =
      "X:\\\xC4\\\xDC"
      "bersicht.pdf";
  buffer.FieldValues[3] = std::string("\xE4\0x", 3);
  Store(1);
  EXPECT_EQ(Slice(FileNow(), 129, 45), Bytes(std::string(" ") + std::string(8, '\0') +
                                             "X:\\\x8E\\\x9A"
                                             "bersicht.pdf" +
                                             std::string(12, ' ') + std::string("\x84\0x   ", 6)));
}

TEST_F(RecordAccess, NeverWritesPastTheRecordsTheFileHolds) {
  OpenTable(ThreeRecordJournal().EndMarker(false));
  const std::vector<std::uint8_t> before = opened;
  // A header that claims more records than the file has (as a caller could put it).
  DbfHeader header = engine.GetStoredHeader(1);
  header.SetRecordCount(10);
  engine.PutStoredHeader(1, header);
  Load(3);
  buffer.FieldValues[2] = "elsewhere";
  EXPECT_EQ(Store(7), 7);
  EXPECT_EQ(FileNow(), before);
}

TEST_F(RecordAccess, AReadOnlyTableIsNotChangedByStore) {
  OpenTable(ThreeRecordJournal(), OpenAccess::Read);
  const std::vector<std::uint8_t> before = opened;
  Load(1);
  buffer.FieldValues[2] = "X";
  Store(1);
  EXPECT_FALSE(engine.WriteAt(1, 0, Bytes("x")));
  EXPECT_FALSE(engine.SetFileEnd(1));
  EXPECT_EQ(FileNow(), before);
}

TEST_F(RecordAccess, BuildHeaderBytesStampsTodayAndKeepsEveryOtherByte) {
  DbfBuilder table = ThreeRecordJournal().Date(2001, 2, 3).LanguageDriver(0x57);
  std::vector<std::uint8_t> file = table.Bytes();
  for (int i = 12; i < 32; ++i) {
    if (i != 29) file[i] = static_cast<std::uint8_t>(i);
  }
  WriteFileBytes(path, file);
  ASSERT_TRUE(engine.OpenTableUpdate(path, 1, headerBytes, fileSize) > 0);
  const std::array<std::uint8_t, 32> stamped = engine.BuildHeaderBytes(1);
  EXPECT_EQ(stamped[1], 0x7E);
  EXPECT_EQ(stamped[2], 0x0C);
  EXPECT_EQ(stamped[3], 0x07);
  EXPECT_EQ(stamped[29], 0x57);
  EXPECT_EQ(stamped[0], file[0]);
  for (int i = 4; i < 32; ++i) EXPECT_EQ(stamped[i], file[i]) << i;
  EXPECT_EQ(engine.GetStoredHeader(1).bytes[1], 101);  // the stored header keeps its date

  ASSERT_TRUE(engine.WriteAt(1, 0, stamped));
  std::vector<std::uint8_t> expected = file;
  std::copy(stamped.begin(), stamped.end(), expected.begin());
  EXPECT_EQ(FileNow(), expected);
}

TEST_F(RecordAccess, SetFileEndCutsAfterTheLastWriteOnly) {
  OpenTable(ThreeRecordJournal());
  const std::vector<std::uint8_t> before = opened;
  EXPECT_FALSE(engine.SetFileEnd(1));  // nothing written yet: nothing to cut at
  ASSERT_TRUE(engine.WriteAt(1, kFirst + kLength, std::vector<std::uint8_t>{0x1A}));
  EXPECT_TRUE(engine.SetFileEnd(1));
  std::vector<std::uint8_t> expected = Slice(before, 0, kFirst + kLength);
  expected.push_back(0x1A);
  EXPECT_EQ(FileNow(), expected);
}

TEST_F(RecordAccess, ReadAtStopsAtTheFileEnd) {
  OpenTable(ThreeRecordJournal());
  const std::vector<std::uint8_t> before = opened;
  EXPECT_EQ(engine.ReadAt(1, before.size() - 2, 10), Slice(before, before.size() - 2, 2));
  EXPECT_TRUE(engine.ReadAt(1, 1ull << 40, 10).empty());
  EXPECT_TRUE(engine.ReadAt(2, 0, 10).empty());
}

TEST(RecordAccessFailures, AStoreAfterAFailedLoadLeavesThatRecordAlone) {
  MemoryFileSystem files;
  files.Put("j.dbf", ThreeRecordJournal().Bytes());
  TableEngine engine(files, FixedToday);
  std::vector<std::uint8_t> header;
  std::int64_t size = 0;
  ASSERT_TRUE(engine.OpenTable("j.dbf", 1, OpenAccess::ReadWrite, header, size).ok());
  RecordBuffer buffer;
  std::int32_t record = 1;
  engine.LoadRecord(1, record, buffer);
  MemoryFileSystem::Bytes& data = *files.Data("j.dbf");
  data.resize(kFirst + 2 * kLength + 10);  // record 3 is half gone behind the engine's back
  const MemoryFileSystem::Bytes before = data;
  record = 3;
  engine.LoadRecord(1, record, buffer);
  EXPECT_EQ(buffer.FieldValues[3], "    1");  // still record 1: nothing was read
  engine.StoreRecord(1, record, buffer);
  EXPECT_EQ(data, before);
}

TEST(FaultyFiles, StopsEveryWriteFromTheChosenOneOn) {
  MemoryFileSystem memory;
  memory.Put("j.dbf", ThreeRecordJournal().Bytes());
  FaultyFileSystem files(memory);
  files.StopAtWrite(2);
  TableEngine engine(files, FixedToday);
  std::vector<std::uint8_t> header;
  std::int64_t size = 0;
  ASSERT_TRUE(engine.OpenTable("j.dbf", 1, OpenAccess::ReadWrite, header, size).ok());
  EXPECT_TRUE(engine.WriteAt(1, 0, Bytes("\x04")));
  EXPECT_FALSE(engine.WriteAt(1, 1, Bytes("\x7F")));
  EXPECT_FALSE(engine.SetFileEnd(1));
  EXPECT_EQ(files.WriteCount(), 3);
  MemoryFileSystem::Bytes expected = ThreeRecordJournal().Bytes();
  expected[0] = 0x04;
  EXPECT_EQ(*memory.Data("j.dbf"), expected);

  files.FailOpen("j.dbf", FileOpenError::Locked);
  engine.CloseTable(1);
  EXPECT_EQ(engine.OpenTable("j.dbf", 1, OpenAccess::Read, header, size).error,
            TableOpenError::Locked);
  files.FailOpen("j.dbf", FileOpenError::None);
  EXPECT_TRUE(engine.OpenTable("j.dbf", 1, OpenAccess::Read, header, size).ok());
}

}  // namespace
}  // namespace dbt::test
