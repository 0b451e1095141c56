#pragma once
// What makes a table a journal of the fax application: its first field is DATUM and it has a
// field DATEI, whose folder part the path change rewrites. The window accepts only such a
// table, and the command-line tool works on nothing else.

#include <string>

#include "dbf/engine.h"

namespace dbt {

struct JournalLayoutCheck {
  bool journal = false;
  int pathField = 0;       // the field DATEI, 0 when there is none
  std::string notJournal;  // why not, in words, when journal is false (ANSI, as the names)
};

// For a table open under handle; a handle with no open table has no fields.
[[nodiscard]] JournalLayoutCheck CheckJournalLayout(const TableEngine& engine, TableHandle table);

}  // namespace dbt
