#pragma once
// Shared pieces of the engine tests: slices of a file's bytes to compare with.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dbt::test {

inline std::vector<std::uint8_t> Slice(const std::vector<std::uint8_t>& bytes, std::size_t from,
                                       std::size_t count) {
  return {bytes.begin() + static_cast<std::ptrdiff_t>(from),
          bytes.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

inline std::vector<std::uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

}  // namespace dbt::test
