#pragma once
// The local calendar date, with which a changed table's header is stamped.

#include <functional>

namespace dbt {

struct LocalDate {
  int year = 1900;  // e.g. 2026
  int month = 1;    // 1-12
  int day = 1;      // 1-31
};

[[nodiscard]] LocalDate TodayLocal();  // GetLocalTime on Windows, localtime_r elsewhere

using DateSource = std::function<LocalDate()>;

}  // namespace dbt
