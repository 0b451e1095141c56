#include "dialogs/folder_browser.h"

namespace dbt {

std::string BrowseFolder(SystemFolderBrowser& system, void* owner, std::string& browseStartFolder) {
  const std::string caption = browseStartFolder.substr(0, kBrowseCaptionLimit);
  const FolderChoice choice = system.BrowseForFolder(owner, caption, browseStartFolder);
  if (!choice.chosen || !choice.hasPath) return std::string();
  browseStartFolder = choice.path;
  return choice.path;
}

}  // namespace dbt
