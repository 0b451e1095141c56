#include "cli/console.h"

#include <cstdio>

#include "cli/exit_codes.h"
#include "cli/terminal.h"

namespace dbt::cli {

std::string T(std::string_view ansi) {
  return AnsiToTerminal(ansi);
}

void Say(const std::string& line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

void Warn(const std::string& file, const std::string& reason) {
  std::fflush(stdout);
  const std::string line = "dbasetool-cli: " + NamedReason(file, reason) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

int Refuse(const std::string& file, const std::string& reason) {
  Warn(file, reason);
  return kExitRefused;
}

std::string OpenFailureText(TableOpenError error, const std::string& detail) {
  std::string text;
  switch (error) {
    case TableOpenError::None:
      text = "could not be opened";
      break;
    case TableOpenError::Missing:
      text = "no such file";
      break;
    case TableOpenError::Locked:
      text = "locked by another program (close the fax application and try again)";
      break;
    case TableOpenError::NoAccess:
      text = "access denied";
      break;
    case TableOpenError::NotAFile:
      text = "not a file";
      break;
    case TableOpenError::NotDbase:
      text = "not a dBase table";
      break;
    case TableOpenError::Damaged:
      text = "damaged dBase table";
      break;
    case TableOpenError::Unsupported:
      text = "unsupported dBase table";
      break;
    case TableOpenError::Other:
      text = "could not be opened";
      break;
  }
  // A failure inside an operation, on a table that did open, says what failed, no more.
  if (error == TableOpenError::Other && !detail.empty()) return detail;
  // For the plain cases the engine's detail only repeats the reason; a damaged header needs it.
  // The detail never names the file: the refusal names it once, before the reason.
  const bool informative = error == TableOpenError::Damaged || error == TableOpenError::NotDbase ||
                           error == TableOpenError::Unsupported || error == TableOpenError::Other;
  if (informative && !detail.empty()) text += ": " + detail;
  return text;
}

}  // namespace dbt::cli
