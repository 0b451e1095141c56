#include "cli/document_index.h"

#include <algorithm>
#include <optional>

#include "cli/cp1252.h"
#include "cli/folder_listing.h"
#include "util/text.h"

namespace dbt::cli {
namespace {

bool IsNativeJournalFolder(std::string_view path) {
  const bool drive = path.size() >= 2 && path[1] == ':' &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  const bool share = path.size() > 2 && path[0] == '\\' && path[1] == '\\' && path[2] != '?';
  return drive || share;
}

// The journal's spelling of a folder and a name in it; empty stays empty (cannot be named).
std::string JoinJournalPath(const std::string& folder, const std::optional<std::string>& name) {
  if (folder.empty() || !name) return {};
  if (folder.back() == '\\') return folder + *name;
  return folder + "\\" + *name;
}

// rest of an absolute POSIX path after a mapped folder ("/2024/Büro"), as the journal spells it
// ("\2024\B\xFCro"); nothing when a name has no code page 1252 form.
std::optional<std::string> JournalRest(std::string_view rest) {
  AnsiText ansi = Utf8ToCp1252(rest);
  if (!ansi.ok()) return std::nullopt;
  std::replace(ansi.text.begin(), ansi.text.end(), '/', '\\');
  return std::move(ansi.text);
}

}  // namespace

DocumentIndex::DocumentIndex(const std::vector<FolderMap>& maps) {
  for (const FolderMap& map : maps) {
    if (const std::optional<std::string> host = AbsoluteFolder(map.hostFolder)) {
      maps_.push_back(MappedFolder{map.prefix, *host});
    }
  }
}

std::string DocumentIndex::JournalFolderOf(const std::string& absoluteFolder) const {
  if (JournalPathsAreNative()) {
    return IsNativeJournalFolder(absoluteFolder) ? absoluteFolder : std::string();
  }
  const MappedFolder* best = nullptr;
  std::size_t bestLength = 0;
  for (const MappedFolder& map : maps_) {
    // realpath gives no trailing "/" but to the root itself, which holds every folder.
    const std::string& host = map.absoluteHost;
    const std::size_t length = host == "/" ? 0 : host.size();
    const bool inside = absoluteFolder.compare(0, length, host, 0, length) == 0 &&
                        (absoluteFolder.size() == length || absoluteFolder[length] == '/');
    if (inside && (best == nullptr || length > bestLength)) {
      best = &map;
      bestLength = length;
    }
  }
  if (best == nullptr) return {};
  const std::string_view rest = std::string_view(absoluteFolder).substr(bestLength);
  const std::optional<std::string> journalRest = JournalRest(rest);
  return journalRest ? best->prefix + *journalRest : std::string();
}

TreeWalk DocumentIndex::AddTree(const std::string& hostFolder, const Progress& progress) {
  TreeWalk walk;
  const std::optional<std::string> root = AbsoluteFolder(hostFolder);
  if (!root || !FolderIdentityOf(*root)) {
    walk.error = "no such folder";
    return walk;
  }
  // Breadth first, so that the progress can say how many folders are known so far.
  std::vector<std::pair<std::string, std::string>> pending{{*root, JournalFolderOf(*root)}};
  std::vector<FolderEntry> entries;
  for (std::size_t done = 0; done < pending.size(); ++done) {
    const auto [host, journal] = pending[done];
    const std::optional<FolderId> id = FolderIdentityOf(host);
    if (id && !seen_.emplace(id->device, id->node).second) continue;
    if (!id || !ListFolder(host, entries)) {
      if (done == 0) {
        walk.error = "the folder cannot be read";
        return walk;
      }
      walk.unreadable.push_back(host);
      continue;
    }
    AddEntries(host, journal, entries, pending);
    if (progress) progress(static_cast<std::int64_t>(done + 1), static_cast<std::int64_t>(pending.size()));
  }
  return walk;
}

void DocumentIndex::AddEntries(const std::string& hostFolder, const std::string& journalFolder,
                               std::vector<FolderEntry>& entries,
                               std::vector<std::pair<std::string, std::string>>& pending) {
  // The listing's order is the file system's; sorted, candidates come out the same every run.
  std::sort(entries.begin(), entries.end(),
            [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
  for (const FolderEntry& entry : entries) {
    const std::optional<std::string> ansi = HostNameToAnsi(entry.name);
    std::string hostPath = JoinHostPath(hostFolder, entry.name);
    std::string journalPath = JoinJournalPath(journalFolder, ansi);
    if (entry.folder) {
      pending.emplace_back(std::move(hostPath), std::move(journalPath));
      continue;
    }
    if (!ansi) continue;  // no journal can name it
    byName_[UpperAnsi(*ansi)].push_back(documents_.size());
    documents_.push_back(FoundDocument{std::move(hostPath), std::move(journalPath)});
  }
}

std::vector<const FoundDocument*> DocumentIndex::Named(std::string_view fileName,
                                                       bool sff) const {
  std::vector<const FoundDocument*> found;
  const auto add = [&](const std::string& key) {
    const auto it = byName_.find(key);
    if (it == byName_.end()) return;
    for (const std::size_t k : it->second) found.push_back(&documents_[k]);
  };
  const std::string key = UpperAnsi(fileName);
  add(key);
  if (sff) {
    const std::string renamed = UpperAnsi(ReplaceExtension(fileName, "sff"));
    if (renamed != key) add(renamed);
  }
  return found;
}

}  // namespace dbt::cli
