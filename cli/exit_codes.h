#pragma once
// The exit codes that scripts test.

namespace dbt::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;  // nothing was written
inline constexpr int kExitUsage = 2;
inline constexpr int kExitTooLong = 3;  // some records kept their path: the new one did not fit

}  // namespace dbt::cli
