#include <unistd.h>

#include "cli/terminal.h"

namespace dbt::cli {

TerminalArguments ReadArguments(int argc, char** argv) {
  TerminalArguments result;
  for (int i = 1; i < argc; ++i) result.args.emplace_back(argv[i]);
  return result;
}

AnsiText TerminalToAnsi(std::string_view text) {
  return Utf8ToCp1252(text);
}

std::string AnsiToTerminal(std::string_view ansi) {
  return Cp1252ToUtf8(ansi);
}

bool StderrIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}

}  // namespace dbt::cli
