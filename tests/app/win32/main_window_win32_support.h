#pragma once
// What the tests of the real window share: scripted answers in place of the system dialogs,
// clicks and texts by control number, and a settings file of their own for every test.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/dialogs.h"
#include "settings/settings.h"
#include "tests/support/dbf_builder.h"

namespace dbt::test {

class ScriptedDialogs : public Dialogs {
 public:
  std::string file;    // the open dialog's answer; empty: cancelled
  std::string folder;  // the folder browser's answer; empty: cancelled
  int FileDialog(std::string_view, std::string& chosen, const std::string&, std::string_view,
                 std::int32_t&, std::string_view, std::uint32_t&) override {
    chosen = file;
    return file.empty() ? 0 : 1;
  }
  std::string BrowseFolder() override { return folder; }
};

std::string Text(HWND window, int control);
// The command notification a click sends, delivered at once.
void Click(HWND window, int control);
// A real click on a check box: it toggles the box, which then notifies its window.
void ClickCheckBox(HWND window, int control);
bool IsChecked(HWND window, int control);
bool IsEnabled(HWND window, int control);
void PumpMessages();

// The test executable's settings file (the executable's sibling .ini) is shared by every test
// in it: this takes it away for the lifetime of the object and then puts it back as it was.
class SettingsFileStash {
 public:
  explicit SettingsFileStash(Settings& settings);
  ~SettingsFileStash();
  SettingsFileStash(const SettingsFileStash&) = delete;
  SettingsFileStash& operator=(const SettingsFileStash&) = delete;

  const std::string& Path() const { return path_; }
  // A key's value as the file on disk holds it; nullopt when the key is not there.
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

 private:
  std::string path_;
  std::optional<std::vector<std::uint8_t>> saved_;
};

// A file's bytes as text, so that a difference shows readably.
std::string FileBytes(const std::string& path);

// The bytes the window must have left: `expected` with the date of last update that a command
// writing the table stamps, the day of `start` or, should midnight have passed since, today.
std::string WrittenBytes(DbfBuilder expected, const std::string& actual, const SYSTEMTIME& start);

}  // namespace dbt::test
