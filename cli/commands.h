#pragma once
// One function per command; each returns the exit code.

#include "cli/arguments.h"
#include "dbf/engine.h"

namespace dbt::cli {

int RunInfo(const Options& options, TableEngine& engine);
int RunShow(const Options& options, TableEngine& engine);
int RunRelocate(const Options& options, TableEngine& engine);
int RunAppend(const Options& options, TableEngine& engine);
int RunDedupe(const Options& options, TableEngine& engine);
int RunCheck(const Options& options, TableEngine& engine);

}  // namespace dbt::cli
