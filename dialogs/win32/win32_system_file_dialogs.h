#pragma once
// The system's open and save dialogs (comdlg32), with OPENCOMMDLG_PROC as their hook.

#include <windows.h>

#include "dialogs/system_file_dialogs.h"

namespace dbt {

class Win32SystemFileDialogs final : public SystemFileDialogs {
 public:
  int OpenFileDialog(FileDialogRequest& request) override;
  int SaveFileDialog(FileDialogRequest& request) override;
  std::string CurrentDirectory() override;
};

}  // namespace dbt
