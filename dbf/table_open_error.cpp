#include "dbf/table_open_error.h"

namespace dbt {

TableOpenError TableOpenErrorOf(FileOpenError error) {
  switch (error) {
    case FileOpenError::None:
      return TableOpenError::None;
    case FileOpenError::Missing:
      return TableOpenError::Missing;
    case FileOpenError::Locked:
      return TableOpenError::Locked;
    case FileOpenError::NoAccess:
      return TableOpenError::NoAccess;
    case FileOpenError::NotAFile:
      return TableOpenError::NotAFile;
    case FileOpenError::Other:
      break;
  }
  return TableOpenError::Other;
}

std::string FileOpenErrorText(FileOpenError error) {
  switch (error) {
    case FileOpenError::Missing:
      return "no such file";
    case FileOpenError::Locked:
      return "the file is held open by another program";
    case FileOpenError::NoAccess:
      return "access denied";
    case FileOpenError::NotAFile:
      return "not a file";
    default:
      return "the file cannot be opened";
  }
}

std::string NamedReason(std::string_view file, std::string_view reason) {
  std::string text(file);
  if (reason.empty()) return text;
  text += ": ";
  text += reason;
  return text;
}

}  // namespace dbt
