#pragma once
// The exit codes that scripts test.

namespace dbt::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;  // nothing was written
inline constexpr int kExitUsage = 2;
inline constexpr int kExitTooLong = 3;  // some records kept their path: the new one did not fit
inline constexpr int kExitMissing = 4;  // some documents named by the journal do not exist

}  // namespace dbt::cli
