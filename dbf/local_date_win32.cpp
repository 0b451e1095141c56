#include <windows.h>

#include "dbf/local_date.h"

namespace dbt {

LocalDate TodayLocal() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay};
}

}  // namespace dbt
