#pragma once
// relocate beyond the folder-part rule: moving a folder tree (--from), and the dry run that
// also looks the documents up (--check).

#include "cli/arguments.h"
#include "cli/table_probe.h"

namespace dbt::cli {

// The real run of relocate --from (all records or --record N).
[[nodiscard]] int RunRelocateTree(const Options& options, const TableSummary& summary,
                                  TableEngine& engine);

// The dry run of relocate --from, and of either rule with --check.
[[nodiscard]] int RunRelocatePreview(const Options& options, const TableSummary& summary,
                                     TableEngine& engine);

}  // namespace dbt::cli
