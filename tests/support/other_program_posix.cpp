#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "tests/support/other_program.h"

namespace dbt::test {

bool OtherProgramCanOpen(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
#ifdef F_OFD_SETLK
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  free = free && ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
#endif
  ::close(fd);
  return free;
}

}  // namespace dbt::test
