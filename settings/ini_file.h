#pragma once
// Our own INI reader and writer, behaving like the system's profile-string services so that a
// settings file written on one platform reads the same on the other: sections and keys match
// without regard to case, a read value loses the blanks round it and one pair of enclosing
// quotes, a write changes only the line of its key (or adds one) and keeps every other line.

#include <optional>
#include <string>
#include <string_view>

namespace dbt {

// The value of key in section of an INI text, or fallback when the key is not there.
[[nodiscard]] std::string IniReadString(std::string_view content, std::string_view section,
                                        std::string_view key, std::string_view fallback);

// The INI text with key set to value: the key's line replaced, or a new key line at the end of
// its section, or a new section at the end of the text. New lines end in CRLF. Empty when the
// names or the value cannot be written as one line (line breaks, NUL, "=" in the key, ...).
[[nodiscard]] std::optional<std::string> IniWriteString(std::string_view content,
                                                        std::string_view section,
                                                        std::string_view key,
                                                        std::string_view value);

// The same on a file; a missing or unreadable file reads as fallback.
[[nodiscard]] std::string ReadIniFileString(const std::string& file, std::string_view section,
                                            std::string_view key, std::string_view fallback);
// Creates the file on its first write. False when nothing was written: the names or the value
// are refused, the existing file cannot be read, or the new text cannot be stored.
[[nodiscard]] bool WriteIniFileString(const std::string& file, std::string_view section,
                                      std::string_view key, std::string_view value);

}  // namespace dbt
