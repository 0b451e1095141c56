#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dbf/engine.h"
#include "tests/dbf/engine_test_support.h"
#include "tests/support/journal_tables.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace dbt::test {
namespace {

class TableOpen : public testing::Test {
 protected:
  TempDir dir;
  TableEngine engine{PlatformFileSystem(), FixedToday};
  std::vector<std::uint8_t> headerBytes;
  std::int64_t fileSize = 0;

  TableOpenResult Open(const std::string& path, TableHandle handle = 1,
                       OpenAccess access = OpenAccess::ReadWrite) {
    return engine.OpenTable(path, handle, access, headerBytes, fileSize);
  }
};

TEST_F(TableOpen, CountsTheWholeRecordsThatLieBeyondTheHeadersCount) {
  const std::string path = dir.File("journal.dbf");
  ThreeRecordJournal().RecordCount(1).WriteTo(path);
  ASSERT_TRUE(Open(path).ok());
  EXPECT_EQ(engine.StoredRecordCount(1), 1);
  EXPECT_EQ(engine.RecordsPastCount(1), 2);

  // Half a record and the end marker are no record. The table is closed before its file is
  // written again: Windows refuses any other open of a table that is held.
  engine.CloseTable(1);
  ThreeRecordJournal().EndMarker(false).RawRecord(" 2009").WriteTo(path);
  ASSERT_TRUE(Open(path).ok());
  EXPECT_EQ(engine.RecordsPastCount(1), 0);
  engine.CloseTable(1);
  DbfBuilder ones;
  ones.RawRecord(" ").RawRecord("*").RecordCount(1).WriteTo(path);  // no fields: 1-byte records
  ASSERT_TRUE(Open(path).ok());
  EXPECT_EQ(engine.RecordsPastCount(1), 1);
  engine.CloseTable(1);
  ones.RecordCount(2).WriteTo(path);
  ASSERT_TRUE(Open(path).ok());
  EXPECT_EQ(engine.RecordsPastCount(1), 0);
}

TEST_F(TableOpen, GivesSizeHeaderBytesFieldsAndRecordCount) {
  const std::string path = dir.File("journal.dbf");
  const DbfBuilder table = ThreeRecordJournal().LanguageDriver(0x57).ExtraHeaderBytes("xyz");
  table.WriteTo(path);
  const std::vector<std::uint8_t> file = table.Bytes();

  const TableOpenResult result = Open(path);
  ASSERT_TRUE(result.ok()) << result.detail;
  EXPECT_EQ(result.error, TableOpenError::None);
  EXPECT_EQ(fileSize, static_cast<std::int64_t>(file.size()));
  EXPECT_EQ(result.fileSize, fileSize);
  EXPECT_EQ(headerBytes, Slice(file, 0, 32 + 3 * 32 + 1 + 3));
  EXPECT_EQ(engine.FieldCount(1), 3);
  EXPECT_EQ(engine.StoredRecordCount(1), 3);
  EXPECT_EQ(engine.GetStoredHeader(1).bytes[29], 0x57);
  EXPECT_TRUE(engine.IsOpen(1));
  engine.CloseTable(1);
  EXPECT_FALSE(engine.IsOpen(1));
  // The state outlives the close.
  EXPECT_EQ(engine.FieldCount(1), 3);
  EXPECT_EQ(engine.FieldName(1, 2), "DATEI");
  engine.CloseTable(1);
  engine.CloseTable(99);
}

TEST_F(TableOpen, AcceptsEveryVersionByteAndTablesWithoutFieldsOrRecords) {
  for (std::uint8_t version : {0x03, 0x04, 0x63, 0x83, 0x8B}) {
    const std::string path = dir.File("v" + std::to_string(version) + ".dbf");
    ThreeRecordJournal().Version(version).WriteTo(path);
    EXPECT_TRUE(Open(path, version).ok()) << int{version};
  }
  const std::string empty = dir.File("nofields.dbf");
  DbfBuilder().WriteTo(empty);  // 33 header bytes, record length 1, 0x1A
  const TableOpenResult result = Open(empty, 7);
  ASSERT_TRUE(result.ok()) << result.detail;
  EXPECT_EQ(engine.FieldCount(7), 0);
  EXPECT_EQ(engine.StoredRecordCount(7), 0);
}

TEST_F(TableOpen, LimitsTheRecordCountToTheRecordsTheFileHolds) {
  const std::string path = dir.File("short.dbf");
  // Five records announced, two and a half present (a compaction cut short, or a copy cut off).
  std::vector<std::uint8_t> bytes = ThreeRecordJournal().RecordCount(5).EndMarker(false).Bytes();
  bytes.resize(bytes.size() - 34 / 2);
  WriteFileBytes(path, bytes);
  ASSERT_TRUE(Open(path).ok());
  EXPECT_EQ(engine.StoredRecordCount(1), 2);
  EXPECT_EQ(engine.BuildHeaderBytes(1)[4], 2);
  EXPECT_EQ(headerBytes[4], 5);  // the caller sees the file's own bytes

  const std::string huge = dir.File("huge.dbf");
  ThreeRecordJournal().RecordCount(0xFFFFFFFFu).WriteTo(huge);
  ASSERT_TRUE(Open(huge, 2).ok());
  EXPECT_EQ(engine.StoredRecordCount(2), 3);

  const std::string fewer = dir.File("fewer.dbf");
  ThreeRecordJournal().RecordCount(1).WriteTo(fewer);
  ASSERT_TRUE(Open(fewer, 3).ok());
  EXPECT_EQ(engine.StoredRecordCount(3), 1);
}

struct Refusal {
  const char* name;
  std::vector<std::uint8_t> bytes;
  TableOpenError error;
  const char* detailPart;
};

// A dBase level 7 table of two fields, DATUM D 8 and DATEI C 20, with one record: version byte
// 0x04 like level 3, but 36 more header bytes and 48-byte field descriptors.
std::vector<std::uint8_t> Level7Table() {
  std::vector<std::uint8_t> file(68, 0);
  file[0] = 0x04;
  file[4] = 1;
  file[8] = 68 + 2 * 48 + 1;
  file[10] = 1 + 8 + 20;
  const auto descriptor = [&file](const std::string& name, char type, std::uint8_t length) {
    std::vector<std::uint8_t> d(48, 0);
    std::copy(name.begin(), name.end(), d.begin());
    d[32] = static_cast<std::uint8_t>(type);
    d[33] = length;
    file.insert(file.end(), d.begin(), d.end());
  };
  descriptor("DATUM", 'D', 8);
  descriptor("DATEI", 'C', 20);
  file.push_back(0x0D);
  const std::string record = " 20240105C:\\Fax\\0001.pdf     ";
  file.insert(file.end(), record.begin(), record.end());
  file.push_back(0x1A);
  return file;
}

std::vector<Refusal> Refusals() {
  std::vector<Refusal> cases;
  cases.push_back({"empty", {}, TableOpenError::NotDbase, "empty"});
  cases.push_back({"version 0x30", ThreeRecordJournal().Version(0x30).Bytes(),
                   TableOpenError::NotDbase, "0x30"});
  cases.push_back({"version 0xF5", ThreeRecordJournal().Version(0xF5).Bytes(),
                   TableOpenError::NotDbase, "0xF5"});
  std::vector<std::uint8_t> stub = ThreeRecordJournal().Bytes();
  stub.resize(20);
  cases.push_back({"shorter than the header", stub, TableOpenError::Damaged, "20 bytes"});
  DbfBuilder wide;
  for (int k = 0; k < 129; ++k) wide.Field("F" + std::to_string(k), 'C', 1);
  cases.push_back({"129 fields", wide.Bytes(), TableOpenError::Unsupported,
                   "129 fields; more than 128 are not supported"});
  cases.push_back({"level 7", Level7Table(), TableOpenError::Unsupported, "dBase level 7 table"});
  // 60,000 would give 1874 fields, but no file this short holds such a header.
  cases.push_back({"header past the file", ThreeRecordJournal().HeaderLength(60000).Bytes(),
                   TableOpenError::Damaged, "header length 60000 runs past the file's"});
  // 3 fields need 128 descriptor bytes; a header length of 120 rounds to 3 all the same.
  cases.push_back({"descriptors past the header", ThreeRecordJournal().HeaderLength(120).Bytes(),
                   TableOpenError::Damaged, "header length 120"});
  std::vector<std::uint8_t> cut = ThreeRecordJournal().Bytes();
  cut.resize(100);
  cases.push_back({"descriptors past the file", cut, TableOpenError::Damaged, "100 bytes"});
  cases.push_back({"record length short of its fields",
                   ThreeRecordJournal().RecordLength(33).Bytes(), TableOpenError::Damaged,
                   "record length 33 is shorter than its fields (1 + 33)"});
  cases.push_back({"record length 0", DbfBuilder().RecordLength(0).Bytes(), TableOpenError::Damaged,
                   "record length 0"});
  return cases;
}

TEST_F(TableOpen, RefusalsLeaveHandleStateCallerAndFileAsTheyWere) {
  const std::string good = dir.File("good.dbf");
  ThreeRecordJournal().WriteTo(good);
  for (const Refusal& refusal : Refusals()) {
    SCOPED_TRACE(refusal.name);
    ASSERT_TRUE(Open(good, 4, OpenAccess::Read).ok());
    engine.CloseTable(4);
    const std::vector<std::uint8_t> goodHeader = headerBytes;
    const DbfHeader stored = engine.GetStoredHeader(4);

    const std::string path = dir.File("bad.dbf");
    WriteFileBytes(path, refusal.bytes);
    fileSize = 0;
    const TableOpenResult result = Open(path, 4);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.fileSize, 0);
    EXPECT_EQ(fileSize, 0);
    EXPECT_EQ(result.error, refusal.error);
    // The caller names the file, once.
    EXPECT_EQ(result.detail.find("bad.dbf"), std::string::npos) << result.detail;
    EXPECT_NE(result.detail.find(refusal.detailPart), std::string::npos) << result.detail;
    EXPECT_FALSE(engine.IsOpen(4));
    EXPECT_EQ(headerBytes, goodHeader);
    EXPECT_EQ(engine.GetStoredHeader(4).bytes, stored.bytes);
    EXPECT_EQ(engine.FieldCount(4), 3);
    EXPECT_EQ(ReadFileBytes(path), refusal.bytes);
    // The refused file was closed again: a fresh open is not locked out.
    EXPECT_NE(Open(path, 5).error, TableOpenError::Locked);
  }
}

TEST_F(TableOpen, RefusesMissingFilesAndFoldersWithoutCreatingAnything) {
  const std::string missing = dir.File("missing.dbf");
  TableOpenResult result = Open(missing);
  EXPECT_EQ(result.error, TableOpenError::Missing);
  EXPECT_EQ(result.detail, "no such file");
  EXPECT_FALSE(std::filesystem::exists(missing));
  EXPECT_FALSE(PlatformFileSystem().Exists(missing));

  result = Open(dir.File("no-folder") + "/x.dbf", 1, OpenAccess::Read);
  EXPECT_EQ(result.error, TableOpenError::Missing);

  const std::string folder = dir.File("folder.dbf");
  std::filesystem::create_directory(folder);
  EXPECT_EQ(Open(folder, 1, OpenAccess::Read).error, TableOpenError::NotAFile);
  EXPECT_EQ(Open(folder, 1, OpenAccess::ReadWrite).error, TableOpenError::NotAFile);
  EXPECT_TRUE(PlatformFileSystem().Exists(folder));
  EXPECT_FALSE(engine.IsOpen(1));
}

TEST_F(TableOpen, ASecondOpenOfAnOpenFileIsLocked) {
  const std::string path = dir.File("journal.dbf");
  ThreeRecordJournal().WriteTo(path);
  ASSERT_TRUE(Open(path, 1).ok());
  const std::int64_t firstSize = fileSize;

  std::int64_t otherSize = 0;
  std::vector<std::uint8_t> otherHeader;
  EXPECT_EQ(engine.OpenTable(path, 2, OpenAccess::Read, otherHeader, otherSize).error,
            TableOpenError::Locked);
  TableEngine second;
  EXPECT_EQ(second.OpenTable(path, 1, OpenAccess::ReadWrite, otherHeader, otherSize).error,
            TableOpenError::Locked);

  // A size passed in closes the handle first, so reopening the same handle works; a size of 0
  // passed in does not, and the still open file locks the new open out.
  std::int64_t zero = 0;
  EXPECT_EQ(engine.OpenTable(path, 1, OpenAccess::Read, headerBytes, zero).error,
            TableOpenError::Locked);
  EXPECT_TRUE(engine.IsOpen(1));
  fileSize = firstSize;
  EXPECT_TRUE(Open(path, 1).ok());
  engine.CloseTable(1);
  EXPECT_TRUE(second.OpenTable(path, 1, OpenAccess::Read, otherHeader, otherSize).ok());
}

#ifndef _WIN32
TEST_F(TableOpen, AnotherProcessIsLockedOutWhileTheTableIsOpen) {
  const std::string path = dir.File("journal.dbf");
  ThreeRecordJournal().WriteTo(path);
  ASSERT_TRUE(Open(path, 1).ok());
  const auto childSees = [&path] {
    const pid_t child = fork();
    if (child == 0) {
      TableEngine childEngine;
      std::vector<std::uint8_t> header;
      std::int64_t size = 0;
      const TableOpenResult result = childEngine.OpenTable(path, 1, OpenAccess::Read, header, size);
      _exit(result.ok() ? 0 : result.error == TableOpenError::Locked ? 1 : 2);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(childSees(), 1);
  engine.CloseTable(1);
  EXPECT_EQ(childSees(), 0);
}
#endif

TEST_F(TableOpen, RefusesHandlesBelowOne) {
  const std::string path = dir.File("journal.dbf");
  ThreeRecordJournal().WriteTo(path);
  EXPECT_EQ(Open(path, 0).error, TableOpenError::Other);
  EXPECT_EQ(Open(path, -3).error, TableOpenError::Other);
  EXPECT_EQ(fileSize, 0);
  EXPECT_TRUE(Open(path, 1).ok());  // nothing was left open by the refusals
}

TEST_F(TableOpen, InitTableEngineClosesFilesAndEmptiesStateAndBuffer) {
  const std::string path = dir.File("journal.dbf");
  ThreeRecordJournal().WriteTo(path);
  ASSERT_TRUE(Open(path, 3).ok());
  RecordBuffer buffer;
  std::int32_t record = 1;
  engine.LoadRecord(3, record, buffer);
  buffer.FieldValues[100] = "kept until now";
  ASSERT_FALSE(buffer.FieldValues[2].empty());

  engine.InitTableEngine(buffer);
  EXPECT_FALSE(engine.IsOpen(3));
  EXPECT_EQ(engine.FieldCount(3), 0);
  EXPECT_EQ(engine.GetStoredHeader(3).bytes, DbfHeader{}.bytes);
  EXPECT_TRUE(buffer.DeletionFlag.empty());
  for (const std::string& value : buffer.FieldValues) EXPECT_TRUE(value.empty());
  EXPECT_EQ(buffer.loaded.fieldCount, 0);
  std::int64_t size = 0;
  TableEngine other;
  EXPECT_TRUE(other.OpenTable(path, 1, OpenAccess::Read, headerBytes, size).ok());
}

}  // namespace
}  // namespace dbt::test
