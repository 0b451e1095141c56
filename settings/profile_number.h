#pragma once
// The two ways the settings read a number from a profile text.

#include <cstdint>
#include <optional>
#include <string_view>

namespace dbt {

// A placement value: NUL and blanks at both ends ignored, empty means no value; otherwise the
// leading decimal number (sign, digits, fraction) rounded half to even, 0 when the text does
// not begin with a number, clamped to the signed 32-bit range.
[[nodiscard]] std::optional<std::int32_t> RoundedProfileNumber(std::string_view text);

// Only the digits of the text, in their order, read as one decimal number; 0 without digits,
// clamped to the largest signed 32-bit value.
[[nodiscard]] std::int32_t DigitsOnlyNumber(std::string_view text);

}  // namespace dbt
