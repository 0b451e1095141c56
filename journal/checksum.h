#pragma once
// The recovery file's checksum. A file left by a crash is read by whichever build opens the table
// next, so this function may never change: a file written with another one is taken as torn.

#include <cstddef>
#include <cstdint>

namespace dbt::journal_detail {

[[nodiscard]] std::uint64_t Checksum(const std::uint8_t* data, std::size_t size);

}  // namespace dbt::journal_detail
