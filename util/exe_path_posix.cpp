#include <unistd.h>

#include <string>
#include <vector>

#include "util/exe_path.h"

namespace dbt {

std::string ExeModulePath() {
  // readlink does not say whether it truncated, so grow until the link fits with room to spare.
  std::vector<char> buffer(512);
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<std::size_t>(length) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    }
    if (buffer.size() >= 65536) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::string ExeFolder() {
  const std::string path = ExeModulePath();
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return path.substr(0, slash + 1);
}

}  // namespace dbt
