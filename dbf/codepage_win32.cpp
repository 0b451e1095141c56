#include <windows.h>

#include "dbf/codepage.h"

namespace dbt {

CodePagePair PlatformCodePages() {
  if (GetACP() != 1252) return CodePagePair::Oem850Ansi1252;
  if (GetOEMCP() == 437) return CodePagePair::Oem437Ansi1252;
  return CodePagePair::Oem850Ansi1252;
}

}  // namespace dbt
