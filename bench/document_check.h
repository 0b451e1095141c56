#pragma once
// The pass of "dbasetool-cli check" timed on a tree of documents that a generated journal names.

#include <cstdint>
#include <string>

namespace dbt::bench {

// Writes a tree of documents below folder, a journal of count records at table that names them,
// and prints the pass's time beside what one stat of every document costs.
void CheckFigures(const std::string& table, const std::string& folder, std::int64_t count);

}  // namespace dbt::bench
