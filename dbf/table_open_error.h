#pragma once
// Why a table could not be opened, as the engine, the maintenance operations and the
// command-line tool pass it on; and the one way a reason is joined to its file's name.

#include <cstdint>
#include <string>
#include <string_view>

#include "dbf/table_file.h"

namespace dbt {

// Why an open gave file size 0; for people (the command-line tool), never for the window.
enum class TableOpenError {
  None,
  Missing,      // no such file (nothing is created)
  Locked,       // held open by another program, or by another handle of ours
  NoAccess,     // the system refused access
  NotAFile,     // a folder or device
  NotDbase,     // empty, or the first byte is no accepted version byte
  Damaged,      // a dBase version byte, but a header that cannot be used safely
  Unsupported,  // a dBase table of a kind this tool does not handle (level 7, over 128 fields)
  Other,
};

// The file layer's reason, as the engine reports it.
[[nodiscard]] TableOpenError TableOpenErrorOf(FileOpenError error);
// The file layer's reason in words, without the file's name: "no such file".
[[nodiscard]] std::string FileOpenErrorText(FileOpenError error);

// "FILE: REASON", or the file alone when there is no reason. Reasons never name their file, so
// that a message names it exactly once; this is where it is added.
[[nodiscard]] std::string NamedReason(std::string_view file, std::string_view reason);

}  // namespace dbt
