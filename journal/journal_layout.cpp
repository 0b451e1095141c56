#include "journal/journal_layout.h"

#include "util/text.h"

namespace dbt {

JournalLayoutCheck CheckJournalLayout(const TableEngine& engine, TableHandle table) {
  JournalLayoutCheck check;
  check.pathField = engine.FieldIndex(table, "DATEI");
  if (engine.FieldCount(table) <= 0) {
    check.notJournal = "it has no fields";
    return check;
  }
  const std::string first = engine.FieldName(table, 1);
  if (UpperAnsi(first) != "DATUM") {
    check.notJournal = "its first field is " + first + ", not DATUM";
    return check;
  }
  if (check.pathField == 0) {
    check.notJournal = "it has no field DATEI";
    return check;
  }
  check.journal = true;
  return check;
}

}  // namespace dbt
