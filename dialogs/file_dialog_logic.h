#pragma once
// The rules by which a file dialog request is made from the caller's arguments and its answer
// is read back. Free of the platform, so that every rule runs in the native tests.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dbt {

// The system's OFN_ flag values, so that the rules can name them without <windows.h>.
inline constexpr std::uint32_t kOfnReadOnly = 0x00000001;
inline constexpr std::uint32_t kOfnOverwritePrompt = 0x00000002;
inline constexpr std::uint32_t kOfnHideReadOnly = 0x00000004;
inline constexpr std::uint32_t kOfnEnableHook = 0x00000020;
inline constexpr std::uint32_t kOfnPathMustExist = 0x00000800;
inline constexpr std::uint32_t kOfnFileMustExist = 0x00001000;
inline constexpr std::uint32_t kOfnExplorer = 0x00080000;
inline constexpr std::uint32_t kOfnLongNames = 0x00200000;
inline constexpr std::uint32_t kOfnEnableSizing = 0x00800000;

inline constexpr std::uint32_t kFileDialogFlags = kOfnReadOnly | kOfnHideReadOnly | kOfnEnableHook |
                                                  kOfnPathMustExist | kOfnFileMustExist |
                                                  kOfnExplorer | kOfnLongNames | kOfnEnableSizing;

// Room for a chosen path in the open dialog's buffer (and its NUL), and in the save dialog's.
inline constexpr std::size_t kOpenFileBufferSize = 8192;
inline constexpr std::size_t kSaveStartTextLimit = 260;
inline constexpr std::size_t kSaveFileBufferSize = 261;

// " Datei Öffnen " for the mode letters O, Ö and L, " Datei Speichern " for S (a to z in either
// case); any other mode text is the title itself.
[[nodiscard]] std::string FileDialogTitle(std::string_view mode);

// A title that holds "Speichern" or "Save" in any case asks for the save dialog.
[[nodiscard]] bool IsSaveTitle(std::string_view title);

// The caller's flags with ours; saving also asks before overwriting.
[[nodiscard]] std::uint32_t OpenDialogFlags(std::uint32_t callerFlags);
[[nodiscard]] std::uint32_t SaveDialogFlags(std::uint32_t callerFlags);

// The caller's "description|pattern|" pairs, with an entry for all files unless one is there.
[[nodiscard]] std::string CompleteFilter(std::string_view filter);

// The pairs as the system wants them: every "|" a NUL, and one NUL more at the end.
[[nodiscard]] std::string FilterList(std::string_view filter);

// The buffer that the dialog shows as its start file and fills with the choice: the start text
// up to its first NUL (or with a NUL appended), then blanks.
[[nodiscard]] std::string OpenFileBuffer(std::string_view startFile);
[[nodiscard]] std::string SaveFileBuffer(std::string_view startFile);

// Filter numbers are 1-based; anything below is the first filter.
[[nodiscard]] std::int32_t ValidFilterIndex(std::int32_t filterIndex);

// The returned buffer read back: saving keeps the text before the first NUL, opening the text
// before the last one (a multiple choice); no NUL at all gives empty text.
[[nodiscard]] std::string CutSaveBuffer(std::string_view buffer);
[[nodiscard]] std::string CutOpenBuffer(std::string_view buffer);

[[nodiscard]] std::string TextBeforeFirstNul(std::string_view text);

}  // namespace dbt
