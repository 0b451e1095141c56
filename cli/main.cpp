// dbasetool-cli: the journal operations of the window, for scripts and desktop-less machines.

#include <cstdio>
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
  const int code = Run(parsed.options);
  std::fflush(stdout);
  return code;
}
