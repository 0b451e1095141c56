#include <windows.h>

#include "cli/folder_listing.h"
#include "util/win32/scoped_handles.h"

namespace dbt::cli {

// FindFirstFileA and the ANSI names it gives exist on Windows 2000 and are what the fax
// application itself uses.
bool ListFolder(const std::string& hostFolder, std::vector<FolderEntry>& entries) {
  entries.clear();
  const std::string pattern = JoinHostPath(hostFolder, "*");
  WIN32_FIND_DATAA data{};
  const HANDLE found = FindFirstFileA(pattern.c_str(), &data);
  if (found == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  const ScopedFindHandle search(found);
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    entries.push_back(FolderEntry{name, (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileA(found, &data));
  return true;
}

std::string JoinHostPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + name;
  return folder + "\\" + name;
}

std::optional<std::string> HostNameToAnsi(const std::string& name) {
  return name;
}

bool JournalPathsAreNative() {
  return true;
}

// GetFileAttributesA exists on Windows 2000.
bool HostFileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// A folder opens as a handle only with FILE_FLAG_BACKUP_SEMANTICS; CreateFileA and
// GetFileInformationByHandle exist on Windows 2000, and the volume's serial number with the file
// index names one folder whatever junction led to it.
std::optional<FolderId> FolderIdentityOf(const std::string& hostFolder) {
  const ScopedHandle folder(CreateFileA(hostFolder.c_str(), 0,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                        nullptr));
  if (!folder.Valid()) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(folder.Get(), &info)) return std::nullopt;
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::nullopt;
  return FolderId{info.dwVolumeSerialNumber,
                  (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

// GetFullPathNameA exists on Windows 2000.
std::optional<std::string> AbsoluteFolder(const std::string& hostFolder) {
  const DWORD needed = GetFullPathNameA(hostFolder.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::nullopt;
  std::string full(needed, '\0');
  const DWORD length = GetFullPathNameA(hostFolder.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return std::nullopt;
  full.resize(length);
  const DWORD attributes = GetFileAttributesA(full.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return std::nullopt;
  }
  return full;
}

}  // namespace dbt::cli
