#pragma once
// The one spelling of an existing file's path on Windows: full, long names, stored case.

#include <string>

namespace dbt {

[[nodiscard]] std::string CanonicalWin32Path(const std::string& path);

}  // namespace dbt
