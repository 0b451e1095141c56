#pragma once
// What every maintenance operation reports besides its own figures: whether it could work on
// the table at all, and if not, why (for the command-line tool; the window stays silent).

#include <cstdint>
#include <functional>
#include <string>

#include "dbf/engine.h"

namespace dbt {

struct JournalResult {
  TableOpenError error = TableOpenError::None;
  std::string detail;  // names the file and the reason when error is not None
  std::string reason;  // the same reason without the file's name, for messages that name it
  bool ok() const { return error == TableOpenError::None; }
};

// Called now and then during passes over all records: (records done, records in all).
using Progress = std::function<void(std::int64_t done, std::int64_t total)>;

}  // namespace dbt
