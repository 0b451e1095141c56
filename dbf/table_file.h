#pragma once
// Byte access to table files, behind an interface so that tests can put a file that fails at a
// chosen write (a power cut) in the place of the platform's own.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace dbt {

enum class OpenAccess { Read, ReadWrite };

// Why an open failed; kept apart so that the command-line tool can say it to a person.
enum class FileOpenError { None, Missing, Locked, NoAccess, NotAFile, Other };

// One open file. Every read and write names its offset: there is no shared file position.
class TableFile {
 public:
  virtual ~TableFile() = default;
  virtual std::uint64_t Size() = 0;
  // Reads up to out.size() bytes at offset; returns how many were read (fewer at the file's end).
  virtual std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
  // Writes all of data at offset; false when the system wrote less or refused.
  virtual bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) = 0;
  // Makes the file exactly size bytes long.
  virtual bool Truncate(std::uint64_t size) = 0;
};

struct FileOpenResult {
  std::unique_ptr<TableFile> file;  // null when the open failed
  FileOpenError error = FileOpenError::None;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing regular file so that no other open of it, from this process or another,
  // succeeds until it is closed. Never creates a file.
  virtual FileOpenResult OpenExclusive(const std::string& path, OpenAccess access) = 0;
  // The directory lookup: true for any existing entry of that name (files, folders, hidden,
  // system and read-only entries alike).
  virtual bool Exists(const std::string& path) = 0;
  // True when both paths name the same existing file (links and other spellings included).
  virtual bool SameFile(const std::string& a, const std::string& b) = 0;
};

// The platform's own files: POSIX or Win32, chosen at build time.
FileSystem& PlatformFileSystem();

}  // namespace dbt
