#pragma once
// The host's side of looking up documents: reading a folder, joining its names, and the ANSI
// form of a name, so that names can be compared with the paths of the journal.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dbt::cli {

struct FolderEntry {
  std::string name;  // as the host names it
  bool folder = false;
};

// Every entry of the folder but "." and ".."; false when it cannot be read.
[[nodiscard]] bool ListFolder(const std::string& hostFolder, std::vector<FolderEntry>& entries);

[[nodiscard]] std::string JoinHostPath(const std::string& folder, const std::string& name);

// The name as the journal would spell it (code page 1252 on POSIX hosts, the ANSI code page
// as it stands on Windows); nothing when it has no such form.
[[nodiscard]] std::optional<std::string> HostNameToAnsi(const std::string& name);

// True on Windows, where a journal path names a file of this machine as it stands.
[[nodiscard]] bool JournalPathsAreNative();

// A file (not a folder) of that path exists, asked of the system directly: on Windows the
// last word for a native path whose spelling no listing shows (a short 8.3 name, say).
[[nodiscard]] bool HostFileExists(const std::string& path);

// What tells two names of one folder apart from two folders: a link that leads back up a tree
// gives the identity of a folder already seen.
struct FolderId {
  std::uint64_t device = 0;
  std::uint64_t node = 0;
  bool operator==(const FolderId&) const = default;
};
[[nodiscard]] std::optional<FolderId> FolderIdentityOf(const std::string& hostFolder);

// The folder as an absolute path of this machine (links resolved on POSIX hosts), or nothing
// when it does not exist.
[[nodiscard]] std::optional<std::string> AbsoluteFolder(const std::string& hostFolder);

}  // namespace dbt::cli
