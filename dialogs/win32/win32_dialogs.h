#pragma once
// The file and folder choices of the main window, shown as the system's own dialogs.
// Construct it on the user-interface thread: it initialises OLE there for its lifetime, as the
// shell's folder browser needs.

#include <windows.h>

#include "dialogs/dialogs.h"
#include "dialogs/win32/win32_folder_browser.h"
#include "dialogs/win32/win32_system_file_dialogs.h"

namespace dbt {

class Win32Dialogs final : public Dialogs {
 public:
  explicit Win32Dialogs(HWND owner);
  ~Win32Dialogs() override;
  Win32Dialogs(const Win32Dialogs&) = delete;
  Win32Dialogs& operator=(const Win32Dialogs&) = delete;

  // For a caller that makes its dialogs before its window exists.
  void SetOwner(HWND owner) { owner_ = owner; }

  int FileDialog(std::string_view mode, std::string& file, const std::string& initialFolder,
                 std::string_view filter, std::int32_t& filterIndex,
                 std::string_view defaultExtension, std::uint32_t& flags) override;
  std::string BrowseFolder() override;

 private:
  HWND owner_;
  bool oleInitialized_;
  Win32SystemFileDialogs fileDialogs_;
  Win32FolderBrowser folderBrowser_;
};

}  // namespace dbt
