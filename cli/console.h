#pragma once
// What the tool says: reports on stdout, refusals as one line on stderr. Texts from tables are
// code page 1252 and go through T() on their way to the terminal; host paths are printed as
// given.

#include <string>
#include <string_view>

#include "dbf/engine.h"

namespace dbt::cli {

[[nodiscard]] std::string T(std::string_view ansi);

void Say(const std::string& line);  // stdout, one line

// "dbasetool-cli: FILE: REASON" on stderr; returns kExitRefused.
[[nodiscard]] int Refuse(const std::string& file, const std::string& reason);
void Warn(const std::string& file, const std::string& reason);

// Why a table could not be opened, in words, with the engine's detail when it has one.
[[nodiscard]] std::string OpenFailureText(TableOpenError error, const std::string& detail);

}  // namespace dbt::cli
