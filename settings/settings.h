#pragma once
// The settings file beside the executable: window placement, the two tables chosen last and
// the rename option. Every access reads or writes one key in the file; nothing is cached.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dbt {

// What the settings need of the platform. Tests put their own in its place.
class SettingsHost {
 public:
  virtual ~SettingsHost() = default;
  [[nodiscard]] virtual std::string ExePath() = 0;  // full path of the running executable
  // GetDriveTypeA of a root such as "D:\" (3 = fixed disk); POSIX hosts answer 3 for all.
  [[nodiscard]] virtual int DriveType(const std::string& root) = 0;
  [[nodiscard]] virtual bool Exists(
      const std::string& path) = 0;  // any file or folder of that name
  // GetPrivateProfileStringA / WritePrivateProfileStringA, or our own INI file on POSIX.
  [[nodiscard]] virtual std::string ReadProfileString(const std::string& file,
                                                      std::string_view section,
                                                      std::string_view key,
                                                      std::string_view fallback) = 0;
  [[nodiscard]] virtual bool WriteProfileText(const std::string& file, std::string_view section,
                                              std::string_view key, std::string_view value) = 0;
};

SettingsHost& PlatformSettingsHost();

class Settings {
 public:
  explicit Settings(SettingsHost& host = PlatformSettingsHost()) : host_(host) {}

  SettingsHost& Host() { return host_; }

  // The executable's path with its ".exe" (any case) replaced by "." + extension.
  [[nodiscard]] std::string ExeSiblingPath(std::string_view extension);
  [[nodiscard]] std::string ExeFolder();  // with its trailing separator

  // The settings file, ExeSiblingPath("ini"); empty when the executable's path is unknown.
  [[nodiscard]] std::string FilePath();
  // One key of the settings file, cut to maxLength characters as a fixed buffer would; the
  // fallback when the key or the file is missing. A write reports whether it succeeded.
  [[nodiscard]] std::string ReadValue(std::string_view section, std::string_view key,
                                      std::string_view fallback, std::size_t maxLength);
  [[nodiscard]] bool WriteValue(std::string_view section, std::string_view key,
                                std::string_view value);

  // Mode 0 / 20: read LastFile01 / LastFile02 with the drive relocation rule into path and
  // return it. Mode 1 / 21: write path. Other modes: nothing. Writing returns empty text.
  std::string LastFileSetting(std::string& path, int mode);
  // Mode 0: read PDFtoSFF into value and return it. Mode 1: write value, return 0.
  std::int32_t PdfToSffSetting(std::int32_t& value, int mode);

 private:
  SettingsHost& host_;
};

}  // namespace dbt
