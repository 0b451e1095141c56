#include <dirent.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <memory>

#include "cli/cp1252.h"
#include "cli/folder_listing.h"

namespace dbt::cli {
namespace {

class ScopedDir {
 public:
  explicit ScopedDir(const std::string& path) : dir_(opendir(path.c_str())) {}
  ~ScopedDir() {
    if (dir_ != nullptr) closedir(dir_);
  }
  ScopedDir(const ScopedDir&) = delete;
  ScopedDir& operator=(const ScopedDir&) = delete;
  DIR* Get() const { return dir_; }

 private:
  DIR* dir_;
};

bool IsFolder(const std::string& folder, const dirent& entry) {
  if (entry.d_type == DT_DIR) return true;
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return false;
  // A link counts as what it points to, as a junction does on Windows.
  struct stat info {};
  if (stat(JoinHostPath(folder, entry.d_name).c_str(), &info) != 0) return false;
  return S_ISDIR(info.st_mode);
}

}  // namespace

bool ListFolder(const std::string& hostFolder, std::vector<FolderEntry>& entries) {
  entries.clear();
  ScopedDir dir(hostFolder);
  if (dir.Get() == nullptr) return false;
  while (const dirent* entry = readdir(dir.Get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    entries.push_back(FolderEntry{name, IsFolder(hostFolder, *entry)});
  }
  return true;
}

std::string JoinHostPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::optional<std::string> HostNameToAnsi(const std::string& name) {
  AnsiText ansi = Utf8ToCp1252(name);
  if (!ansi.ok()) return std::nullopt;
  return std::move(ansi.text);
}

bool JournalPathsAreNative() {
  return false;
}

bool HostFileExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::optional<FolderId> FolderIdentityOf(const std::string& hostFolder) {
  struct stat info {};
  if (stat(hostFolder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return std::nullopt;
  return FolderId{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<std::string> AbsoluteFolder(const std::string& hostFolder) {
  const std::unique_ptr<char, decltype(&std::free)> resolved(
      realpath(hostFolder.c_str(), nullptr), &std::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get());
}

}  // namespace dbt::cli
