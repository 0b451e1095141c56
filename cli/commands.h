#pragma once
// One function per command; each returns the exit code.

#include "cli/arguments.h"
#include "dbf/engine.h"

namespace dbt::cli {

[[nodiscard]] int RunInfo(const Options& options, TableEngine& engine);
[[nodiscard]] int RunShow(const Options& options, TableEngine& engine);
[[nodiscard]] int RunRelocate(const Options& options, TableEngine& engine);
[[nodiscard]] int RunAppend(const Options& options, TableEngine& engine);
[[nodiscard]] int RunDedupe(const Options& options, TableEngine& engine);
[[nodiscard]] int RunCheck(const Options& options, TableEngine& engine);

}  // namespace dbt::cli
