#ifndef _FILE_OFFSET_BITS
#define _FILE_OFFSET_BITS 64
#endif

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "dbf/table_file.h"

namespace dbt {
namespace {

constexpr std::uint64_t kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  int Get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }

 private:
  int fd_;
};

class PosixTableFile final : public TableFile {
 public:
  explicit PosixTableFile(int fd) : fd_(fd) {}

  std::uint64_t Size() override {
    struct stat info {};
    if (::fstat(fd_.Get(), &info) != 0 || info.st_size < 0) return 0;
    return static_cast<std::uint64_t>(info.st_size);
  }

  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    std::size_t done = 0;
    while (done < out.size()) {
      if (offset + done > kMaxOffset) break;
      const ssize_t got = ::pread(fd_.Get(), out.data() + done, out.size() - done,
                                  static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      done += static_cast<std::size_t>(got);
    }
    return done;
  }

  bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    if (offset > kMaxOffset - data.size()) return false;
    std::size_t done = 0;
    while (done < data.size()) {
      const ssize_t put = ::pwrite(fd_.Get(), data.data() + done, data.size() - done,
                                   static_cast<off_t>(offset + done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += static_cast<std::size_t>(put);
    }
    return true;
  }

  bool Truncate(std::uint64_t size) override {
    if (size > kMaxOffset) return false;
    while (::ftruncate(fd_.Get(), static_cast<off_t>(size)) != 0) {
      if (errno != EINTR) return false;
    }
    return true;
  }

  bool Sync() override {
    while (::fdatasync(fd_.Get()) != 0) {
      if (errno != EINTR) return false;
    }
    return true;
  }

  ReserveResult Reserve(std::uint64_t size) override {
    if (size > kMaxOffset) return ReserveResult::Failed;
    const std::uint64_t current = Size();
    if (current >= size) return ReserveResult::Reserved;
    // Only the growth: the bytes the file holds have their room, and where the system lacks the
    // call, its stand-in reads and rewrites a byte of every block it is given.
    int error = 0;
    do {
      error = ::posix_fallocate(fd_.Get(), static_cast<off_t>(current),
                                static_cast<off_t>(size - current));
    } while (error == EINTR);
    if (error == 0) return ReserveResult::Reserved;
    return error == ENOSPC || error == EDQUOT || error == EFBIG ? ReserveResult::DiskFull
                                                                : ReserveResult::Failed;
  }

 private:
  FileDescriptor fd_;
};

// A new or removed name is on the disk only once its folder is: fsync of the folder itself.
bool SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.Get() < 0) return false;
  while (::fsync(fd.Get()) != 0) {
    // Some file systems cannot sync a folder; their names are as durable as they get.
    if (errno == EINVAL || errno == EROFS) return true;
    if (errno != EINTR) return false;
  }
  return true;
}

// The lock of the other family: programs that lock with fcntl (OFD or classic record locks)
// do not see flock, and the other way round, so the table carries both. A read-only open can
// only take the shared kind, which still keeps every writer out.
FileOpenError LockRecords(int fd, OpenAccess access) {
#ifdef F_OFD_SETLK
  struct flock lock {};
  lock.l_type = access == OpenAccess::ReadWrite ? F_WRLCK : F_RDLCK;
  lock.l_whence = SEEK_SET;
  while (::fcntl(fd, F_OFD_SETLK, &lock) != 0) {
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EACCES) return FileOpenError::Locked;
    // A file system without record locks: flock alone has to do.
    if (errno == EINVAL || errno == ENOLCK || errno == EOPNOTSUPP) return FileOpenError::None;
    return FileOpenError::Other;
  }
#else
  (void)fd;
  (void)access;
#endif
  return FileOpenError::None;
}

FileOpenError ErrorOfOpen(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return FileOpenError::Missing;
    case EACCES:
    case EPERM:
    case EROFS:
      return FileOpenError::NoAccess;
    case EISDIR:
      return FileOpenError::NotAFile;
    default:
      return FileOpenError::Other;
  }
}

class PosixFileSystem final : public FileSystem {
 public:
  FileOpenResult OpenUnshared(const std::string& path, OpenAccess access) override {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused below anyway.
    // Never O_CREAT: a missing table stays missing.
    const int mode = access == OpenAccess::ReadWrite ? O_RDWR : O_RDONLY;
    FileDescriptor fd(::open(path.c_str(), mode | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.Get() < 0) return {nullptr, ErrorOfOpen(errno)};

    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) return {nullptr, FileOpenError::Other};
    if (!S_ISREG(info.st_mode)) return {nullptr, FileOpenError::NotAFile};

    const int flags = ::fcntl(fd.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(fd.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
      return {nullptr, FileOpenError::Other};
    }
    // flock belongs to the open file description, so a second open of the same file fails
    // here too, from this process as from another: the exclusive open of the Windows build.
    while (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      if (errno == EWOULDBLOCK) return {nullptr, FileOpenError::Locked};
      return {nullptr, FileOpenError::Other};
    }
    const FileOpenError locked = LockRecords(fd.Get(), access);
    if (locked != FileOpenError::None) return {nullptr, locked};
    return {std::make_unique<PosixTableFile>(fd.Release()), FileOpenError::None};
  }

  std::unique_ptr<TableFile> CreateOrReplace(const std::string& path) override {
    FileDescriptor fd(
        ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0644));
    if (fd.Get() < 0 || !SyncFolderOf(path)) return nullptr;
    return std::make_unique<PosixTableFile>(fd.Release());
  }

  ReadWholeResult ReadWhole(const std::string& path, std::vector<std::uint8_t>& bytes) override {
    bytes.clear();
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.Get() < 0) return errno == ENOENT ? ReadWholeResult::Missing : ReadWholeResult::Failed;
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return ReadWholeResult::Failed;
    PosixTableFile file(fd.Release());
    bytes.resize(static_cast<std::size_t>(info.st_size));
    if (file.ReadAt(0, bytes) != bytes.size()) return ReadWholeResult::Failed;
    return ReadWholeResult::Read;
  }

  bool RemoveFile(const std::string& path) override {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) return false;
    return SyncFolderOf(path);
  }

  bool Exists(const std::string& path) override {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
  }

  std::string CanonicalPath(const std::string& path) override {
    // Every link resolved, "." and ".." gone, absolute: the name of the file, not of a way to it.
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string canonical(resolved);
    std::free(resolved);
    return canonical;
  }

  bool SameFile(const std::string& a, const std::string& b) override {
    struct stat first {};
    struct stat second {};
    if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
    return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  }
};

}  // namespace

FileSystem& PlatformFileSystem() {
  static PosixFileSystem files;
  return files;
}

}  // namespace dbt
