#pragma once
// What identifies a record of a generated journal whatever a command did to it.

#include <cstdint>
#include <string>
#include <string_view>

namespace dbt::test {

// The bytes after the flag, with the folder and extension of DATEI and trailing line breaks of
// ERROR left out. Its hash is what the tests compare, for speed.
std::string RecordKey(std::string_view record);
std::uint64_t RecordKeyHash(std::string_view record);

}  // namespace dbt::test
