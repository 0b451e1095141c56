#pragma once
// The system's own upper-casing, where its ANSI code page is not the one of our table.

#include <string>

namespace dbt {

// Upper-cases the text in place, over its full length, by the system's rules for its ANSI code
// page (CharUpperBuffA) and returns true; returns false and leaves the text as it is where
// code page 1252's table gives the system's result, and where there is no system code page.
bool UpperCaseBySystem(std::string& text);

}  // namespace dbt
