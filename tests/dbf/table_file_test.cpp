// The platform's file layer: the room an append sets aside, and the small file beside a table.

#include <gtest/gtest.h>

#include "dbf/table_file.h"
#include "tests/dbf/platform_file_fixture.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

TEST_F(PlatformFileTest, ReserveGrowsTheFileWithZerosAndNeverShrinksIt) {
  FileOpenResult open = PlatformFileSystem().OpenExclusive(path, OpenAccess::ReadWrite);
  ASSERT_NE(open.file, nullptr);
  EXPECT_EQ(open.file->Reserve(4096), ReserveResult::Reserved);
  EXPECT_EQ(open.file->Size(), 4096u);
  EXPECT_EQ(open.file->Reserve(10), ReserveResult::Reserved);
  EXPECT_EQ(open.file->Size(), 4096u);
  EXPECT_TRUE(open.file->Sync());
  open.file.reset();
  const auto bytes = ReadFileBytes(path);
  ASSERT_EQ(bytes.size(), 4096u);
  EXPECT_EQ(bytes[3], 3);
  EXPECT_EQ(bytes[4095], 0);
}

TEST_F(PlatformFileTest, FileBesideTheTableIsCreatedEmptyReadWholeAndRemoved) {
  FileSystem& files = PlatformFileSystem();
  const std::string beside = path + ".x";
  std::vector<std::uint8_t> bytes;
  EXPECT_EQ(files.ReadWhole(beside, bytes), ReadWholeResult::Missing);
  WriteFileBytes(beside, {9, 9, 9, 9, 9});
  {
    std::unique_ptr<TableFile> file = files.CreateOrReplace(beside);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Size(), 0u);
    const std::uint8_t data[2] = {7, 8};
    EXPECT_TRUE(file->WriteAt(1, data));
  }
  EXPECT_EQ(files.ReadWhole(beside, bytes), ReadWholeResult::Read);
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0, 7, 8}));
  EXPECT_TRUE(files.RemoveFile(beside));
  EXPECT_FALSE(files.Exists(beside));
  EXPECT_TRUE(files.RemoveFile(beside));
}

}  // namespace
}  // namespace dbt::test
