#include <ctime>

#include "dbf/local_date.h"

namespace dbt {

LocalDate TodayLocal() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return {};
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

}  // namespace dbt
