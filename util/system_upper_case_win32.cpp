#include <windows.h>

#include "util/system_upper_case.h"

namespace dbt {

bool UpperCaseBySystem(std::string& text) {
  // Another ANSI page has other letters (ł is 0xB3 in 1250, я is 0xFF in 1251). A page of
  // UTF-8 holds no 8-bit texts; the command-line tool keeps code page 1252 texts there.
  static const bool tableIsTheSystems = GetACP() == 1252 || GetACP() == CP_UTF8;
  if (tableIsTheSystems) return false;
  if (!text.empty()) CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
  return true;
}

}  // namespace dbt
