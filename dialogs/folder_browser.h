#pragma once
// The folder browser over the system's own (SystemFolderBrowser): it starts in the folder
// chosen last and remembers every new choice as the next start.

#include <cstddef>
#include <string>

namespace dbt {

// The longest start folder that the browser shows above its tree (its 260-byte text, NUL
// included).
inline constexpr std::size_t kBrowseCaptionLimit = 259;

struct FolderChoice {
  bool chosen = false;   // false: cancelled
  bool hasPath = false;  // false: the chosen item has no file-system path
  std::string path;
};

class SystemFolderBrowser {
 public:
  virtual ~SystemFolderBrowser() = default;

  // caption is shown above the tree; the tree opens on startFolder.
  [[nodiscard]] virtual FolderChoice BrowseForFolder(void* owner, const std::string& caption,
                                                     const std::string& startFolder) = 0;
};

// The chosen folder's full path (no trailing backslash but for a drive root), also stored in
// browseStartFolder; empty text, with browseStartFolder unchanged, when nothing was chosen.
[[nodiscard]] std::string BrowseFolder(SystemFolderBrowser& system, void* owner,
                                       std::string& browseStartFolder);

}  // namespace dbt
