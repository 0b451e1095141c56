#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <span>

#include "cli/backup.h"
#include "dbf/table_open_error.h"

namespace dbt::cli::backup_detail {
namespace {

class ScopedFd {
 public:
  explicit ScopedFd(int fd) : fd_(fd) {}
  ~ScopedFd() { Close(); }
  ScopedFd(const ScopedFd&) = delete;
  ScopedFd& operator=(const ScopedFd&) = delete;
  int Get() const { return fd_; }
  // Closing can report a write that failed late (on network file systems).
  bool Close() {
    if (fd_ < 0) return true;
    const bool closed = close(fd_) == 0;
    fd_ = -1;
    return closed;
  }

 private:
  int fd_;
};

std::string Reason(const std::string& file, int error) {
  return NamedReason(file, std::strerror(error));
}

// write() may take part of a block, and an interrupted one none of it.
bool WriteAll(int to, std::span<const std::uint8_t> block, const std::string& copy,
              std::string& error) {
  for (std::size_t done = 0; done < block.size();) {
    const ssize_t put = write(to, block.data() + done, block.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      error = Reason(copy, put < 0 ? errno : ENOSPC);
      return false;
    }
    done += static_cast<std::size_t>(put);
  }
  return true;
}

// The copy's name survives a power cut only once its folder is flushed too.
void FlushFolderOf(const std::string& copy) {
  const std::size_t slash = copy.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : copy.substr(0, slash + 1);
  ScopedFd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY));
  if (dir.Get() >= 0) fsync(dir.Get());
}

}  // namespace

std::string LocalTimestamp() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
  return text;
}

CopyOutcome CopyNewFile(TableFile& table, const std::string& tableName, const std::string& copy,
                        std::string& error) {
  ScopedFd to(open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (to.Get() < 0) {
    if (errno == EEXIST) return CopyOutcome::NameTaken;
    error = Reason(copy, errno);
    return CopyOutcome::Failed;
  }
  bool copied = CopyBytes(table, tableName, error, [&](std::span<const std::uint8_t> block) {
    return WriteAll(to.Get(), block, copy, error);
  });
  if (copied && fsync(to.Get()) != 0) {
    error = Reason(copy, errno);
    copied = false;
  }
  if (!to.Close() && copied) {
    error = Reason(copy, errno);
    copied = false;
  }
  if (!copied) {
    unlink(copy.c_str());
    return CopyOutcome::Failed;
  }
  FlushFolderOf(copy);
  return CopyOutcome::Copied;
}

}  // namespace dbt::cli::backup_detail
