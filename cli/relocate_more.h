#pragma once
// relocate beyond the folder-part rule: moving a folder tree (--from), the dry run that also
// looks the documents up (--check), and finding the missing documents by name (--find).

#include "cli/arguments.h"
#include "cli/table_probe.h"

namespace dbt::cli {

// The real run of relocate --from (all records or --record N).
[[nodiscard]] int RunRelocateTree(const Options& options, const TableSummary& summary,
                                  TableEngine& engine);

// The dry run of relocate --from, and of either rule with --check.
[[nodiscard]] int RunRelocatePreview(const Options& options, const TableSummary& summary,
                                     TableEngine& engine);

// relocate --find, dry or real; held: the command's open of the table for its backup, null on
// a dry run.
[[nodiscard]] int RunRelocateFind(const Options& options, const TableSummary& summary,
                                  TableEngine& engine, TableFile* held);

}  // namespace dbt::cli
