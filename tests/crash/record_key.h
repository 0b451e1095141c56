#pragma once
// What identifies a record of a generated journal whatever a command did to it.

#include <cstdint>
#include <string_view>

namespace dbt::test {

// A hash of the bytes after the flag, with the folder and extension of DATEI and trailing line
// breaks of ERROR left out: the hash rather than the bytes, for speed.
std::uint64_t RecordKeyHash(std::string_view record);

}  // namespace dbt::test
