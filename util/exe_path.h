#pragma once
// Where the running program lies.

#include <string>

namespace dbt {

// Full path of the running executable (GetModuleFileNameA; /proc/self/exe elsewhere).
[[nodiscard]] std::string ExeModulePath();
// Its folder with the trailing "\" (on POSIX hosts the folder ends in "/"); empty when the
// path has no separator.
[[nodiscard]] std::string ExeFolder();

}  // namespace dbt
