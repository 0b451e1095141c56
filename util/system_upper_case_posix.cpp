#include "util/system_upper_case.h"

namespace dbt {

// No configured code pages here: the texts are the fax application's, code page 1252.
bool UpperCaseBySystem(std::string&) {
  return false;
}

}  // namespace dbt
