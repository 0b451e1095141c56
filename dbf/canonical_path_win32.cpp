#include <windows.h>

#include <string>

#include "dbf/canonical_path_win32.h"
#include "util/win32/scoped_handles.h"

namespace dbt {
namespace {

// Absolute, "." and ".." resolved against the current folder.
std::string FullPath(const std::string& path) {
  const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return {};
  std::string full(needed, '\0');
  const DWORD length = GetFullPathNameA(path.c_str(), needed, full.data(), nullptr);
  if (length == 0 || length >= needed) return {};
  full.resize(length);
  return full;
}

// Every short 8.3 name replaced by its long one.
std::string LongPath(const std::string& path) {
  const DWORD needed = GetLongPathNameA(path.c_str(), nullptr, 0);
  if (needed == 0) return {};
  std::string full(needed, '\0');
  const DWORD length = GetLongPathNameA(path.c_str(), full.data(), needed);
  if (length == 0 || length >= needed) return {};
  full.resize(length);
  return full;
}

// Where the names below the drive or the share begin: "C:\" or "\\server\share\".
std::size_t RootLength(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') return 3;
  if (path.rfind("\\\\", 0) != 0) return std::string::npos;
  const std::size_t server = path.find('\\', 2);
  if (server == std::string::npos) return std::string::npos;
  const std::size_t share = path.find('\\', server + 1);
  return share == std::string::npos ? std::string::npos : share + 1;
}

// Each name as its folder stores it, so that another case of a name gives the same path; the
// root in capitals, as the system compares it.
std::string StoredCase(const std::string& path) {
  const std::size_t root = RootLength(path);
  if (root == std::string::npos) return path;
  std::string result = path.substr(0, root);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  for (std::size_t at = root; at < path.size();) {
    const std::size_t end = path.find('\\', at);
    const std::string name = path.substr(at, end == std::string::npos ? end : end - at);
    WIN32_FIND_DATAA found{};
    const ScopedFindHandle search(FindFirstFileA((result + name).c_str(), &found));
    if (!search.Valid()) return path;
    result += found.cFileName;
    if (end == std::string::npos) break;
    result += '\\';
    at = end + 1;
  }
  return result;
}

}  // namespace

std::string CanonicalWin32Path(const std::string& path) {
  const std::string full = FullPath(path);
  if (full.empty()) return path;
  const std::string longPath = LongPath(full);
  if (longPath.empty()) return full;
  return StoredCase(longPath);
}

}  // namespace dbt
