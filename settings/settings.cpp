#include "settings/settings.h"

#include <optional>
#include <string>

#include "settings/profile_number.h"
#include "util/text.h"

namespace dbt {
namespace {

constexpr std::string_view kLastFileSection = "LastFileOpen";
constexpr std::string_view kPdfToSffSection = "PDFtoSFF";
constexpr std::string_view kPdfToSffKey = "PDFtoSFF";
// The 520-byte buffers of the profile reads hold 519 characters and the end mark.
constexpr std::size_t kValueLength = 519;

constexpr int kDriveFixed = 3;
constexpr int kDriveCdRom = 5;

// Which key and which write-back mode a LastFileSetting mode stands for.
struct LastFileMode {
  std::string_view key;
  int writeMode = 0;
  bool read = false;
};

std::optional<LastFileMode> LastFileModeOf(int mode) {
  switch (mode) {
    case 0:
      return LastFileMode{"LastFile01", 1, true};
    case 1:
      return LastFileMode{"LastFile01", 1, false};
    case 20:
      return LastFileMode{"LastFile02", 21, true};
    case 21:
      return LastFileMode{"LastFile02", 21, false};
    default:
      return std::nullopt;
  }
}

}  // namespace

std::string Settings::ExeSiblingPath(std::string_view extension) {
  const std::string exe = host_.ExePath();
  if (exe.empty()) return {};
  if (exe.size() >= 4 && UpperAnsi(exe.substr(exe.size() - 4)) == ".EXE") {
    return exe.substr(0, exe.size() - 3) + std::string(extension);
  }
  // Without ".exe" the sibling must still be another file: the executable's own path would
  // have the settings written over the program.
  return exe + "." + std::string(extension);
}

std::string Settings::ExeFolder() {
  const std::string exe = host_.ExePath();
  const std::size_t separator = exe.find_last_of("\\/");
  if (separator == std::string::npos) return {};
  return exe.substr(0, separator + 1);
}

std::string Settings::FilePath() {
  return ExeSiblingPath("ini");
}

std::string Settings::ReadValue(std::string_view section, std::string_view key,
                                std::string_view fallback, std::size_t maxLength) {
  const std::string file = FilePath();
  std::string value =
      file.empty() ? std::string(fallback) : host_.ReadProfileString(file, section, key, fallback);
  if (value.size() > maxLength) value.resize(maxLength);
  return value;
}

bool Settings::WriteValue(std::string_view section, std::string_view key, std::string_view value) {
  const std::string file = FilePath();
  // No file name would send the profile service to a file of its own choosing.
  if (file.empty()) return false;
  return host_.WriteProfileText(file, section, key, value);
}

std::string Settings::LastFileSetting(std::string& path, int mode) {
  const auto lastFile = LastFileModeOf(mode);
  if (!lastFile) return {};

  if (!lastFile->read) {
    // The closing quote must survive the cut, or the value would read back with a stray quote.
    const std::string trimmed = TrimNulBlank(path);
    const std::string_view kept = std::string_view(trimmed).substr(0, kValueLength - 2);
    (void)WriteValue(kLastFileSection, lastFile->key, "\"" + std::string(kept) + "\"");
    return {};
  }

  path = TrimNulBlank(ReadValue(kLastFileSection, lastFile->key, "", kValueLength));
  if (path.ends_with('\\')) path.clear();

  // A tool carried on a removable or network drive finds its tables beside itself, whatever
  // drive letter that drive had when they were chosen.
  const std::string exeFolder = ExeFolder();
  const std::string root = DriveRoot(exeFolder);
  // Started from a share name (\\server\tools), the tool has no drive letter that could change:
  // taking every remembered table into its folder would lose the remembered path at each start.
  if (root.empty()) return path;
  const int type = host_.DriveType(root);
  if (type == kDriveFixed || type == kDriveCdRom) return path;
  if (DriveRoot(path) == root || path.empty()) return path;

  path = exeFolder + FileNameOf(path);
  (void)LastFileSetting(path, lastFile->writeMode);
  return path;
}

std::int32_t Settings::PdfToSffSetting(std::int32_t& value, int mode) {
  if (mode == 0) {
    value = DigitsOnlyNumber(ReadValue(kPdfToSffSection, kPdfToSffKey, "0", kValueLength));
    return value;
  }
  if (mode == 1) (void)WriteValue(kPdfToSffSection, kPdfToSffKey, std::to_string(value));
  return 0;
}

}  // namespace dbt
