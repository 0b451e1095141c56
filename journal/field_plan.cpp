#include "journal/field_plan.h"

#include <algorithm>
#include <cstring>

#include "dbf/field_codec.h"

namespace dbt::journal_detail {

FieldSlot SlotOf(const TableEngine& engine, TableHandle table, int field) {
  FieldSlot slot;
  if (field < 1 || field > engine.FieldCount(table)) return slot;
  slot.offset = 1;
  for (int k = 1; k < field; ++k)
    slot.offset += static_cast<std::size_t>(engine.FieldLength(table, k));
  const DbfField descriptor = engine.FieldDescriptor(table, field);
  slot.length = descriptor.Length();
  slot.type = descriptor.Type();
  return slot;
}

FieldCodePage::FieldCodePage()
    : toAnsi_(OemToAnsiTable(ActiveCodePages())), toOem_(AnsiToOemTable(ActiveCodePages())) {
  bijective_ = true;
  for (int b = 0; b < 256; ++b) {
    if (toOem_[toAnsi_[static_cast<std::size_t>(b)]] != b) bijective_ = false;
  }
}

std::string FieldCodePage::ToAnsi(std::span<const std::uint8_t> oem) const {
  std::string text(oem.size(), '\0');
  for (std::size_t i = 0; i < oem.size(); ++i) text[i] = AnsiOf(oem[i]);
  return text;
}

std::string FieldCodePage::ToOem(std::string_view ansi) const {
  std::string text(ansi.size(), '\0');
  for (std::size_t i = 0; i < ansi.size(); ++i) text[i] = static_cast<char>(OemOf(ansi[i]));
  return text;
}

OemByteSet::OemByteSet(const FieldCodePage& codePage, std::string_view ansiCharacters) {
  for (int b = 0; b < 256; ++b) {
    const char ansi = codePage.AnsiOf(static_cast<std::uint8_t>(b));
    member_[static_cast<std::size_t>(b)] = ansiCharacters.find(ansi) != std::string_view::npos;
  }
}

std::string DisplayOf(const FieldCodePage& codePage, const FieldSlot& slot,
                      std::span<const std::uint8_t> record) {
  const std::string stored = codePage.ToAnsi(record.subspan(slot.offset, slot.length));
  return DecodeField(slot.type, stored);
}

bool StoreDisplay(const FieldCodePage& codePage, const FieldSlot& slot, std::string display,
                  int currentYear, std::span<std::uint8_t> record) {
  std::string stored = EncodeField(slot.type, display, currentYear);
  stored.resize(slot.length, ' ');
  stored = codePage.ToOem(stored);
  const auto field = slot.In(record);
  if (std::memcmp(field.data(), stored.data(), slot.length) == 0) return false;
  std::memcpy(field.data(), stored.data(), slot.length);
  return true;
}

bool PutText(std::span<const std::uint8_t> text, std::span<const std::uint8_t> blanks,
             std::span<std::uint8_t> field) {
  const std::size_t length = std::min(text.size(), field.size());
  const std::size_t rest = field.size() - length;
  bool changed = false;
  // memcmp and memcpy want real pointers even for no bytes, and an empty span has none.
  if (length > 0 && std::memcmp(field.data(), text.data(), length) != 0) {
    std::memcpy(field.data(), text.data(), length);
    changed = true;
  }
  if (rest > 0 && std::memcmp(field.data() + length, blanks.data(), rest) != 0) {
    std::memcpy(field.data() + length, blanks.data(), rest);
    changed = true;
  }
  return changed;
}

std::size_t EndWithoutBlanks(std::span<const std::uint8_t> bytes, std::uint8_t blank) {
  const std::uint64_t blankWord = 0x0101010101010101ull * blank;
  std::size_t end = bytes.size();
  while (end >= 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, bytes.data() + end - 8, 8);
    if (word != blankWord) break;
    end -= 8;
  }
  while (end > 0 && bytes[end - 1] == blank) --end;
  return end;
}

}  // namespace dbt::journal_detail
