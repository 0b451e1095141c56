#include <windows.h>

#include <string>

#include "util/exe_path.h"

namespace dbt {

std::string ExeModulePath() {
  char buffer[520];
  const DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
  // A path that filled the buffer was cut: a cut path names some other file, and settings
  // written beside it would land there, so it counts as no path at all.
  if (length == 0 || length >= sizeof buffer) return {};
  return std::string(buffer, length);
}

std::string ExeFolder() {
  const std::string path = ExeModulePath();
  const std::size_t backslash = path.rfind('\\');
  if (backslash == std::string::npos) return {};
  return path.substr(0, backslash + 1);
}

}  // namespace dbt
