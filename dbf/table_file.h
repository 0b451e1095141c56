#pragma once
// Byte access to table files, behind an interface so that tests can put a file that fails at a
// chosen write, tears it or loses power in the place of the platform's own.

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace dbt {

enum class OpenAccess { Read, ReadWrite };

// Why an open failed; kept apart so that the command-line tool can say it to a person.
enum class FileOpenError { None, Missing, Locked, NoAccess, NotAFile, Other };

// Whether the room for a longer file could be set aside; a full disk is told apart so that a
// person learns why nothing was appended.
enum class [[nodiscard]] ReserveResult { Reserved, DiskFull, Failed };

enum class [[nodiscard]] ReadWholeResult { Read, Missing, Failed };

// One open file. Every read and write names its offset: there is no shared file position.
class TableFile {
 public:
  virtual ~TableFile() = default;
  [[nodiscard]] virtual std::uint64_t Size() = 0;
  // Reads up to out.size() bytes at offset; returns how many were read (fewer at the file's end).
  [[nodiscard]] virtual std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
  // Writes all of data at offset; false when the system wrote less or refused.
  [[nodiscard]] virtual bool WriteAt(std::uint64_t offset, std::span<const std::uint8_t> data) = 0;
  // Makes the file exactly size bytes long.
  [[nodiscard]] virtual bool Truncate(std::uint64_t size) = 0;
  // Returns once every byte written so far (and the file's length) is on the disk: the barrier
  // that decides what a power cut can leave behind.
  [[nodiscard]] virtual bool Sync() = 0;
  // Makes the file at least size bytes long with the room past its old end allocated, so that
  // writes there cannot fail for want of space. On failure the file may have grown; the caller
  // cuts it back.
  [[nodiscard]] virtual ReserveResult Reserve(std::uint64_t size) = 0;
};

struct [[nodiscard]] FileOpenResult {
  std::unique_ptr<TableFile> file;  // null when the open failed
  FileOpenError error = FileOpenError::None;
};

class FileLease;

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing regular file so that no other open of it, from this process or another,
  // succeeds until it is closed. Never creates a file. While a FileLease holds the path, the
  // open gives the leased file instead (one such open at a time; writes only when asked for).
  [[nodiscard]] FileOpenResult OpenExclusive(const std::string& path, OpenAccess access);
  // The directory lookup: true for any existing entry of that name (files, folders, hidden,
  // system and read-only entries alike).
  [[nodiscard]] virtual bool Exists(const std::string& path) = 0;
  // True when both paths name the same existing file (links and other spellings included).
  [[nodiscard]] virtual bool SameFile(const std::string& a, const std::string& b) = 0;

  // The small file that a change keeps beside its table. Created empty (or emptied) and open
  // for reading and writing; once this returns, the new name survives a power cut.
  [[nodiscard]] virtual std::unique_ptr<TableFile> CreateOrReplace(const std::string& path) = 0;
  [[nodiscard]] virtual ReadWholeResult ReadWhole(const std::string& path,
                                                  std::vector<std::uint8_t>& bytes) = 0;
  // True when the file is gone (or was never there); once this returns, its removal survives a
  // power cut.
  [[nodiscard]] virtual bool RemoveFile(const std::string& path) = 0;

  // One spelling of an existing file for all of its spellings (relative, with "..", through a
  // symbolic link, a short 8.3 name, another case): what names the file kept beside it. A path
  // that cannot be resolved comes back as given.
  [[nodiscard]] virtual std::string CanonicalPath(const std::string& path) { return path; }

  // The leased file of path, or null: for the barriers of the command that holds it.
  [[nodiscard]] TableFile* Leased(const std::string& path);
  // What a lease shares with the opens it lends its file to.
  struct LeaseState;

 protected:
  // The exclusive open itself, without leases.
  [[nodiscard]] virtual FileOpenResult OpenUnshared(const std::string& path, OpenAccess access) = 0;

 private:
  friend class FileLease;
  std::map<std::string, std::shared_ptr<LeaseState>> leases_;
};

// Keeps one exclusive open of a table for the length of a command, so that no other program can
// take the table between two of its steps; each step opens the path as before and is given this
// open. The file is closed when the lease ends, even if a step still holds it.
class FileLease {
 public:
  FileLease(FileSystem& files, std::string path, std::unique_ptr<TableFile> file);
  ~FileLease();
  FileLease(const FileLease&) = delete;
  FileLease& operator=(const FileLease&) = delete;

 private:
  FileSystem& files_;
  std::string path_;
};

// The platform's own files: POSIX or Win32, chosen at build time.
FileSystem& PlatformFileSystem();

}  // namespace dbt
