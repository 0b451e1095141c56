#include <windows.h>

#include <ole2.h>

#include "dialogs/file_dialog.h"
#include "dialogs/folder_browser.h"
#include "dialogs/win32/win32_dialogs.h"

namespace dbt {

// S_FALSE (already initialised on this thread) also needs its OleUninitialize; a failure
// (COM already there in the other apartment mode) leaves nothing to undo.
Win32Dialogs::Win32Dialogs(HWND owner)
    : owner_(owner), oleInitialized_(SUCCEEDED(OleInitialize(nullptr))) {}

Win32Dialogs::~Win32Dialogs() {
  if (oleInitialized_) OleUninitialize();
}

int Win32Dialogs::FileDialog(std::string_view mode, std::string& file,
                             const std::string& initialFolder, std::string_view filter,
                             std::int32_t& filterIndex, std::string_view defaultExtension,
                             std::uint32_t& flags) {
  // The window's actions take a choice as 1 and a cancel as 0.
  return dbt::FileDialog(fileDialogs_, owner_, mode, file, initialFolder, filter, filterIndex,
                         defaultExtension, flags)
             ? 1
             : 0;
}

std::string Win32Dialogs::BrowseFolder() {
  return dbt::BrowseFolder(folderBrowser_, owner_, BrowseStartFolder());
}

}  // namespace dbt
