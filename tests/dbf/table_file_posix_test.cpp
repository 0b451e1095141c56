// The POSIX file layer: both lock families against outside opens, the room an append sets aside,
// and the small file beside a table.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "dbf/table_file.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

// An outside open that asks for a lock of the given kind; true when it gets it.
bool OutsideOfdLock(const std::string& path, short type) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  const bool got = ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
  ::close(fd);
  return got;
}

bool OutsideFlock(const std::string& path, int kind) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool got = ::flock(fd, kind | LOCK_NB) == 0;
  ::close(fd);
  return got;
}

class PosixFileTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteFileBytes(path, {0x03, 1, 2, 3}); }
  TempDir dir;
  std::string path = dir.File("t.dbf");
};

TEST_F(PosixFileTest, OpenForWritingKeepsOutEveryLockOfBothFamilies) {
  FileOpenResult open = PlatformFileSystem().OpenExclusive(path, OpenAccess::ReadWrite);
  ASSERT_NE(open.file, nullptr);
  EXPECT_FALSE(OutsideOfdLock(path, F_RDLCK));
  EXPECT_FALSE(OutsideOfdLock(path, F_WRLCK));
  EXPECT_FALSE(OutsideFlock(path, LOCK_SH));
  open.file.reset();
  EXPECT_TRUE(OutsideOfdLock(path, F_WRLCK));
  EXPECT_TRUE(OutsideFlock(path, LOCK_EX));
}

// A read-only descriptor can only hold the shared record lock: writers stay out, readers may
// read along (flock still keeps every flock user out).
TEST_F(PosixFileTest, OpenForReadingKeepsOutWriters) {
  FileOpenResult open = PlatformFileSystem().OpenExclusive(path, OpenAccess::Read);
  ASSERT_NE(open.file, nullptr);
  EXPECT_FALSE(OutsideOfdLock(path, F_WRLCK));
  EXPECT_TRUE(OutsideOfdLock(path, F_RDLCK));
  EXPECT_FALSE(OutsideFlock(path, LOCK_SH));
}

TEST_F(PosixFileTest, ReserveGrowsTheFileWithZerosAndNeverShrinksIt) {
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

TEST_F(PosixFileTest, FileBesideTheTableIsCreatedEmptyReadWholeAndRemoved) {
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
