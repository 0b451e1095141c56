#include <sys/stat.h>

#include "settings/ini_file.h"
#include "settings/settings.h"
#include "util/exe_path.h"

namespace dbt {
namespace {

// POSIX has no drive letters and no drive types: every executable counts as on a fixed disk,
// so stored table paths come back as they were stored.
constexpr int kDriveFixed = 3;

class PosixSettingsHost final : public SettingsHost {
 public:
  std::string ExePath() override { return ExeModulePath(); }
  int DriveType(const std::string&) override { return kDriveFixed; }
  bool Exists(const std::string& path) override {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
  }
  std::string ReadProfileString(const std::string& file, std::string_view section,
                                std::string_view key, std::string_view fallback) override {
    return ReadIniFileString(file, section, key, fallback);
  }
  bool WriteProfileText(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value) override {
    return WriteIniFileString(file, section, key, value);
  }
};

}  // namespace

SettingsHost& PlatformSettingsHost() {
  static PosixSettingsHost host;
  return host;
}

}  // namespace dbt
