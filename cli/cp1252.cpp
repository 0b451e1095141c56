#include "cli/cp1252.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace dbt::cli {
namespace {

// Code points of the bytes 0x80 to 0x9F; the unassigned bytes stand for themselves.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePointOf(std::uint8_t byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

bool ByteOf(char32_t codePoint, std::uint8_t& byte) {
  if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
    byte = static_cast<std::uint8_t>(codePoint);
    return true;
  }
  for (std::size_t i = 0; i < kHighControls.size(); ++i) {
    if (kHighControls[i] == codePoint) {
      byte = static_cast<std::uint8_t>(0x80 + i);
      return true;
    }
  }
  return false;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// One code point from text at pos, advancing pos; false for a malformed sequence.
bool NextCodePoint(std::string_view text, std::size_t& pos, char32_t& cp) {
  const auto lead = static_cast<std::uint8_t>(text[pos]);
  int extra = 0;
  if (lead < 0x80) {
    cp = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    cp = lead & 0x1F;
    extra = 1;
  } else if ((lead & 0xF0) == 0xE0) {
    cp = lead & 0x0F;
    extra = 2;
  } else if ((lead & 0xF8) == 0xF0) {
    cp = lead & 0x07;
    extra = 3;
  } else {
    return false;
  }
  if (pos + extra >= text.size() && extra > 0) return false;
  for (int i = 1; i <= extra; ++i) {
    const auto next = static_cast<std::uint8_t>(text[pos + i]);
    if ((next & 0xC0) != 0x80) return false;
    cp = (cp << 6) | (next & 0x3F);
  }
  static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
  if (cp < kSmallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
  pos += 1 + extra;
  return true;
}

}  // namespace

AnsiText Utf8ToCp1252(std::string_view utf8) {
  AnsiText result;
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t cp = 0;
    if (!NextCodePoint(utf8, pos, cp)) {
      result.error = "is not valid UTF-8";
      return result;
    }
    std::uint8_t byte = 0;
    if (!ByteOf(cp, byte)) {
      char code[16];
      std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(cp));
      result.error = std::string("holds the character ") + code +
                     ", which code page 1252 (the fax application's) cannot store";
      return result;
    }
    result.text += static_cast<char>(byte);
  }
  return result;
}

std::string Cp1252ToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  for (char c : ansi) AppendUtf8(out, CodePointOf(static_cast<std::uint8_t>(c)));
  return out;
}

}  // namespace dbt::cli
