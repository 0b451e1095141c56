#pragma once
// Code page 1252, the ANSI page in which the fax application keeps its texts, to and from UTF-8.
// Our own table, so that the tool behaves the same on every host whatever its locale.

#include <string>
#include <string_view>

namespace dbt::cli {

struct [[nodiscard]] AnsiText {
  std::string text;
  std::string error;  // empty on success, else why the text has no cp1252 form
  bool ok() const { return error.empty(); }
};

// The bytes 0x81, 0x8D, 0x8F, 0x90 and 0x9D, which the page leaves unassigned, travel as
// U+0081 and so on, as Windows' own conversion does, so that every byte survives a round trip.
AnsiText Utf8ToCp1252(std::string_view utf8);
[[nodiscard]] std::string Cp1252ToUtf8(std::string_view ansi);

}  // namespace dbt::cli
