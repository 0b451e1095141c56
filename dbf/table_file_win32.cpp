#include <windows.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "dbf/canonical_path_win32.h"
#include "dbf/table_file.h"
#include "util/win32/scoped_handles.h"

namespace dbt {
namespace {

constexpr std::uint64_t kMaxOffset =
    static_cast<std::uint64_t>(std::numeric_limits<LONGLONG>::max());
constexpr DWORD kMaxChunk = 1u << 30;

// The offset travels in the OVERLAPPED structure: on a handle opened without
// FILE_FLAG_OVERLAPPED the call still completes before it returns, and the record is reached
// and moved by one call instead of a seek and a transfer.
OVERLAPPED At(std::uint64_t offset) {
  OVERLAPPED where{};
  where.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  where.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return where;
}

class Win32TableFile final : public TableFile {
 public:
  explicit Win32TableFile(HANDLE handle) : handle_(handle) {}

  std::uint64_t Size() override {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(handle_.Get(), &size) || size.QuadPart < 0) return 0;
    return static_cast<std::uint64_t>(size.QuadPart);
  }

  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    std::size_t done = 0;
    while (done < out.size()) {
      if (offset + done > kMaxOffset) break;
      const std::size_t left = out.size() - done;
      const DWORD ask = left > kMaxChunk ? kMaxChunk : static_cast<DWORD>(left);
      OVERLAPPED where = At(offset + done);
      DWORD got = 0;
      if (!ReadFile(handle_.Get(), out.data() + done, ask, &got, &where) || got == 0) break;
      done += got;
    }
    return done;
  }

  bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    if (offset > kMaxOffset - data.size()) return false;
    std::size_t done = 0;
    while (done < data.size()) {
      const std::size_t left = data.size() - done;
      const DWORD ask = left > kMaxChunk ? kMaxChunk : static_cast<DWORD>(left);
      OVERLAPPED where = At(offset + done);
      DWORD put = 0;
      if (!WriteFile(handle_.Get(), data.data() + done, ask, &put, &where) || put == 0) {
        return false;
      }
      done += put;
    }
    return true;
  }

  bool Truncate(std::uint64_t size) override {
    if (size > kMaxOffset) return false;
    LARGE_INTEGER where{};
    where.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFilePointerEx(handle_.Get(), where, nullptr, FILE_BEGIN)) return false;
    return SetEndOfFile(handle_.Get()) != 0;
  }

  bool Sync() override { return FlushFileBuffers(handle_.Get()) != 0; }

  // Extending the file allocates its room on NTFS and FAT alike; SetEndOfFile fails with a
  // disk-full error when there is none.
  ReserveResult Reserve(std::uint64_t size) override {
    if (size > kMaxOffset) return ReserveResult::Failed;
    if (Size() >= size) return ReserveResult::Reserved;
    if (Truncate(size)) return ReserveResult::Reserved;
    const DWORD error = GetLastError();
    return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL ? ReserveResult::DiskFull
                                                                       : ReserveResult::Failed;
  }

 private:
  ScopedHandle handle_;
};

bool IsFolder(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FileOpenError ErrorOfOpen(DWORD error, const std::string& path) {
  switch (error) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return FileOpenError::Locked;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
      return FileOpenError::Missing;
    case ERROR_ACCESS_DENIED:
      return IsFolder(path) ? FileOpenError::NotAFile : FileOpenError::NoAccess;
    default:
      return FileOpenError::Other;
  }
}

bool HasWildcard(const std::string& path) {
  return path.find_first_of("*?") != std::string::npos;
}

class Win32FileSystem final : public FileSystem {
 public:
  FileOpenResult OpenUnshared(const std::string& path, OpenAccess access) override {
    const DWORD wanted =
        access == OpenAccess::ReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    // Share mode 0 keeps every other open out, the fax application's included. OPEN_EXISTING:
    // a missing table is reported, not created empty.
    HANDLE raw = CreateFileA(path.c_str(), wanted, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr);
    if (raw == INVALID_HANDLE_VALUE) return {nullptr, ErrorOfOpen(GetLastError(), path)};
    auto file = std::make_unique<Win32TableFile>(raw);
    if (GetFileType(raw) != FILE_TYPE_DISK) return {nullptr, FileOpenError::NotAFile};
    return {std::move(file), FileOpenError::None};
  }

  // The folder needs no flush: NTFS logs its names, and FAT has nothing to ask.
  std::unique_ptr<TableFile> CreateOrReplace(const std::string& path) override {
    HANDLE raw = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32TableFile>(raw);
  }

  ReadWholeResult ReadWhole(const std::string& path, std::vector<std::uint8_t>& bytes) override {
    bytes.clear();
    HANDLE raw = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE) {
      const DWORD error = GetLastError();
      return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                 ? ReadWholeResult::Missing
                 : ReadWholeResult::Failed;
    }
    Win32TableFile file(raw);
    if (GetFileType(raw) != FILE_TYPE_DISK) return ReadWholeResult::Failed;
    const std::uint64_t size = file.Size();
    if (size > (std::uint64_t{1} << 31)) return ReadWholeResult::Failed;
    bytes.resize(static_cast<std::size_t>(size));
    if (file.ReadAt(0, bytes) != bytes.size()) return ReadWholeResult::Failed;
    return ReadWholeResult::Read;
  }

  bool RemoveFile(const std::string& path) override {
    if (DeleteFileA(path.c_str())) return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
  }

  bool Exists(const std::string& path) override {
    if (path.empty() || HasWildcard(path)) return false;
    WIN32_FIND_DATAA found{};
    ScopedFindHandle search(FindFirstFileA(path.c_str(), &found));
    return search.Valid();
  }

  std::string CanonicalPath(const std::string& path) override { return CanonicalWin32Path(path); }

  bool SameFile(const std::string& a, const std::string& b) override {
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    if (!Identify(a, first) || !Identify(b, second)) return false;
    return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
  }

 private:
  // Zero access and full sharing: only asks who the file is, even while it is held open.
  static bool Identify(const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
    ScopedHandle handle(CreateFileA(path.c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.Valid()) return false;
    return GetFileInformationByHandle(handle.Get(), &info) != 0;
  }
};

}  // namespace

FileSystem& PlatformFileSystem() {
  static Win32FileSystem files;
  return files;
}

}  // namespace dbt
