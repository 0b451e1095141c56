#pragma once
// The stored path of every record (or of one), read through one read-only open: what check and
// the dry runs look at.

#include <cstdint>
#include <functional>
#include <string>

#include "cli/table_probe.h"
#include "journal/journal_result.h"

namespace dbt::cli {

// record: the 1-based number; path: DATEI in code page 1252, trailing NUL and blanks removed.
using PathVisit = std::function<void(std::int32_t record, const std::string& path)>;

struct [[nodiscard]] PathScan {
  ProbeResult probe;
  bool complete = true;  // false when a read failed part-way
  bool ok() const { return probe.ok() && complete; }
};

// Every record when onlyRecord is 0, else that record alone.
PathScan ScanPaths(TableEngine& engine, const std::string& table, std::int32_t onlyRecord,
                   const PathVisit& visit, const Progress& progress = {});

}  // namespace dbt::cli
