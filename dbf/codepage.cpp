#include "dbf/codepage.h"

#include <algorithm>

#include "dbf/codepage_tables.h"

namespace dbt {
namespace {

CodePagePair g_activePair = CodePagePair::Oem850Ansi1252;

std::string& Convert(std::string& text, std::string::iterator end, const ByteTable& table) {
  std::transform(text.begin(), end, text.begin(), [&table](char c) {
    return static_cast<char>(table[static_cast<unsigned char>(c)]);
  });
  return text;
}

// Like the platform's in-place conversion, stops at the first zero byte and leaves the rest.
std::string& ConvertUpToZero(std::string& text, const ByteTable& table) {
  return Convert(text, std::find(text.begin(), text.end(), '\0'), table);
}

}  // namespace

const ByteTable& OemToAnsiTable(CodePagePair pair) {
  if (pair == CodePagePair::System) return SystemCodePageTables().toAnsi;
  if (pair == CodePagePair::Oem437Ansi1252) return codepage_tables::kOem437ToAnsi1252;
  return codepage_tables::kOem850ToAnsi1252;
}

const ByteTable& AnsiToOemTable(CodePagePair pair) {
  if (pair == CodePagePair::System) return SystemCodePageTables().toOem;
  if (pair == CodePagePair::Oem437Ansi1252) return codepage_tables::kAnsi1252ToOem437;
  return codepage_tables::kAnsi1252ToOem850;
}

CodePageTables PairedTables(const ByteTable& systemToAnsi, const ByteTable& systemToOem) {
  CodePageTables paired;
  std::array<bool, 256> oemPaired{};
  std::array<bool, 256> ansiPaired{};
  for (std::size_t oem = 0; oem < 256; ++oem) {
    const std::uint8_t ansi = systemToAnsi[oem];
    if (systemToOem[ansi] != oem) continue;
    paired.toAnsi[oem] = ansi;
    paired.toOem[ansi] = static_cast<std::uint8_t>(oem);
    oemPaired[oem] = ansiPaired[ansi] = true;
  }
  // Both sides have as many bytes left, since the pairs so far are one to one.
  std::size_t ansi = 0;
  for (std::size_t oem = 0; oem < 256; ++oem) {
    if (oemPaired[oem]) continue;
    while (ansiPaired[ansi]) ++ansi;
    paired.toAnsi[oem] = static_cast<std::uint8_t>(ansi);
    paired.toOem[ansi] = static_cast<std::uint8_t>(oem);
    ansiPaired[ansi] = true;
  }
  return paired;
}

CodePagePair ActiveCodePages() {
  return g_activePair;
}

void SetActiveCodePages(CodePagePair pair) {
  g_activePair = pair;
}

std::string& OemToAnsi(std::string& text) {
  return ConvertUpToZero(text, OemToAnsiTable(g_activePair));
}

std::string& AnsiToOem(std::string& text) {
  return ConvertUpToZero(text, AnsiToOemTable(g_activePair));
}

std::string& OemToAnsiAll(std::string& text) {
  return Convert(text, text.end(), OemToAnsiTable(g_activePair));
}

std::string& AnsiToOemAll(std::string& text) {
  return Convert(text, text.end(), AnsiToOemTable(g_activePair));
}

}  // namespace dbt
