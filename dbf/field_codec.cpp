#include "dbf/field_codec.h"

#include <string>

namespace dbt {
namespace {

constexpr std::string_view kEmptyStoredDate = "        ";

std::string DecodeDate(std::string_view stored) {
  // A damaged record may hold a shorter date; the missing characters count as blanks.
  std::string date(stored.substr(0, 8));
  date.resize(8, ' ');
  return date.substr(6, 2) + "." + date.substr(4, 2) + "." + date.substr(0, 4);
}

std::string CenturyDigits(int year) {
  std::string digits = std::to_string(year < 0 ? -year : year);
  if (digits.size() < 2) digits.insert(0, 2 - digits.size(), '0');
  return digits.substr(0, 2);
}

std::string EncodeDate(std::string& display, int currentYear) {
  if (display.size() == 8) {
    display = display.substr(0, 6) + CenturyDigits(currentYear) + display.substr(6, 2);
  }
  if (display.size() != 10) return std::string(kEmptyStoredDate);
  return display.substr(6, 4) + display.substr(3, 2) + display.substr(0, 2);
}

}  // namespace

std::string DecodeField(char type, std::string_view stored) {
  switch (type) {
    case 'C':
    case 'N':
    case 'F':
      return std::string(stored);
    case 'D':
      return DecodeDate(stored);
    case 'L':
      return std::string(stored.substr(0, 1));
    case 'M':
      return std::string(stored.substr(0, 10));
    default:
      return {};
  }
}

std::string EncodeField(char type, std::string& display, int currentYear) {
  switch (type) {
    case 'D':
      return EncodeDate(display, currentYear);
    case 'L':
      return display.substr(0, 1);
    case 'M':
      return display.substr(0, 10);
    default:
      // C, N and F keep their whole text. A field of an unknown type shows as empty text and
      // the engine writes back its stored bytes unless that text was changed.
      return display;
  }
}

}  // namespace dbt
