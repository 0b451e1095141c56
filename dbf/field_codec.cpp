#include "dbf/field_codec.h"

#include <string>

namespace dbt {
namespace {

constexpr std::string_view kEmptyStoredDate = "        ";

void DecodeDate(std::string_view stored, std::string& display) {
  // A damaged record may hold a shorter date; the missing characters count as blanks.
  const auto at = [stored](std::size_t i) { return i < stored.size() ? stored[i] : ' '; };
  display.assign({at(6), at(7), '.', at(4), at(5), '.', at(0), at(1), at(2), at(3)});
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

void DecodeFieldInto(char type, std::string_view stored, std::string& display) {
  switch (type) {
    case 'C':
    case 'N':
    case 'F':
      display.assign(stored);
      return;
    case 'D':
      DecodeDate(stored, display);
      return;
    case 'L':
      display.assign(stored.substr(0, 1));
      return;
    case 'M':
      display.assign(stored.substr(0, 10));
      return;
    default:
      display.clear();
  }
}

std::string DecodeField(char type, std::string_view stored) {
  std::string display;
  DecodeFieldInto(type, stored, display);
  return display;
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
