#include "cli/document_finder.h"

#include "cli/folder_listing.h"
#include "journal/path_prefix.h"
#include "util/text.h"

namespace dbt::cli {
namespace {

bool IsDrive(std::string_view prefix) {
  const std::string upper = UpperAnsi(prefix.substr(0, 1));
  return prefix.size() >= 2 && upper[0] >= 'A' && upper[0] <= 'Z' && prefix[1] == ':';
}

// \\server\share: two names after the two backslashes.
std::size_t ShareLength(std::string_view path) {
  if (path.size() < 3 || path[0] != '\\' || path[1] != '\\' || path[2] == '\\') return 0;
  const std::size_t serverEnd = path.find('\\', 2);
  if (serverEnd == std::string_view::npos || serverEnd + 1 >= path.size()) return 0;
  const std::size_t shareEnd = path.find('\\', serverEnd + 1);
  return shareEnd == std::string_view::npos ? path.size() : shareEnd;
}

// The folder names of a relative rest (".\" and empty names skipped, ".." going up), as
// Windows resolves them before it looks anything up.
std::vector<std::string_view> FolderNames(std::string_view rest) {
  std::vector<std::string_view> names;
  std::size_t start = 0;
  while (start <= rest.size()) {
    std::size_t end = rest.find('\\', start);
    if (end == std::string_view::npos) end = rest.size();
    const std::string_view name = rest.substr(start, end - start);
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.push_back(name);
    }
    start = end + 1;
  }
  return names;
}

}  // namespace

ParsedFolderMap ParseFolderMap(std::string_view ansiPrefix, std::string_view hostFolder) {
  ParsedFolderMap parsed;
  std::string prefix = TrimNulBlank(ansiPrefix);
  EnsureTrailingBackslash(prefix);
  if (!prefix.empty()) prefix.pop_back();
  if (!IsDrive(prefix) && ShareLength(prefix) == 0) {
    parsed.error = "needs a drive such as E: or a share such as \\\\server\\fax before \"=\"";
    return parsed;
  }
  if (hostFolder.empty()) {
    parsed.error = "needs a folder of this machine after \"=\"";
    return parsed;
  }
  parsed.map = FolderMap{prefix, std::string(hostFolder)};
  return parsed;
}

DocumentFinder::DocumentFinder(std::vector<FolderMap> maps) : maps_(std::move(maps)) {
  for (const FolderMap& map : maps_) mapPrefixesUpper_.push_back(UpperAnsi(map.prefix));
}

std::optional<DocumentFinder::Root> DocumentFinder::RootOf(std::string_view path) const {
  std::optional<Root> best;
  for (std::size_t k = 0; k < maps_.size(); ++k) {
    const std::string& prefix = mapPrefixesUpper_[k];
    if (!StartsWithFolder(path, prefix)) continue;
    if (!best || prefix.size() > best->length) best = Root{maps_[k].hostFolder, prefix.size()};
  }
  if (best || !JournalPathsAreNative()) return best;
  if (path.size() >= 3 && IsDrive(path) && path[2] == '\\') {
    return Root{std::string(path.substr(0, 3)), 2, true};
  }
  if (const std::size_t share = ShareLength(path); share > 0) {
    return Root{std::string(path.substr(0, share)) + "\\", share, true};
  }
  return std::nullopt;
}

const DocumentFinder::Listing* DocumentFinder::ListingOf(const std::string& hostFolder) {
  auto [it, added] = listings_.try_emplace(hostFolder);
  if (added) {
    std::vector<FolderEntry> entries;
    if (ListFolder(hostFolder, entries)) {
      Listing listing;
      for (const FolderEntry& e : entries) {
        const std::optional<std::string> ansi = HostNameToAnsi(e.name);
        if (!ansi) continue;  // no journal path can spell it
        Entry& entry = listing[UpperAnsi(*ansi)];
        if (e.folder && !entry.folder) entry.folderName = e.name;
        (e.folder ? entry.folder : entry.file) = true;
      }
      it->second = std::move(listing);
    }
  }
  return it->second ? &*it->second : nullptr;
}

const std::string* DocumentFinder::HostFolderOf(const std::string& rootFolder,
                                                std::string_view rest, const std::string& key) {
  auto [it, added] = folders_.try_emplace(key);
  if (added) {
    std::string folder = rootFolder;
    bool found = true;
    for (const std::string_view name : FolderNames(rest)) {
      const Listing* listing = ListingOf(folder);
      const auto entry = listing ? listing->find(UpperAnsi(name)) : Listing::const_iterator{};
      if (!listing || entry == listing->end() || !entry->second.folder) {
        found = false;
        break;
      }
      folder = JoinHostPath(folder, entry->second.folderName);
    }
    if (found) it->second = std::move(folder);
  }
  return it->second ? &*it->second : nullptr;
}

DocumentState DocumentFinder::Find(std::string_view journalPath) {
  const std::string path = TrimTrailingNulBlank(journalPath);
  const std::optional<Root> root = RootOf(path);
  if (!root) return DocumentState::NotChecked;
  const DocumentState state = FindUnder(path, *root);
  // Windows knows spellings that no listing shows (short names, trailing dots); a path that
  // stands as it is gets the system's own answer before it is called missing.
  if (state == DocumentState::Missing && root->native && HostFileExists(path)) {
    return DocumentState::Present;
  }
  return state;
}

DocumentState DocumentFinder::FindUnder(const std::string& path, const Root& root) {
  const std::string_view rest = std::string_view(path).substr(root.length);
  const std::size_t lastSlash = rest.rfind('\\');
  const std::string_view folderRest =
      lastSlash == std::string_view::npos ? std::string_view() : rest.substr(0, lastSlash);
  const std::string_view fileName =
      lastSlash == std::string_view::npos ? rest : rest.substr(lastSlash + 1);
  if (fileName.empty() || fileName == "." || fileName == "..") return DocumentState::Missing;
  // One key per journal folder: the root it was found under and the folder's spelling.
  const std::string key = root.hostFolder + '\n' + UpperAnsi(folderRest);
  const std::string* hostFolder = HostFolderOf(root.hostFolder, folderRest, key);
  if (hostFolder == nullptr) return DocumentState::Missing;
  const Listing* listing = ListingOf(*hostFolder);
  if (listing == nullptr) return DocumentState::Missing;
  const auto entry = listing->find(UpperAnsi(fileName));
  return entry != listing->end() && entry->second.file ? DocumentState::Present
                                                       : DocumentState::Missing;
}

}  // namespace dbt::cli
