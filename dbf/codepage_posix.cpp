#include "dbf/codepage.h"

namespace dbt {

// Without configured OEM and ANSI code pages, the pair of a German Windows desktop, where the
// journal tables come from.
CodePagePair PlatformCodePages() {
  return CodePagePair::Oem850Ansi1252;
}

const CodePageTables& SystemCodePageTables() {
  static const CodePageTables tables{OemToAnsiTable(CodePagePair::Oem850Ansi1252),
                                     AnsiToOemTable(CodePagePair::Oem850Ansi1252)};
  return tables;
}

}  // namespace dbt
