#pragma once
// The documents of whole folder trees by name, to find where the missing documents of a journal
// went: each tree is walked once and every name kept in a hash map, compared as Windows compares
// names (by the ANSI upper-casing), since a name may lie in several folders.

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "cli/document_finder.h"
#include "cli/folder_listing.h"
#include "journal/journal_result.h"

namespace dbt::cli {

struct FoundDocument {
  std::string hostPath;     // as this machine names it
  std::string journalPath;  // as the fax application names it (code page 1252); empty: it cannot
};

struct [[nodiscard]] TreeWalk {
  std::string error;                    // the tree's own folder could not be read
  std::vector<std::string> unreadable;  // folders inside it that could not be read
  bool ok() const { return error.empty(); }
};

class DocumentIndex {
 public:
  // maps: where the drives and shares of the fax application lie here; a document under none
  // of them has no journal path (off Windows).
  explicit DocumentIndex(const std::vector<FolderMap>& maps);

  // Every document below hostFolder. A folder reached a second time (through a link back up,
  // or inside a tree walked before) is not read again. progress: (folders read, folders known).
  TreeWalk AddTree(const std::string& hostFolder, const Progress& progress = {});

  // The documents of that file name; with sff also those of the name with the extension sff.
  [[nodiscard]] std::vector<const FoundDocument*> Named(std::string_view fileName,
                                                        bool sff) const;

 private:
  struct MappedFolder {
    std::string prefix;        // the journal's drive or share
    std::string absoluteHost;  // where it lies here
  };
  std::string JournalFolderOf(const std::string& absoluteFolder) const;
  void AddEntries(const std::string& hostFolder, const std::string& journalFolder,
                  std::vector<FolderEntry>& entries,
                  std::vector<std::pair<std::string, std::string>>& pending);

  std::vector<MappedFolder> maps_;
  std::set<std::pair<std::uint64_t, std::uint64_t>> seen_;  // folder identities
  std::vector<FoundDocument> documents_;
  std::unordered_map<std::string, std::vector<std::size_t>> byName_;  // by UpperAnsi of the name
};

}  // namespace dbt::cli
