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

}  // namespace dbt::cli
