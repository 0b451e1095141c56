#pragma once
// Path and text helpers. Paths are 8-bit ANSI texts: "\" separates folders, ":" ends a drive.

#include <string>
#include <string_view>

namespace dbt {

// Upper case by the system's ANSI code page. Code page 1252 (a-z, the accented letters, š œ ž
// ÿ) by our own table, which gives the same bytes as the system's CharUpperBuffA there; any
// other page by CharUpperBuffA itself.
[[nodiscard]] std::string UpperAnsi(std::string_view text);

// The path up to and including its last ":" or "\"; empty when it has neither.
[[nodiscard]] std::string FolderOf(std::string_view path);
// The path after its last ":" or "\"; the whole path when it has neither.
[[nodiscard]] std::string FileNameOf(std::string_view path);
[[nodiscard]] std::string_view FileNamePart(std::string_view path);
// Where the extension of the path's file name starts (its last "."), or npos when the file
// name has none.
[[nodiscard]] std::size_t ExtensionDot(std::string_view path);
// The path up to and including the last "." of its file name followed by newExtension; a path
// whose file name has no "." is returned as it is (a dot in a folder name does not count).
[[nodiscard]] std::string ReplaceExtension(std::string_view path, std::string_view newExtension);
// "D:\" for a path that starts with a letter and ":" (after trimming NUL and blanks), else "".
[[nodiscard]] std::string DriveRoot(std::string_view path);
// Empty stays empty; otherwise the text ends in exactly one "\".
void EnsureTrailingBackslash(std::string& folder);

// NUL and blank characters removed at both ends, or at the end only.
[[nodiscard]] std::string TrimNulBlank(std::string_view text);
[[nodiscard]] std::string TrimTrailingNulBlank(std::string_view text);

}  // namespace dbt
