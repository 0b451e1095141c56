#pragma once
// The open and save dialogs over the system's own (SystemFileDialogs), with the rules of
// file_dialog_logic.h applied on the way in and out.

#include <cstdint>
#include <string>
#include <string_view>

#include "dialogs/system_file_dialogs.h"

namespace dbt {

// The front of both dialogs: the mode letter (or title text) picks title and kind. True and
// the chosen file's full path in file, or false and an empty file on cancel or failure.
// filterIndex and flags come back as the dialog left them.
[[nodiscard]] bool FileDialog(SystemFileDialogs& system, void* owner, std::string_view mode,
                              std::string& file, const std::string& initialFolder,
                              std::string_view filter, std::int32_t& filterIndex,
                              std::string_view defaultExtension, std::uint32_t& flags);

// One system dialog with the filter text and start file as given. file holds the returned
// buffer's text afterwards (opening: all before its last NUL, for a multiple choice).
// Returns the system dialog's result.
[[nodiscard]] int OpenFileDialog(SystemFileDialogs& system, void* owner, std::string_view title,
                                 std::string& file, const std::string& initialFolder,
                                 std::string_view filter, std::int32_t& filterIndex,
                                 std::string_view defaultExtension, std::uint32_t& flags);
[[nodiscard]] int SaveFileDialog(SystemFileDialogs& system, void* owner, std::string_view title,
                                 std::string& file, const std::string& initialFolder,
                                 std::string_view filter, std::int32_t& filterIndex,
                                 std::string_view defaultExtension, std::uint32_t& flags);

}  // namespace dbt
