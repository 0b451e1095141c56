#pragma once
// A 64-bit hash of a record's bytes, so that equal records are found by sorting instead of
// comparing every pair. Equal hashes are only candidates: the bytes decide.

#include <cstddef>
#include <cstdint>

namespace dbt::journal_detail {

[[nodiscard]] std::uint64_t HashBytes(const std::uint8_t* data, std::size_t size);

}  // namespace dbt::journal_detail
