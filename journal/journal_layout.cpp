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
  // A path is text: written into a field of any other type (a date, a number, a memo's block
  // number, one this tool does not know) it would destroy what the field holds.
  const char type = engine.FieldDescriptor(table, check.pathField).Type();
  if (type != 'C') {
    check.notJournal = std::string("its field DATEI is of type ") + type + ", not a character field";
    return check;
  }
  check.journal = true;
  return check;
}

}  // namespace dbt
