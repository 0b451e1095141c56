#pragma once
// Journal tables as the fax application writes them, for the command-line tests.

#include <string>
#include <vector>

#include "dbf/local_date.h"
#include "tests/support/dbf_builder.h"

namespace dbt::test {

// DATUM, DATEI (pathLength wide), ERROR.
inline DbfBuilder JournalLayout(std::uint8_t pathLength = 40) {
  DbfBuilder b;
  b.Date(2020, 1, 1).Field("DATUM", 'D', 8).Field("DATEI", 'C', pathLength).Field("ERROR", 'C', 10);
  return b;
}

// The same header as written today by a command that changed the table.
inline DbfBuilder& StampedToday(DbfBuilder& b) {
  const LocalDate today = TodayLocal();
  return b.Date(today.year, today.month, today.day);
}

}  // namespace dbt::test
