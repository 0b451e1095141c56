#pragma once
// What the file dialogs need of the platform: the system's own open and save dialogs, and the
// process's current directory. The Win32 build shows the real dialogs; tests answer themselves.

#include <cstdint>
#include <string>

namespace dbt {

// One request to the system dialog, already in the system's form (NUL-separated filter list,
// blank-padded file buffer). The dialog writes its answer back into buffer, filterIndex, flags.
struct FileDialogRequest {
  void* owner = nullptr;  // the owning window's handle
  std::string title;      // empty: the system's own title
  std::string buffer;     // its full size is the room the dialog has for the choice
  std::string initialFolder;
  std::string filterList;
  std::int32_t filterIndex = 1;
  std::string defaultExtension;  // empty: none
  std::uint32_t flags = 0;
};

class SystemFileDialogs {
 public:
  virtual ~SystemFileDialogs() = default;

  // The system dialog's own result: nonzero when the user chose a file.
  [[nodiscard]] virtual int OpenFileDialog(FileDialogRequest& request) = 0;
  [[nodiscard]] virtual int SaveFileDialog(FileDialogRequest& request) = 0;

  [[nodiscard]] virtual std::string CurrentDirectory() = 0;
};

}  // namespace dbt
