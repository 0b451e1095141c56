#include <windows.h>

#include <string>

#include "settings/settings.h"
#include "util/exe_path.h"
#include "util/win32/scoped_handles.h"

namespace dbt {
namespace {

class Win32SettingsHost final : public SettingsHost {
 public:
  std::string ExePath() override { return ExeModulePath(); }

  int DriveType(const std::string& root) override {
    // An executable without a drive letter (started from a share) has no root to ask about;
    // it counts like an unknown root, not like the current directory's drive.
    if (root.empty()) return DRIVE_NO_ROOT_DIR;
    return static_cast<int>(GetDriveTypeA(root.c_str()));
  }

  bool Exists(const std::string& path) override {
    WIN32_FIND_DATAA data;
    const ScopedFindHandle find(FindFirstFileA(path.c_str(), &data));
    return find.Valid();
  }

  std::string ReadProfileString(const std::string& file, std::string_view section,
                                std::string_view key, std::string_view fallback) override {
    char buffer[520];
    const std::string sectionText(section), keyText(key), fallbackText(fallback);
    const DWORD length =
        GetPrivateProfileStringA(sectionText.c_str(), keyText.c_str(), fallbackText.c_str(), buffer,
                                 sizeof buffer, file.c_str());
    return std::string(buffer, length);
  }

  bool WriteProfileText(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value) override {
    const std::string sectionText(section), keyText(key), valueText(value);
    return WritePrivateProfileStringA(sectionText.c_str(), keyText.c_str(), valueText.c_str(),
                                      file.c_str()) != FALSE;
  }
};

}  // namespace

SettingsHost& PlatformSettingsHost() {
  static Win32SettingsHost host;
  return host;
}

}  // namespace dbt
