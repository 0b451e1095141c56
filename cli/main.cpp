// dbasetool-cli: the journal operations of the window, for scripts and desktop-less machines.

#include <cstdio>
#include <new>
#include <string>

#include "cli/arguments.h"
#include "cli/commands.h"
#include "cli/exit_codes.h"
#include "cli/terminal.h"
#include "dbf/codepage.h"
#include "dbt_version.h"

namespace {

int UsageError(const std::string& message) {
  const std::string line =
      "dbasetool-cli: " + message + "\nTry 'dbasetool-cli --help' for more information.\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  return dbt::cli::kExitUsage;
}

int Run(const dbt::cli::Options& options) {
  using dbt::cli::CommandKind;
  dbt::TableEngine engine;
  switch (options.kind) {
    case CommandKind::Help:
      break;
    case CommandKind::Version:
      std::fputs("dbasetool-cli " DBT_VERSION_TEXT "\n", stdout);
      return dbt::cli::kExitOk;
    case CommandKind::Info:
      return dbt::cli::RunInfo(options, engine);
    case CommandKind::Show:
      return dbt::cli::RunShow(options, engine);
    case CommandKind::Relocate:
      return dbt::cli::RunRelocate(options, engine);
    case CommandKind::Append:
      return dbt::cli::RunAppend(options, engine);
    case CommandKind::Dedupe:
      return dbt::cli::RunDedupe(options, engine);
    case CommandKind::Check:
      return dbt::cli::RunCheck(options, engine);
  }
  std::fputs(dbt::cli::UsageText().c_str(), stdout);
  return dbt::cli::kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  const dbt::cli::TerminalArguments args = dbt::cli::ReadArguments(argc, argv);
  if (!args.error.empty()) return UsageError(args.error);
  const dbt::cli::ParsedArguments parsed = dbt::cli::ParseArguments(args.args);
  if (!parsed.ok()) return UsageError(parsed.error);
  // Tables are written as the fax application on this system reads them.
  dbt::SetActiveCodePages(dbt::PlatformCodePages());
  int code = dbt::cli::kExitRefused;
  try {
    code = Run(parsed.options);
  } catch (const std::bad_alloc&) {
    // A table too large for this process's memory (a 32-bit program has about 2 GB): left as a
    // crash would leave it, with a step that was begun finished by the next writing command.
    std::fflush(stdout);
    std::fputs(
        "dbasetool-cli: not enough memory for this table; a step that was begun is finished by "
        "the next command that writes to it\n",
        stderr);
  }
  std::fflush(stdout);
  return code;
}
