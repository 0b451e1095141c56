#include "settings/profile_number.h"

#include <cstdint>
#include <limits>
#include <string>

#include "util/text.h"

namespace dbt {
namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
// Beyond this the magnitude is clamped anyway; stopping here keeps the sum from overflowing.
constexpr std::int64_t kSaturated = kMax + 2;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::int64_t AddDigit(std::int64_t number, char digit) {
  if (number >= kSaturated) return kSaturated;
  return number * 10 + (digit - '0');
}

std::int32_t Clamp(std::int64_t number) {
  if (number > kMax) return static_cast<std::int32_t>(kMax);
  if (number < kMin) return static_cast<std::int32_t>(kMin);
  return static_cast<std::int32_t>(number);
}

}  // namespace

std::optional<std::int32_t> RoundedProfileNumber(std::string_view text) {
  const std::string trimmed = TrimNulBlank(text);
  if (trimmed.empty()) return std::nullopt;

  std::size_t i = 0;
  bool negative = false;
  if (trimmed[i] == '+' || trimmed[i] == '-') negative = trimmed[i++] == '-';
  std::int64_t whole = 0;
  bool anyDigit = false;
  for (; i < trimmed.size() && IsDigit(trimmed[i]); ++i, anyDigit = true) {
    whole = AddDigit(whole, trimmed[i]);
  }

  // The fraction decides the rounding by comparison with one half, digit by digit, so that
  // 12.5 and 12.50000000000000001 are told apart exactly.
  int firstFraction = 0;
  bool restNonZero = false;
  if (i < trimmed.size() && trimmed[i] == '.') {
    ++i;
    if (i < trimmed.size() && IsDigit(trimmed[i])) {
      firstFraction = trimmed[i++] - '0';
      anyDigit = true;
    }
    for (; i < trimmed.size() && IsDigit(trimmed[i]); ++i) restNonZero |= trimmed[i] != '0';
  }
  if (!anyDigit) return 0;

  const bool aboveHalf = firstFraction > 5 || (firstFraction == 5 && restNonZero);
  const bool exactlyHalf = firstFraction == 5 && !restNonZero;
  if ((aboveHalf || (exactlyHalf && whole % 2 == 1)) && whole < kSaturated) ++whole;
  return Clamp(negative ? -whole : whole);
}

std::int32_t DigitsOnlyNumber(std::string_view text) {
  std::int64_t number = 0;
  for (const char c : text) {
    if (IsDigit(c)) number = AddDigit(number, c);
  }
  return Clamp(number);
}

}  // namespace dbt
