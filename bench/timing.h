#pragma once
// Wall-clock and processor time of a piece of work, and the one line a figure is printed as.

#include <sys/time.h>

#include <functional>
#include <string>

namespace dbt::bench {

double Seconds(const std::function<void()>& work);

// "name value unit", flushed at once so that a long run shows its figures as they come.
void Print(const std::string& name, double value, const char* unit);

double SecondsOf(const struct timeval& t);

// User and system time of this process so far.
double OwnCpuSeconds();

}  // namespace dbt::bench
