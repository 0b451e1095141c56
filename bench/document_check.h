#pragma once
// The lookups of "dbasetool-cli check" and "relocate --find" timed on a tree of documents that a
// generated journal names.

#include <cstdint>
#include <string>

namespace dbt::bench {

// Writes a tree of documents below folder, a journal of count records at table that names them,
// and prints the pass's time beside what one stat of every document costs; then the same journal
// pointed at a folder that is gone, and the time to find every document by its name.
void CheckFigures(const std::string& table, const std::string& folder, std::int64_t count);

}  // namespace dbt::bench
