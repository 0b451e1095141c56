#pragma once
// One field's text between its stored form (the bytes in the record, already converted to the
// ANSI code page) and its display form, by the field's type letter.

#include <string>
#include <string_view>

namespace dbt {

// C: unchanged. D: YYYYMMDD shown as DD.MM.YYYY. N, F: unchanged (whole text, however wide).
// L: the first character. M: the first 10 characters. Any other letter: empty text.
[[nodiscard]] std::string DecodeField(char type, std::string_view stored);
// The same into the caller's text, whose storage a pass over many records can reuse.
void DecodeFieldInto(char type, std::string_view stored, std::string& display);

// The stored text, not yet padded to the field. For D a display text of 8 characters
// (DD.MM.YY) is first widened in the caller's variable with the first two digits of
// currentYear; a text of any length but 10 then gives eight blanks.
// Any other letter than C, D, F, L, M, N: the display text unchanged.
[[nodiscard]] std::string EncodeField(char type, std::string& display, int currentYear);

}  // namespace dbt
