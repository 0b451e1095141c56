#pragma once
// Conversion between the OEM code page of table files and the ANSI code page in memory.
// The system's own conversion is lossy (best fit) for characters that one page lacks, which
// would change stored text on a plain read and write; these tables pair those characters so
// that each direction exactly undoes the other.

#include <array>
#include <cstdint>
#include <string>

// <windows.h> defines OemToAnsi and AnsiToOem as macros; ours are functions.
#ifdef OemToAnsi
#undef OemToAnsi
#endif
#ifdef AnsiToOem
#undef AnsiToOem
#endif

namespace dbt {

enum class CodePagePair {
  Oem850Ansi1252,  // the default
  Oem437Ansi1252,
  System,  // any other pair: the running system's own conversion (SystemCodePageTables)
};

using ByteTable = std::array<std::uint8_t, 256>;

struct CodePageTables {
  ByteTable toAnsi{};
  ByteTable toOem{};
};

[[nodiscard]] const ByteTable& OemToAnsiTable(CodePagePair pair);
[[nodiscard]] const ByteTable& AnsiToOemTable(CodePagePair pair);

// The pair used by OemToAnsi and AnsiToOem; Oem850Ansi1252 until changed.
[[nodiscard]] CodePagePair ActiveCodePages();
void SetActiveCodePages(CodePagePair pair);
// Windows: the pair that GetOEMCP()/GetACP() name where we have tables for it, else System.
// Elsewhere: the default.
[[nodiscard]] CodePagePair PlatformCodePages();

// Windows: every byte as OemToCharA and CharToOemA convert it, made into tables by
// PairedTables once. Elsewhere, where no system pages are configured: the default pair's.
[[nodiscard]] const CodePageTables& SystemCodePageTables();

// The system's conversion of each byte, made lossless: a byte whose character both pages hold
// (it comes back through the other direction) maps as the system maps it. The system maps the
// others to look-alikes, which a rewritten field would store in place of the original bytes;
// they are paired among themselves in ascending order, as our own tables pair them.
[[nodiscard]] CodePageTables PairedTables(const ByteTable& systemToAnsi,
                                          const ByteTable& systemToOem);

// In place, up to the text's first zero byte; the rest is left as it is. Returns the text.
// For zero-terminated texts such as field names.
std::string& OemToAnsi(std::string& text);
std::string& AnsiToOem(std::string& text);

// In place, every byte, zero bytes included (the tables keep zero as zero): for a field's own
// bytes, which a zero byte earlier in the record must not leave unconverted.
std::string& OemToAnsiAll(std::string& text);
std::string& AnsiToOemAll(std::string& text);

}  // namespace dbt
