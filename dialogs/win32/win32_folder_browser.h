#pragma once
// The system's folder browser (shell32). The shell needs COM on the calling thread:
// Win32Dialogs initialises OLE for its lifetime.

#include <windows.h>

#include "dialogs/folder_browser.h"

namespace dbt {

class Win32FolderBrowser final : public SystemFolderBrowser {
 public:
  FolderChoice BrowseForFolder(void* owner, const std::string& caption,
                               const std::string& startFolder) override;
};

}  // namespace dbt
