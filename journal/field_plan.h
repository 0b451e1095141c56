#pragma once
// How a pass over all records reaches one field's bytes without decoding the whole record:
// where the field lies, whether its text is its stored bytes, and the code page on bytes.
// Decided once per table, so that a pass touches only the bytes that can change.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "dbf/codepage.h"
#include "dbf/engine.h"

namespace dbt::journal_detail {

// One field of the open table: its place in the record and its type letter.
struct FieldSlot {
  std::size_t offset = 0;  // from the record's first byte, the flag
  std::size_t length = 0;
  char type = 0;

  // C, N and F decode to their stored text and encode it back whole, so a pass may change
  // their converted bytes directly; every other type goes through the field conversion.
  bool TextIsStored() const { return type == 'C' || type == 'N' || type == 'F'; }
  std::span<std::uint8_t> In(std::span<std::uint8_t> record) const {
    return record.subspan(offset, length);
  }
};

// Field `field` (1-based) of the open table; a field of length 0 when there is no such field.
FieldSlot SlotOf(const TableEngine& engine, TableHandle table, int field);

// The active code-page pair applied to a field's bytes, all of them: a zero byte converts to a
// zero byte and ends nothing, so no field's conversion depends on what comes before it.
class FieldCodePage {
 public:
  FieldCodePage();

  std::string ToAnsi(std::span<const std::uint8_t> oem) const;
  std::string ToOem(std::string_view ansi) const;
  std::uint8_t OemOf(char ansi) const { return toOem_[static_cast<unsigned char>(ansi)]; }
  char AnsiOf(std::uint8_t oem) const { return static_cast<char>(toAnsi_[oem]); }
  // Each direction undoes the other: then a character is found among the stored bytes by its
  // one OEM byte, and bytes that a pass keeps need no conversion at all.
  bool Bijective() const { return bijective_; }

 private:
  ByteTable toAnsi_;
  ByteTable toOem_;
  bool bijective_ = false;
};

// A set of stored bytes, given by the ANSI characters they stand for.
class OemByteSet {
 public:
  OemByteSet(const FieldCodePage& codePage, std::string_view ansiCharacters);
  bool Has(std::uint8_t oem) const { return member_[oem]; }

 private:
  std::array<bool, 256> member_{};
};

// The field as the record buffer shows it: its bytes converted whole, then decoded by type.
std::string DisplayOf(const FieldCodePage& codePage, const FieldSlot& slot,
                      std::span<const std::uint8_t> record);
// A changed display text stored as StoreRecord stores it: encoded by type, padded with blanks
// or cut to the field, converted whole. True when a byte of the field changed.
bool StoreDisplay(const FieldCodePage& codePage, const FieldSlot& slot, std::string display,
                  int currentYear, std::span<std::uint8_t> record);
// Stored bytes over the field, the rest from `blanks` (at least as long as the field); true
// when a byte changed.
bool PutText(std::span<const std::uint8_t> text, std::span<const std::uint8_t> blanks,
             std::span<std::uint8_t> field);
// The length of bytes without their trailing `blank` bytes; padded fields end mostly in blanks,
// so they are skipped eight at a time.
std::size_t EndWithoutBlanks(std::span<const std::uint8_t> bytes, std::uint8_t blank);

}  // namespace dbt::journal_detail
