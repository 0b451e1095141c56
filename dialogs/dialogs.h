#pragma once
// The file and folder choices that the main window asks of the user. The Win32 implementation
// shows the system dialogs; tests put scripted answers in their place.

#include <cstdint>
#include <string>
#include <string_view>

namespace dbt {

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // The open or save dialog, by mode letter ("O", "Ö", "L": open; "S": save) or title text.
  // Returns 1 and sets file to the chosen file's full path, or 0 and empties file.
  [[nodiscard]] virtual int FileDialog(std::string_view mode, std::string& file,
                                       const std::string& initialFolder, std::string_view filter,
                                       std::int32_t& filterIndex, std::string_view defaultExtension,
                                       std::uint32_t& flags) = 0;

  // The folder browser, starting in BrowseStartFolder(); the chosen folder (stored as the next
  // start), or empty text when cancelled.
  [[nodiscard]] virtual std::string BrowseFolder() = 0;

  std::string& BrowseStartFolder() { return browseStartFolder_; }

 private:
  std::string browseStartFolder_;
};

}  // namespace dbt
