// The POSIX file layer's locks: both lock families against outside opens.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "dbf/table_file.h"
#include "tests/dbf/platform_file_fixture.h"
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

using PosixFileTest = PlatformFileTest;

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

}  // namespace
}  // namespace dbt::test
