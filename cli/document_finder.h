#pragma once
// Does the document a journal path names exist? Paths are matched as Windows matches them:
// each folder and the file name case-insensitively by the ANSI upper-casing. Each folder is
// read once and kept, so that a million records cost a million hash lookups, not a million
// folder scans.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dbt::cli {

// A Windows prefix (a drive such as E: or a share such as \\server\fax) and the host folder
// where its documents lie on this machine.
struct FolderMap {
  std::string prefix;  // code page 1252, without trailing "\"
  std::string hostFolder;
};

// "E:\=/srv/fax" (the prefix in code page 1252, the host folder as typed); an error text when
// it is no such pair.
struct [[nodiscard]] ParsedFolderMap {
  FolderMap map;
  std::string error;
};
ParsedFolderMap ParseFolderMap(std::string_view ansiPrefix, std::string_view hostFolder);

enum class [[nodiscard]] DocumentState{Present, Missing, NotChecked};

class DocumentFinder {
 public:
  explicit DocumentFinder(std::vector<FolderMap> maps);

  // Not checked: an empty or relative path, or (off Windows) one under no mapped prefix.
  DocumentState Find(std::string_view journalPath);

 private:
  struct Entry {
    std::string folderName;  // the host's name of the folder of this spelling, if any
    bool file = false;
    bool folder = false;
  };
  using Listing = std::unordered_map<std::string, Entry>;  // by UpperAnsi of the ANSI name

  struct Root {
    std::string hostFolder;
    std::size_t length = 0;  // characters of the journal path the root stands for
    bool native = false;     // the journal path itself names the file on this machine
  };
  std::optional<Root> RootOf(std::string_view path) const;
  DocumentState FindUnder(const std::string& path, const Root& root);
  const Listing* ListingOf(const std::string& hostFolder);
  const std::string* HostFolderOf(const std::string& rootFolder, std::string_view rest,
                                  const std::string& key);

  std::vector<FolderMap> maps_;
  std::vector<std::string> mapPrefixesUpper_;
  std::unordered_map<std::string, std::optional<Listing>> listings_;     // by host folder
  std::unordered_map<std::string, std::optional<std::string>> folders_;  // by journal folder
};

}  // namespace dbt::cli
