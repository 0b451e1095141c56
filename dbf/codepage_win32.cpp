#include <windows.h>

#include "dbf/codepage.h"

namespace dbt {
namespace {

using SystemConversion = BOOL(WINAPI*)(LPCSTR, LPSTR);

// Each byte in a zero-terminated buffer of its own, converted in place as the system converts
// a text; zero stays zero.
ByteTable EachByteThrough(SystemConversion convert) {
  ByteTable table{};
  for (std::size_t byte = 1; byte < table.size(); ++byte) {
    char text[2] = {static_cast<char>(byte), '\0'};
    convert(text, text);
    table[byte] = static_cast<std::uint8_t>(text[0]);
  }
  return table;
}

}  // namespace

CodePagePair PlatformCodePages() {
  const UINT ansi = GetACP();
  const UINT oem = GetOEMCP();
  // An ANSI page of UTF-8 holds no 8-bit texts; the command-line tool keeps code page 1252
  // texts there, and the system has no conversion to them.
  const bool ansi1252 = ansi == 1252 || ansi == CP_UTF8;
  if (ansi1252 && oem == 437) return CodePagePair::Oem437Ansi1252;
  if (ansi1252 && oem == 850) return CodePagePair::Oem850Ansi1252;
  if (ansi == CP_UTF8) return CodePagePair::Oem850Ansi1252;
  return CodePagePair::System;
}

const CodePageTables& SystemCodePageTables() {
  static const CodePageTables tables =
      PairedTables(EachByteThrough(OemToCharA), EachByteThrough(CharToOemA));
  return tables;
}

}  // namespace dbt
