#pragma once
// The terminal's side of the tool: its arguments, its encoding, whether a person watches.
// UTF-8 on POSIX hosts; the ANSI code page on Windows.

#include <string>
#include <string_view>
#include <vector>

#include "cli/cp1252.h"

namespace dbt::cli {

struct [[nodiscard]] TerminalArguments {
  std::vector<std::string> args;  // without the program name, in the terminal's encoding
  std::string error;              // an argument that the terminal's encoding cannot carry
};
TerminalArguments ReadArguments(int argc, char** argv);

// A text typed by the user, as the fax application keeps it (code page 1252).
AnsiText TerminalToAnsi(std::string_view text);
// A text of a table (code page 1252) for the terminal.
[[nodiscard]] std::string AnsiToTerminal(std::string_view ansi);

[[nodiscard]] bool StderrIsTerminal();

}  // namespace dbt::cli
