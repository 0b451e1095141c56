#include <windows.h>

#include "tests/app/win32/main_window_win32_support.h"

#include "settings/ini_file.h"
#include "tests/support/temp_dir.h"

namespace dbt::test {
namespace {

// The profile services keep a copy of the file they read last; a file removed or put back
// behind their back would otherwise still read as the copy.
void ForgetCachedProfile(const std::string& path) {
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string AsText(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

DbfBuilder& DatedOn(DbfBuilder& table, const SYSTEMTIME& day) {
  return table.Date(day.wYear, day.wMonth, day.wDay);
}

}  // namespace

std::string Text(HWND window, int control) {
  char text[1024] = {};
  GetDlgItemTextA(window, control, text, sizeof text);
  return text;
}

void Click(HWND window, int control) {
  SendMessageA(window, WM_COMMAND, MAKEWPARAM(control, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, control)));
}

void ClickCheckBox(HWND window, int control) {
  SendMessageA(GetDlgItem(window, control), BM_CLICK, 0, 0);
}

bool IsChecked(HWND window, int control) {
  return IsDlgButtonChecked(window, control) == BST_CHECKED;
}

bool IsEnabled(HWND window, int control) {
  return IsWindowEnabled(GetDlgItem(window, control)) != FALSE;
}

void PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

SettingsFileStash::SettingsFileStash(Settings& settings) : path_(settings.FilePath()) {
  ForgetCachedProfile(path_);
  if (!FileExists(path_)) return;
  saved_ = ReadFileBytes(path_);
  DeleteFileA(path_.c_str());
}

SettingsFileStash::~SettingsFileStash() {
  ForgetCachedProfile(path_);
  DeleteFileA(path_.c_str());
  if (saved_) WriteFileBytes(path_, *saved_);
  ForgetCachedProfile(path_);
}

std::optional<std::string> SettingsFileStash::Value(std::string_view section,
                                                    std::string_view key) const {
  // Our own reader on the file's bytes, not the profile services the window writes through.
  constexpr std::string_view kMissing = "\x01missing";
  std::string value = ReadIniFileString(path_, section, key, kMissing);
  if (value == kMissing) return std::nullopt;
  return value;
}

std::string FileBytes(const std::string& path) {
  return AsText(ReadFileBytes(path));
}

std::string WrittenBytes(DbfBuilder expected, const std::string& actual, const SYSTEMTIME& start) {
  const std::string onStartDay = AsText(DatedOn(expected, start).Bytes());
  if (actual.compare(0, 4, onStartDay, 0, 4) == 0) return onStartDay;
  SYSTEMTIME today{};
  GetLocalTime(&today);
  return AsText(DatedOn(expected, today).Bytes());
}

}  // namespace dbt::test
