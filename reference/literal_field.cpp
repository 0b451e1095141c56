#include "reference/literal_field.h"

#include "dbf/codepage.h"

namespace dbt::reference {
namespace {

std::string Through(std::string_view text, const ByteTable& table) {
  std::string out;
  for (const char c : text) out += static_cast<char>(table[static_cast<unsigned char>(c)]);
  return out;
}

char At(std::string_view text, std::size_t i) {
  return i < text.size() ? text[i] : ' ';
}

}  // namespace

std::string OemBytesToAnsi(std::string_view oem) {
  return Through(oem, OemToAnsiTable(ActiveCodePages()));
}

std::string AnsiToOemBytes(std::string_view ansi) {
  return Through(ansi, AnsiToOemTable(ActiveCodePages()));
}

std::string DisplayOf(char type, std::string_view storedOem) {
  const std::string stored = OemBytesToAnsi(storedOem);
  switch (type) {
    case 'C':
    case 'N':  // wide N and F fields are shown whole, so that a rewrite keeps them whole
    case 'F':
      return stored;
    case 'D': {
      // DD.MM.YYYY from YYYYMMDD; characters a short field lacks count as blanks.
      std::string display;
      for (const std::size_t i : {6, 7}) display += At(stored, i);
      display += '.';
      for (const std::size_t i : {4, 5}) display += At(stored, i);
      display += '.';
      for (const std::size_t i : {0, 1, 2, 3}) display += At(stored, i);
      return display;
    }
    case 'L':
      return stored.substr(0, 1);
    case 'M':
      return stored.substr(0, 10);
    default:
      return {};
  }
}

std::string StoredOf(char type, std::string display, std::size_t length, int currentYear) {
  std::string stored;
  switch (type) {
    case 'D': {
      if (display.size() == 8) {
        std::string year = std::to_string(currentYear < 0 ? -currentYear : currentYear);
        if (year.size() < 2) year.insert(0, 2 - year.size(), '0');
        display = display.substr(0, 6) + year.substr(0, 2) + display.substr(6);
      }
      stored = display.size() == 10
                   ? display.substr(6, 4) + display.substr(3, 2) + display.substr(0, 2)
                   : std::string(8, ' ');
      break;
    }
    case 'L':
      stored = display.substr(0, 1);
      break;
    case 'M':
      stored = display.substr(0, 10);
      break;
    default:
      stored = display;
  }
  stored.resize(length, ' ');
  return AnsiToOemBytes(stored);
}

}  // namespace dbt::reference
