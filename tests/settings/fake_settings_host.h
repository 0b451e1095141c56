#pragma once
// A SettingsHost with a chosen executable path and drive type and the profile files in memory,
// kept as INI texts through our own INI code so that the layout can be looked at.

#include <map>
#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "settings/settings.h"

namespace dbt::test {

class FakeSettingsHost : public SettingsHost {
 public:
  std::string exePath = "D:\\Tools\\Journal.exe";
  int driveType = 3;
  std::map<std::string, std::string> files;  // path -> INI text
  std::vector<std::string> driveTypeQueries;
  int writes = 0;

  std::string ExePath() override { return exePath; }
  int DriveType(const std::string& root) override {
    driveTypeQueries.push_back(root);
    return driveType;
  }
  bool Exists(const std::string& path) override { return files.count(path) != 0; }
  std::string ReadProfileString(const std::string& file, std::string_view section,
                                std::string_view key, std::string_view fallback) override {
    const auto it = files.find(file);
    return IniReadString(it == files.end() ? "" : it->second, section, key, fallback);
  }
  bool WriteProfileText(const std::string& file, std::string_view section, std::string_view key,
                        std::string_view value) override {
    ++writes;
    auto updated = IniWriteString(files[file], section, key, value);
    if (!updated) return false;
    files[file] = *updated;
    return true;
  }
};

}  // namespace dbt::test
