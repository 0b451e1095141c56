#pragma once
// One field of one record between its stored bytes and its display text, written out from the
// documented rules with nothing taken from the engine: the code-page tables are applied byte by
// byte to the field's own bytes, zero bytes included, and the type rules are spelt out again.
// The references of the maintenance operations use it, so that they can catch a fault in the
// engine's record conversion instead of sharing it.

#include <string>
#include <string_view>

namespace dbt::reference {

// The field's stored bytes (OEM) as the display text (ANSI) of its type letter.
std::string DisplayOf(char type, std::string_view storedOem);

// The display text as the field's stored bytes (OEM): encoded by its type letter, padded with
// blanks or cut to the field's length. currentYear widens a two-digit date year.
std::string StoredOf(char type, std::string display, std::size_t length, int currentYear);

// Byte by byte through the active code-page tables.
std::string OemBytesToAnsi(std::string_view oem);
std::string AnsiToOemBytes(std::string_view ansi);

}  // namespace dbt::reference
